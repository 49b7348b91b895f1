#pragma once

#include "store/clipitem.h"

#include <QByteArray>

#include <optional>

class ClipboardMonitor;
class Pasteboard;

/// Longer side of a thumbnail, in pixels (one pixel per point).
inline constexpr int thumbnailSide = 60;

/// A PNG or TIFF picture on the pasteboard (PNG preferred), as an `image` item holding
/// the bytes unchanged. The item comes back at once without a thumbnail; a job on the
/// thread pool makes one, and back on the main thread attaches it, saves the monitor's
/// store and runs its new-item callback. Returns null when there is no picture.
[[nodiscard]] ClipItemPtr captureImage(const Pasteboard &pasteboard, ClipboardMonitor *monitor);

/// The picture in `imageBytes` scaled so its longer side is 60 pixels, as PNG; none
/// when the bytes do not decode. Safe to call on any thread.
[[nodiscard]] std::optional<QByteArray> makeThumbnail(const QByteArray &imageBytes);
