#pragma once

#include <QString>

/// Whether a graphical session can be reached. When not, `reason` says why in one line.
/// Checked before the toolkit starts, which would otherwise abort without a display.
[[nodiscard]] bool hasGraphicalSession(QString *reason);
