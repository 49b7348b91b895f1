#pragma once

#include "store/clipitem.h"

class Pasteboard;

/// The capture steps for files, links and text. Each looks at the pasteboard and
/// returns a new, unsaved item, or null when the pasteboard holds nothing it takes.
/// None writes the pasteboard or the store. Image capture comes first; see imagecapture.h.

/// The first file reference on the pasteboard, as a `fileURL` item.
[[nodiscard]] ClipItemPtr captureFileURL(const Pasteboard &pasteboard);
/// An http or https link, as a `url` item holding the string exactly as copied.
[[nodiscard]] ClipItemPtr captureURL(const Pasteboard &pasteboard);
/// Plain text, or rich text when RTF or else HTML comes with it.
[[nodiscard]] ClipItemPtr captureText(const Pasteboard &pasteboard);

/// Whether `text` is a web link: it parses as a URL and its scheme is exactly "http"
/// or "https" as written (so "HTTP://" is not one).
[[nodiscard]] bool isWebLink(const QString &text);
