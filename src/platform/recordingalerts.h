#pragma once

#include "platform/alerts.h"

#include <QList>

/// Alerts that are recorded instead of shown, answered with a chosen button.
class RecordingAlerts : public Alerts
{
public:
    struct Shown {
        Style style;
        QString message;
        QString informativeText;
        QStringList buttons;
    };

    int runModal(Style style, const QString &message, const QString &informativeText, const QStringList &buttons) override
    {
        shown.append({style, message, informativeText, buttons});
        return answer;
    }

    QList<Shown> shown;
    int answer = 0;
};
