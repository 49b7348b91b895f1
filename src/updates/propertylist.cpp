#include "updates/propertylist.h"

#include <QDateTime>
#include <QVariantList>
#include <QVariantMap>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace
{

// The recursion below goes one level per container, so this also bounds the stack.
constexpr int maxDepth = 64;

std::optional<QVariant> readValue(QXmlStreamReader &xml, int depth);

std::optional<QVariant> readDictionary(QXmlStreamReader &xml, int depth)
{
    QVariantMap dictionary;
    while (xml.readNextStartElement()) {
        if (xml.name() != "key"_L1)
            return std::nullopt;
        const QString key = xml.readElementText();
        if (xml.hasError() || !xml.readNextStartElement())
            return std::nullopt; // a key without a value
        std::optional<QVariant> value = readValue(xml, depth + 1);
        if (!value)
            return std::nullopt;
        dictionary.insert(key, *value);
    }
    if (xml.hasError())
        return std::nullopt;
    return QVariant(dictionary);
}

std::optional<QVariant> readArray(QXmlStreamReader &xml, int depth)
{
    QVariantList array;
    while (xml.readNextStartElement()) {
        std::optional<QVariant> value = readValue(xml, depth + 1);
        if (!value)
            return std::nullopt;
        array.append(*value);
    }
    if (xml.hasError())
        return std::nullopt;
    return QVariant(array);
}

// Expects the reader on the value's start element; leaves it on the value's end element.
std::optional<QVariant> readValue(QXmlStreamReader &xml, int depth)
{
    if (depth > maxDepth)
        return std::nullopt;
    const QString name = xml.name().toString();
    if (name == "dict"_L1)
        return readDictionary(xml, depth);
    if (name == "array"_L1)
        return readArray(xml, depth);

    const QString text = xml.readElementText();
    if (xml.hasError())
        return std::nullopt;
    if (name == "string"_L1)
        return QVariant(text);
    if (name == "true"_L1 || name == "false"_L1)
        return QVariant(name == "true"_L1);
    bool ok = false;
    if (name == "integer"_L1) {
        const qint64 number = text.trimmed().toLongLong(&ok);
        return ok ? std::optional(QVariant(number)) : std::nullopt;
    }
    if (name == "real"_L1) {
        const double number = text.trimmed().toDouble(&ok);
        return ok ? std::optional(QVariant(number)) : std::nullopt;
    }
    if (name == "date"_L1) {
        const QDateTime date = QDateTime::fromString(text.trimmed(), Qt::ISODate);
        return date.isValid() ? std::optional(QVariant(date)) : std::nullopt;
    }
    if (name == "data"_L1) {
        // Property lists wrap their base64 over several lines.
        QByteArray base64 = text.toLatin1();
        base64.removeIf([](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
        const auto decoded = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
        return decoded ? std::optional(QVariant(*decoded)) : std::nullopt;
    }
    return std::nullopt;
}

} // namespace

std::optional<QVariant> readPropertyList(const QByteArray &document)
{
    QXmlStreamReader xml(document);
    if (!xml.readNextStartElement() || xml.name() != "plist"_L1 || !xml.readNextStartElement())
        return std::nullopt;
    std::optional<QVariant> value = readValue(xml, 1);
    if (!value)
        return std::nullopt;
    // Whatever follows the one top-level value must still be well-formed.
    while (!xml.atEnd())
        xml.readNext();
    if (xml.hasError())
        return std::nullopt;
    return value;
}
