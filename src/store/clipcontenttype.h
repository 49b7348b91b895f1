#pragma once

#include <QString>

#include <optional>

/// The five kinds of content that jotterly records. The raw strings are what the
/// store keeps in `contentTypeRaw`; they must never change, or stored items would
/// change kind.
enum class ClipContentType {
    Text,
    RichText,
    Image,
    FileURL,
    URL,
};

/// The stored raw string of a kind: "text", "richText", "image", "fileURL" or "url".
[[nodiscard]] QString rawValue(ClipContentType type);

/// The kind whose raw string is exactly `raw` (case-sensitive), or none.
[[nodiscard]] std::optional<ClipContentType> clipContentTypeFromRaw(const QString &raw);
