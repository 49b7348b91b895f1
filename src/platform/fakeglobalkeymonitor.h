#pragma once

#include "platform/globalkeymonitor.h"

#include <set>

/// A keyboard monitor that a test types on, or that is unavailable.
class FakeGlobalKeyMonitor : public GlobalKeyMonitor
{
public:
    std::optional<int> addMonitor() override
    {
        if (unavailable)
            return std::nullopt;
        monitors.insert(nextToken);
        return nextToken++;
    }
    void removeMonitor(int token) override { monitors.erase(token); }

    /// A key press in another application; heard only while a monitor is added, like the real one.
    void press(qint64 modifierFlags, const QString &characters)
    {
        if (!monitors.empty())
            Q_EMIT keyDown({modifierFlags, characters});
    }

    std::set<int> monitors;
    bool unavailable = false;
    int nextToken = 1;
};
