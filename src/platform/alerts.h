#pragma once

#include <QString>
#include <QStringList>

/// A modal alert: a short message, an informative text below it, and its buttons, the
/// first of which is the default. Without buttons the alert has a single "OK".
struct Alert
{
    enum class Style { Informational, Warning };

    QString text;
    QString informativeText;
    QStringList buttons;
    Style style = Style::Informational;

    friend bool operator==(const Alert &, const Alert &) = default;
};

/// Shows modal alerts: the few messages that stop the user. The application uses
/// MessageBoxAlerts; tests record what is shown.
class Alerts
{
public:
    virtual ~Alerts() = default;

    /// Shows @p alert and returns once the user has dismissed it: the index of the
    /// chosen button, or -1 when it was closed without one.
    virtual int run(const Alert &alert) = 0;
};
