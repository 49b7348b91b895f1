#pragma once

#include <QByteArray>
#include <QVariant>

#include <optional>

/// Reads an XML property list. Values become QVariants: dict a QVariantMap, array a
/// QVariantList, string a QString, integer a qint64, real a double, true and false a
/// bool, date a QDateTime, data a QByteArray. Returns nothing for anything that is not a
/// well-formed XML property list, and for nesting deeper than 64 levels.
[[nodiscard]] std::optional<QVariant> readPropertyList(const QByteArray &document);
