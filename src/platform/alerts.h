#pragma once

#include <QString>
#include <QStringList>

/// Modal alerts: the few messages that stop the user.
class Alerts
{
public:
    enum class Style { Informational, Warning, Critical };

    virtual ~Alerts() = default;

    /// Shows a modal alert with `buttons` (the first is the default) and returns the
    /// index of the button chosen.
    virtual int runModal(Style style, const QString &message, const QString &informativeText,
                         const QStringList &buttons) = 0;
};
