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
    /// Writes the entry; false, leaving any earlier entry as it was, when it cannot be
    /// written or the program's path cannot be put on an Exec line (a line break).
    bool enable() override;
    bool disable() override;

    [[nodiscard]] QString entryPath() const { return m_entryPath; }
    /// The user's autostart entry: `$XDG_CONFIG_HOME/autostart/jotterly.desktop`.
    [[nodiscard]] static QString defaultEntryPath();

    /// The Exec value that starts `executable`: just "jotterly" when that name on PATH
    /// is this very program (installed), else its absolute path (a build folder),
    /// quoted and escaped as desktop entries require. Empty when the path holds a
    /// control character such as a line break, which an Exec line cannot carry.
    [[nodiscard]] static QString execValue(const QString &executable);

private:
    QString m_entryPath;
    QString m_executable;
};
