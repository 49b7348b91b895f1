#pragma once

#include "platform/loginitem.h"

#include <QString>

/// Start at login through an XDG autostart entry, which every freedesktop session
/// honours: `$XDG_CONFIG_HOME/autostart/jotterly.desktop`, starting `executable`.
class AutostartLoginItem : public LoginItem
{
public:
    /// `entryPath` and `executable` default to the user's autostart entry and the
    /// running program.
    explicit AutostartLoginItem(QString entryPath = {}, QString executable = {});

    [[nodiscard]] bool isEnabled() const override;
    bool enable() override;
    bool disable() override;

    [[nodiscard]] QString entryPath() const { return m_entryPath; }
    /// The user's autostart entry: `$XDG_CONFIG_HOME/autostart/jotterly.desktop`.
    [[nodiscard]] static QString defaultEntryPath();

private:
    QString m_entryPath;
    QString m_executable;
};
