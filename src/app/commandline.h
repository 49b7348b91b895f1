#pragma once

#include "app/singleinstance.h"

#include <optional>

/// Answers --help and --version, which need no display and start nothing. Returns the
/// exit status when the command line asked for one of them; nothing when jotterly should
/// start (every other argument is left to Qt, which knows -display, -platform and so on).
[[nodiscard]] std::optional<int> answerCommandLine(int argc, char *argv[]);

/// What the command line asks of a running jotterly: --toggle, --show, or a plain launch.
[[nodiscard]] SingleInstance::Request requestForRunningInstance(int argc, char *argv[]);
