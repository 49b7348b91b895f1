#pragma once

#include "platform/alerts.h"

/// Alerts as modal message boxes.
class MessageBoxAlerts : public Alerts
{
public:
    int runModal(Style style, const QString &message, const QString &informativeText, const QStringList &buttons) override;
};
