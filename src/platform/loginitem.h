#pragma once

/// Whether the application starts when the user logs in.
class LoginItem
{
public:
    virtual ~LoginItem() = default;

    /// Whether the application is registered to start at login.
    [[nodiscard]] virtual bool isEnabled() const = 0;
    /// Registers the application; false when the system refused.
    virtual bool enable() = 0;
    /// Unregisters the application; false when the system refused.
    virtual bool disable() = 0;
};
