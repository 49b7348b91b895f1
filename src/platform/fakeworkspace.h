#pragma once

#include "platform/workspace.h"

/// A workspace whose frontmost application a test sets.
class FakeWorkspace : public Workspace
{
public:
    [[nodiscard]] std::optional<QString> frontmostApplicationID() const override { return frontmost; }

    std::optional<QString> frontmost;
};
