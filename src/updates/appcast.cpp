#include "updates/appcast.h"

#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace
{

// Feeds nest four or five levels deep; anything far deeper is not a feed.
constexpr int maxDepth = 64;
// Versions and locations longer than these are not real ones; dropping them keeps dialogs
// and the command line of the URL handler small.
constexpr qsizetype maxVersionLength = 64;
constexpr qsizetype maxLocationLength = 4096;

struct ItemFields
{
    QString version;
    QString shortVersion;
    QString enclosureVersion;
    QString enclosureShortVersion;
    QString enclosureUrl;
    QString link;
    QString releaseNotesLink;
};

QUrl webLocation(const QString &text, const QUrl &base)
{
    if (text.isEmpty() || text.size() > maxLocationLength)
        return {};
    const QUrl url = base.resolved(QUrl(text, QUrl::StrictMode));
    // Only web pages: a feed must not make the desktop open files or hand URLs to other programs.
    if (!url.isValid() || url.host().isEmpty() || (url.scheme() != "http"_L1 && url.scheme() != "https"_L1))
        return {};
    return url;
}

std::optional<AppcastItem> usableItem(const ItemFields &fields, const QUrl &base)
{
    const QString versionText = !fields.version.isEmpty() ? fields.version : fields.enclosureVersion;
    if (versionText.isEmpty() || versionText.size() > maxVersionLength)
        return std::nullopt;
    AppcastItem item;
    item.version = QVersionNumber::fromString(versionText);
    if (item.version.isNull())
        return std::nullopt;
    item.downloadLocation = webLocation(fields.enclosureUrl, base);
    if (item.downloadLocation.isEmpty())
        item.downloadLocation = webLocation(fields.link, base);
    if (item.downloadLocation.isEmpty())
        return std::nullopt;
    item.releaseNotesLocation = webLocation(fields.releaseNotesLink, base);
    const QString shortVersion = !fields.shortVersion.isEmpty() ? fields.shortVersion : fields.enclosureShortVersion;
    item.displayVersion = !shortVersion.isEmpty() && shortVersion.size() <= maxVersionLength ? shortVersion : versionText;
    return item;
}

void readEnclosure(const QXmlStreamAttributes &attributes, ItemFields &fields)
{
    for (const QXmlStreamAttribute &attribute : attributes) {
        const auto name = attribute.name();
        if (name == "url"_L1)
            fields.enclosureUrl = attribute.value().trimmed().toString();
        else if (name == "version"_L1)
            fields.enclosureVersion = attribute.value().trimmed().toString();
        else if (name == "shortVersionString"_L1)
            fields.enclosureShortVersion = attribute.value().trimmed().toString();
    }
}

QString *textField(QStringView name, ItemFields &fields)
{
    if (name == "version"_L1)
        return &fields.version;
    if (name == "shortVersionString"_L1)
        return &fields.shortVersion;
    if (name == "link"_L1)
        return &fields.link;
    if (name == "releaseNotesLink"_L1)
        return &fields.releaseNotesLink;
    return nullptr;
}

} // namespace

Appcast readAppcast(const QByteArray &document, const QUrl &feedLocation)
{
    QXmlStreamReader xml(document);
    Appcast appcast;
    std::optional<ItemFields> item;
    int depth = 0;
    int itemDepth = 0;

    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            if (++depth > maxDepth)
                return {};
            if (!item) {
                if (xml.name() == "item"_L1) {
                    item.emplace();
                    itemDepth = depth;
                }
                break;
            }
            if (xml.name() == "enclosure"_L1) {
                readEnclosure(xml.attributes(), *item);
            } else if (depth == itemDepth + 1) {
                if (QString *field = textField(xml.name(), *item)) {
                    const QString text = xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
                    --depth; // the element's end has been read with its text
                    if (field->isEmpty())
                        *field = text;
                }
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (item && depth == itemDepth) {
                std::optional<AppcastItem> candidate = usableItem(*item, feedLocation);
                if (candidate && (!appcast.newest || candidate->version > appcast.newest->version))
                    appcast.newest = std::move(candidate);
                item.reset();
            }
            --depth;
            break;
        default:
            break;
        }
    }
    if (xml.hasError())
        return {};
    appcast.readable = true;
    return appcast;
}
