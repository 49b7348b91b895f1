#pragma once

#include <QString>

#include <optional>

/// The desktop around jotterly: which application is in front.
class Workspace
{
public:
    virtual ~Workspace() = default;

    /// The identifier of the application whose window is active (its desktop-file id
    /// where it can be found), or none when no window is active.
    [[nodiscard]] virtual std::optional<QString> frontmostApplicationID() const = 0;
};
