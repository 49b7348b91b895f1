#include "platform/mimedatapasteboard.h"

#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace {

const auto uriListTarget = u"text/uri-list"_s;
const auto mozUrlTarget = u"text/x-moz-url"_s;
const auto gnomeFilesTarget = u"x-special/gnome-copied-files"_s;

const auto htmlTarget = u"text/html"_s;

// The entries of a text/uri-list, as written. Lines end in CRLF, or LF alone from many
// programs; lines starting with # are comments; some file managers end the list with a
// NUL byte instead of a line break.
QByteArrayList uriListEntries(const QByteArray &bytes)
{
    QByteArrayList entries;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= bytes.size(); ++i) {
        if (i < bytes.size() && bytes.at(i) != '\n' && bytes.at(i) != '\r' && bytes.at(i) != '\0')
            continue;
        const QByteArray entry = bytes.mid(start, i - start).trimmed();
        start = i + 1;
        if (!entry.isEmpty() && !entry.startsWith('#'))
            entries << entry;
    }
    return entries;
}

// A file entry as a URL. Tolerant, as some programs leave spaces and non-ASCII
// letters unescaped.
std::optional<QUrl> fileUrl(const QByteArray &entry)
{
    const QUrl url = QUrl::fromEncoded(entry, QUrl::TolerantMode);
    if (!url.isValid() || !url.isLocalFile() || url.toLocalFile().isEmpty())
        return std::nullopt;
    return url;
}

QList<QUrl> fileUrls(const QByteArrayList &entries)
{
    QList<QUrl> urls;
    for (const QByteArray &entry : entries) {
        if (const auto url = fileUrl(entry))
            urls << *url;
    }
    return urls;
}

// The first entry that is not a file: a web link, kept exactly as written.
std::optional<QByteArray> firstLinkEntry(const QByteArray &uriList)
{
    for (const QByteArray &entry : uriListEntries(uriList)) {
        if (!entry.toLower().startsWith("file:"))
            return entry;
    }
    return std::nullopt;
}

bool looksLikeUtf16(const QByteArray &bytes)
{
    return bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff")
        || (bytes.size() >= 2 && bytes.size() % 2 == 0 && bytes.at(0) != '\0' && bytes.at(1) == '\0');
}

QString decodeUtf16(const QByteArray &bytes)
{
    const bool bigEndian = bytes.startsWith("\xfe\xff");
    QStringDecoder decoder(bigEndian ? QStringDecoder::Utf16BE : QStringDecoder::Utf16LE);
    QString text = decoder(bytes);
    if (text.startsWith(QChar::ByteOrderMark))
        text.remove(0, 1);
    return text;
}

// HTML as UTF-8. Some programs offer it as UTF-16; the converted page says it is UTF-8,
// so that whoever reads it back does not guess.
QByteArray htmlAsUtf8(const QByteArray &bytes)
{
    if (!looksLikeUtf16(bytes))
        return bytes;
    QString html = decodeUtf16(bytes);
    html.remove(QChar::Null);
    if (!html.left(1024).contains(u"charset=utf-8"_s, Qt::CaseInsensitive))
        html.prepend(u"<meta http-equiv=\"content-type\" content=\"text/html; charset=utf-8\">"_s);
    return html.toUtf8();
}

// text/x-moz-url is UTF-16 ("url\ntitle") when Firefox writes it, UTF-8 from some others.
QString decodeMozUrl(const QByteArray &bytes)
{
    const QString text = looksLikeUtf16(bytes) ? decodeUtf16(bytes) : QString::fromUtf8(bytes);
    return text.section(u'\n', 0, 0).remove(u'\r').remove(QChar::Null);
}

QByteArray encodeMozUrl(const QString &url)
{
    // UTF-16 in host (little-endian) order, as browsers on Linux write it.
    return QByteArray(reinterpret_cast<const char *>(url.utf16()), url.size() * 2);
}

} // namespace

QList<ClipboardTargetGroup> MimeDataPasteboard::watchedTargetGroups()
{
    return {
        {readTargets(PasteboardType::PNG), true},
        {readTargets(PasteboardType::TIFF), true},
        {{uriListTarget}, false},
        {{gnomeFilesTarget}, false},
        {{mozUrlTarget}, false},
        {readTargets(PasteboardType::String), false},
        {readTargets(PasteboardType::RTF), false},
        {readTargets(PasteboardType::HTML), false},
    };
}

