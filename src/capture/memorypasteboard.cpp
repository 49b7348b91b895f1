#include "capture/memorypasteboard.h"

#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace {

const auto uriListTarget = u"text/uri-list"_s;
const auto mozUrlTarget = u"text/x-moz-url"_s;
const auto gnomeFilesTarget = u"x-special/gnome-copied-files"_s;

// URLs of a text/uri-list: one per line, lines starting with # are comments.
QList<QUrl> parseUriList(const QByteArray &bytes)
{
    QList<QUrl> urls;
    for (const QByteArray &line : bytes.split('\n')) {
        const QByteArray entry = line.trimmed();
        if (entry.isEmpty() || entry.startsWith('#'))
            continue;
        const QUrl url = QUrl::fromEncoded(entry, QUrl::StrictMode);
        if (url.isValid())
            urls << url;
    }
    return urls;
}

// text/x-moz-url is UTF-16 ("url\ntitle") when Firefox writes it, UTF-8 from some others.
QString decodeMozUrl(const QByteArray &bytes)
{
    const bool utf16 = bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff")
        || (bytes.size() >= 2 && bytes.size() % 2 == 0 && bytes.at(1) == '\0');
    QString text;
    if (utf16) {
        QStringDecoder decoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::ConvertInitialBom);
        if (bytes.startsWith("\xfe\xff"))
            decoder = QStringDecoder(QStringDecoder::Utf16BE, QStringDecoder::Flag::ConvertInitialBom);
        text = decoder(bytes);
        if (text.startsWith(QChar::ByteOrderMark))
            text.remove(0, 1);
    } else {
        text = QString::fromUtf8(bytes);
    }
    return text.section(u'\n', 0, 0).remove(u'\r').remove(QChar::Null);
}

QByteArray encodeMozUrl(const QString &url)
{
    // UTF-16 in host (little-endian) order, as browsers on Linux write it.
    return QByteArray(reinterpret_cast<const char *>(url.utf16()), url.size() * 2);
}

} // namespace

QStringList MemoryPasteboard::readTargets(PasteboardType type)
{
    switch (type) {
    case PasteboardType::String:
        return {u"UTF8_STRING"_s, u"text/plain;charset=utf-8"_s, u"text/plain"_s, u"STRING"_s};
    case PasteboardType::RTF:
        return {u"text/rtf"_s, u"application/rtf"_s, u"text/richtext"_s};
    case PasteboardType::PNG:
        return {u"image/png"_s};
    case PasteboardType::TIFF:
        return {u"image/tiff"_s};
    case PasteboardType::URL:
        return {mozUrlTarget, uriListTarget};
    }
    return {};
}

std::optional<QString> MemoryPasteboard::firstTarget(PasteboardType type) const
{
    for (const QString &target : readTargets(type)) {
        if (!m_content.contains(target))
            continue;
        // A uri-list stands for a web link only when it holds one that is not a file.
        if (type == PasteboardType::URL && target == uriListTarget) {
            const auto urls = parseUriList(m_content.value(target));
            if (std::none_of(urls.cbegin(), urls.cend(), [](const QUrl &url) { return !url.isLocalFile(); }))
                continue;
        }
        return target;
    }
    return std::nullopt;
}

std::optional<PasteboardType> MemoryPasteboard::availableType(const QList<PasteboardType> &types) const
{
    for (PasteboardType type : types) {
        if (firstTarget(type))
            return type;
    }
    return std::nullopt;
}

std::optional<QByteArray> MemoryPasteboard::data(PasteboardType type) const
{
    const auto target = firstTarget(type);
    if (!target)
        return std::nullopt;
    return m_content.value(*target);
}

std::optional<QString> MemoryPasteboard::string(PasteboardType type) const
{
    const auto target = firstTarget(type);
    if (!target)
        return std::nullopt;
    const QByteArray bytes = m_content.value(*target);
    if (*target == u"STRING"_s)
        return QString::fromLatin1(bytes);
    if (*target == mozUrlTarget)
        return decodeMozUrl(bytes);
    if (*target == uriListTarget) {
        for (const QUrl &url : parseUriList(bytes)) {
            if (!url.isLocalFile())
                return QString::fromUtf8(url.toEncoded());
        }
        return std::nullopt;
    }
    auto cached = m_decoded.constFind(*target);
    if (cached == m_decoded.cend()) {
        // Bytes that are not valid UTF-8 decode with replacement characters: the copy
        // is kept as the text the user would see.
        cached = m_decoded.insert(*target, QString::fromUtf8(bytes));
    }
    return *cached;
}

std::optional<QList<QUrl>> MemoryPasteboard::fileURLs() const
{
    QList<QUrl> files;
    if (m_content.contains(uriListTarget)) {
        for (const QUrl &url : parseUriList(m_content.value(uriListTarget))) {
            if (url.isLocalFile())
                files << url;
        }
    }
    // GNOME's own list: "copy" or "cut", then one URL per line.
    if (files.isEmpty() && m_content.contains(gnomeFilesTarget)) {
        const QList<QByteArray> lines = m_content.value(gnomeFilesTarget).split('\n');
        for (const QUrl &url : parseUriList(lines.mid(1).join('\n'))) {
            if (url.isLocalFile())
                files << url;
        }
    }
    if (files.isEmpty())
        return std::nullopt;
    return files;
}

void MemoryPasteboard::clearContents()
{
    m_content.clear();
    m_decoded.clear();
    ++m_changeCount;
    contentWritten(m_content);
    Q_EMIT changed();
}

void MemoryPasteboard::setString(const QString &string, PasteboardType type)
{
    switch (type) {
    case PasteboardType::String:
        add({{u"text/plain;charset=utf-8"_s, string.toUtf8()}});
        break;
    case PasteboardType::URL:
        add({{mozUrlTarget, encodeMozUrl(string)}});
        break;
    default:
        setData(string.toUtf8(), type);
        break;
    }
}

void MemoryPasteboard::setData(const QByteArray &data, PasteboardType type)
{
    switch (type) {
    case PasteboardType::String:
        add({{u"text/plain;charset=utf-8"_s, data}});
        break;
    case PasteboardType::RTF:
        // Word processors differ in the name they look for.
        add({{u"text/rtf"_s, data}, {u"application/rtf"_s, data}, {u"text/richtext"_s, data}});
        break;
    case PasteboardType::PNG:
        add({{u"image/png"_s, data}});
        break;
    case PasteboardType::TIFF:
        add({{u"image/tiff"_s, data}});
        break;
    case PasteboardType::URL:
        add({{mozUrlTarget, data}});
        break;
    }
}

void MemoryPasteboard::writeURLs(const QList<QUrl> &urls)
{
    if (urls.isEmpty())
        return;
    QByteArrayList encoded;
    for (const QUrl &url : urls)
        encoded << url.toEncoded();
    ClipboardContent representations{{uriListTarget, encoded.join("\r\n") + "\r\n"}};
    // GNOME file managers paste files only from their own list; KDE and Qt read the uri-list.
    if (std::all_of(urls.cbegin(), urls.cend(), [](const QUrl &url) { return url.isLocalFile(); }))
        representations.insert(gnomeFilesTarget, "copy\n" + encoded.join('\n'));
    add(representations);
}

void MemoryPasteboard::replaceContent(const ClipboardContent &content)
{
    m_content = content;
    m_decoded.clear();
    ++m_changeCount;
    Q_EMIT changed();
}

void MemoryPasteboard::add(const ClipboardContent &representations)
{
    m_content.insert(representations);
    m_decoded.clear();
    ++m_changeCount;
    contentWritten(m_content);
    Q_EMIT changed();
}
