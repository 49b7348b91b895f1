#include "capture/capturesteps.h"

#include "platform/pasteboard.h"

#include <QFileInfo>

#include <algorithm>
#include <cctype>

using namespace Qt::StringLiterals;

namespace {

ClipItemPtr makeItem(ClipContentType type, const QByteArray &content, const QString &preview,
                     const std::optional<QByteArray> &richText = std::nullopt)
{
    // The hash is computed where the item is stored, away from the main thread.
    return ClipItem::create(content, type, preview, std::nullopt, richText, QString());
}

QString lastPathComponent(const QString &path)
{
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(u'/'))
        trimmed.chop(1);
    const QString name = QFileInfo(trimmed).fileName();
    return name.isEmpty() ? trimmed : name;
}

} // namespace

bool isWebLink(const QString &text)
{
    // The scheme is checked as written: QUrl would lower-case it.
    const qsizetype colon = text.indexOf(u':');
    if (colon <= 0)
        return false;
    const QStringView scheme = QStringView(text).left(colon);
    if (scheme != u"http" && scheme != u"https")
        return false;
    // No link holds white space; checking first spares parsing a long text as a URL.
    if (std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSpace(); }))
        return false;
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty();
}

ClipItemPtr captureFileURL(const Pasteboard &pasteboard)
{
    const auto urls = pasteboard.fileURLs();
    if (!urls || urls->isEmpty() || !urls->constFirst().isLocalFile())
        return nullptr;
    const QString path = urls->constFirst().toLocalFile();
    if (path.isEmpty())
        return nullptr;
    return makeItem(ClipContentType::FileURL, path.toUtf8(), lastPathComponent(path));
}

ClipItemPtr captureURL(const Pasteboard &pasteboard)
{
    std::optional<QString> text = pasteboard.string(PasteboardType::URL);
    if (!text) {
        // A text that cannot be a link is not decoded to find out: it may be 300 MB.
        const std::optional<QByteArray> bytes = pasteboard.utf8String(PasteboardType::String);
        if (!bytes || !(bytes->startsWith("http:") || bytes->startsWith("https:"))
            || std::any_of(bytes->cbegin(), bytes->cend(), [](char c) { return std::isspace(uchar(c)); }))
            return nullptr;
        text = QString::fromUtf8(*bytes);
    }
    if (!text || !isWebLink(*text))
        return nullptr;
    return makeItem(ClipContentType::URL, text->toUtf8(), *text);
}

ClipItemPtr captureText(const Pasteboard &pasteboard)
{
    // The bytes as copied, shared with the clipboard: a long text is never held twice.
    const std::optional<QByteArray> text = pasteboard.utf8String(PasteboardType::String);
    if (!text || text->isEmpty())
        return nullptr;
    const QByteArray &content = *text;
    const QString preview = makeUtf8TextPreview(content);
    if (const auto rtf = pasteboard.data(PasteboardType::RTF))
        return makeItem(ClipContentType::RichText, content, preview, *rtf);
    // Browsers and most toolkits here offer formatting only as HTML.
    if (const auto html = pasteboard.data(PasteboardType::HTML); html && !QByteArrayView(*html).trimmed().isEmpty())
        return makeItem(ClipContentType::RichText, content, preview, *html);
    return makeItem(ClipContentType::Text, content, preview);
}
