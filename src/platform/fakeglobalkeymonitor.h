#pragma once

#include "platform/globalkeymonitor.h"

#include <map>

/// A keyboard monitor that a test types on, or that is unavailable.
class FakeGlobalKeyMonitor : public GlobalKeyMonitor
{
public:
    std::optional<int> addMonitor(std::function<void(const GlobalKeyDown &)> handler) override
    {
        if (unavailable)
            return std::nullopt;
        handlers.emplace(nextToken, std::move(handler));
        return nextToken++;
    }
    void removeMonitor(int token) override { handlers.erase(token); }

    /// A key press in another application.
    void press(qint64 modifierFlags, const QString &characters)
    {
        const auto current = handlers;
        for (const auto &[token, handler] : current)
            handler({modifierFlags, characters});
    }

    std::map<int, std::function<void(const GlobalKeyDown &)>> handlers;
    bool unavailable = false;
    int nextToken = 1;
};