QStringList MimeDataPasteboard::readTargets(PasteboardType type)
{
    switch (type) {
    case PasteboardType::String:
        return {u"UTF8_STRING"_s, u"text/plain;charset=utf-8"_s, u"text/plain"_s, u"STRING"_s};
    case PasteboardType::RTF:
        return {u"text/rtf"_s, u"application/rtf"_s, u"text/richtext"_s};
    case PasteboardType::HTML:
        return {htmlTarget};
    case PasteboardType::PNG:
        return {u"image/png"_s};
    case PasteboardType::TIFF:
        return {u"image/tiff"_s};
    case PasteboardType::URL:
        return {mozUrlTarget, uriListTarget};
    }
    return {};
}

std::optional<QString> MimeDataPasteboard::firstTarget(PasteboardType type) const
{
    for (const QString &target : readTargets(type)) {
        if (!m_content.contains(target))
            continue;
        // A uri-list stands for a web link only when it holds one that is not a file.
        if (type == PasteboardType::URL && target == uriListTarget && !firstLinkEntry(m_content.value(target)))
            continue;
        return target;
    }
    return std::nullopt;
}

std::optional<PasteboardType> MimeDataPasteboard::availableType(const QList<PasteboardType> &types) const
{
    for (PasteboardType type : types) {
        if (firstTarget(type))
            return type;
    }
    return std::nullopt;
}

std::optional<QByteArray> MimeDataPasteboard::data(PasteboardType type) const
{
    const auto target = firstTarget(type);
    if (!target)
        return std::nullopt;
    if (type == PasteboardType::HTML)
        return htmlAsUtf8(m_content.value(*target));
    return m_content.value(*target);
}

std::optional<QString> MimeDataPasteboard::string(PasteboardType type) const
{
    const auto target = firstTarget(type);
    if (!target)
        return std::nullopt;
    const QByteArray bytes = m_content.value(*target);
    if (*target == u"STRING"_s)
        return QString::fromLatin1(bytes);
    if (*target == mozUrlTarget)
        return decodeMozUrl(bytes);
    if (*target == uriListTarget)
        return QString::fromUtf8(*firstLinkEntry(bytes));
    auto cached = m_decoded.constFind(*target);
    if (cached == m_decoded.cend()) {
        // Bytes that are not valid UTF-8 decode with replacement characters: the copy
        // is kept as the text the user would see.
        cached = m_decoded.insert(*target, QString::fromUtf8(bytes));
    }
    return *cached;
}

std::optional<QByteArray> MimeDataPasteboard::utf8String(PasteboardType type) const
{
    const auto target = firstTarget(type);
    if (!target)
        return std::nullopt;
    const bool isUtf8 = *target != u"STRING"_s && *target != mozUrlTarget && *target != uriListTarget;
    if (isUtf8)
        return m_content.value(*target);
    return Pasteboard::utf8String(type);
}

void MimeDataPasteboard::releaseLargeContent()
{
    m_content.removeIf([](const auto &entry) { return entry.value().size() > largeContentSize; });
    m_decoded.removeIf([this](const auto &entry) { return !m_content.contains(entry.key()); });
}

std::optional<QList<QUrl>> MimeDataPasteboard::fileURLs() const
{
    QList<QUrl> files;
    if (m_content.contains(uriListTarget))
        files = fileUrls(uriListEntries(m_content.value(uriListTarget)));
    // GNOME's own list: "copy" or "cut", then one URL per line.
    if (files.isEmpty() && m_content.contains(gnomeFilesTarget))
        files = fileUrls(uriListEntries(m_content.value(gnomeFilesTarget)).mid(1));
    if (files.isEmpty())
        return std::nullopt;
    return files;
}

void MimeDataPasteboard::clearContents()
{
    m_content.clear();
    m_decoded.clear();
    m_ownWriteChangeCount = ++m_changeCount;
    contentWritten(m_content);
    Q_EMIT changed();
}

void MimeDataPasteboard::setString(const QString &string, PasteboardType type)
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

void MimeDataPasteboard::setData(const QByteArray &data, PasteboardType type)
{
    switch (type) {
    case PasteboardType::String:
        add({{u"text/plain;charset=utf-8"_s, data}});
        break;
    case PasteboardType::RTF:
        // Word processors differ in the name they look for.
        add({{u"text/rtf"_s, data}, {u"application/rtf"_s, data}, {u"text/richtext"_s, data}});
        break;
    case PasteboardType::HTML:
        add({{htmlTarget, data}});
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

void MimeDataPasteboard::writeURLs(const QList<QUrl> &urls)
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

void MimeDataPasteboard::replaceContent(const ClipboardContent &content)
{
    m_content = content;
    m_decoded.clear();
    ++m_changeCount;
    Q_EMIT changed();
}

void MimeDataPasteboard::add(const ClipboardContent &representations)
{
    m_content.insert(representations);
    m_decoded.clear();
    m_ownWriteChangeCount = ++m_changeCount;
    contentWritten(m_content);
    Q_EMIT changed();
}
