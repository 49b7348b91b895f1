#pragma once

#include "store/clipitem.h"

#include <QByteArray>
#include <QImage>

#include <functional>
#include <optional>

class ClipboardMonitor;
class Pasteboard;
class QThreadPool;

/// Longer side of a thumbnail, in pixels (one pixel per point).
inline constexpr int thumbnailSide = 60;

/// The most pixels a picture may declare and still be decoded: 100 megapixels, 400 MB
/// once decoded. A few hundred bytes of TIFF or PNG can declare a thousand times that.
inline constexpr qint64 decodablePixels = 100'000'000;

/// A PNG or TIFF picture on the pasteboard (PNG preferred), as an `image` item holding
/// the bytes unchanged. The item comes back at once without a thumbnail; a job on a
/// thread pool of its own makes one, and back on the main thread attaches it, saves the
/// monitor's store and runs its new-item callback. Returns null when there is no picture.
[[nodiscard]] ClipItemPtr captureImage(const Pasteboard &pasteboard, ClipboardMonitor *monitor);

/// The pool that thumbnail jobs run on, one at a time. Not Qt's global pool: Qt's own
/// painting and scaling wait for that one, and the panel would wait behind pictures.
[[nodiscard]] QThreadPool &thumbnailPool();

/// The picture in `imageBytes` decoded at the size `sizeFor` gives for its declared
/// size: formats that can (JPEG, PNG) decode straight to that size, others are scaled
/// after. A null image when the bytes do not decode, or when they declare more than
/// `decodablePixels` pixels, in which case nothing is decoded. Safe on any thread.
[[nodiscard]] QImage decodePicture(const QByteArray &imageBytes, const std::function<QSize(QSize)> &sizeFor);

/// The picture in `imageBytes` scaled so its longer side is 60 pixels, as PNG; none
/// when the bytes do not decode or declare too many pixels. Safe to call on any thread.
[[nodiscard]] std::optional<QByteArray> makeThumbnail(const QByteArray &imageBytes);
