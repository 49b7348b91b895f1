#pragma once

#include "platform/alerts.h"

#include <QList>

/// Alerts for tests: records every alert and answers with the queued button indexes,
/// then with 0 (the default button).
class RecordingAlerts final : public Alerts
{
public:
    int run(const Alert &alert) override
    {
        shown << alert;
        return answers.isEmpty() ? 0 : answers.takeFirst();
    }

    QList<Alert> shown;
    QList<int> answers;
};
