#pragma once

#include "platform/alerts.h"

/// Alerts as application-modal QMessageBox dialogs titled with the application's name.
class MessageBoxAlerts final : public Alerts
{
public:
    int run(const Alert &alert) override;
};
