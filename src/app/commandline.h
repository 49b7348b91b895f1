#pragma once

#include <optional>

/// Answers --help and --version, which need no display and start nothing. Returns the
/// exit status when the command line asked for one of them; nothing when jotterly should
/// start (every other argument is left to Qt, which knows -display, -platform and so on).
[[nodiscard]] std::optional<int> answerCommandLine(int argc, char *argv[]);
