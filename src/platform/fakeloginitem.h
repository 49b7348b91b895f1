#pragma once

#include "platform/loginitem.h"

/// A login item whose state and refusals a test sets.
class FakeLoginItem : public LoginItem
{
public:
    [[nodiscard]] bool isEnabled() const override { return enabled; }
    bool enable() override { return change(true); }
    bool disable() override { return change(false); }

    bool enabled = false;
    bool refuses = false;
    int calls = 0;

private:
    bool change(bool on)
    {
        ++calls;
        if (refuses)
            return false;
        enabled = on;
        return true;
    }
};
