#include "store/clipitem.h"

#include "store/modelcontext.h"

#include <QCryptographicHash>
#include <QTextBoundaryFinder>

QString makeTextPreview(const QString &text, int maxCharacters)
{
    // A string with no more UTF-16 units than the limit cannot hold more characters.
    if (text.size() <= maxCharacters)
        return text;

    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int characters = 0;
    while (finder.toNextBoundary() != -1) {
        if (++characters == maxCharacters)
            return text.left(finder.position());
    }
    return text;
}

QString computeContentHash(ClipContentType type, const QByteArray &content)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(rawValue(type).toUtf8());
    hash.addData(content);
    return QString::fromLatin1(hash.result().toHex());
}

ClipItemPtr ClipItem::create(const QByteArray &content, ClipContentType type,
                             const std::optional<QString> &textPreview,
                             const std::optional<QByteArray> &thumbnailData,
                             const std::optional<QByteArray> &richTextData, const QString &contentHash)
{
    ClipItemPtr item(new ClipItem);
    item->m_id = QUuid::createUuid();
    item->m_content = content;
    item->m_contentTypeRaw = rawValue(type);
    item->m_textPreview = textPreview;
    item->m_thumbnailData = thumbnailData;
    item->m_richTextData = richTextData;
    item->m_timestamp = QDateTime::currentDateTimeUtc();
    item->m_contentHash = contentHash;
    return item;
}

ClipItem::~ClipItem()
{
    if (m_context)
        m_context->forget(this);
}

ModelContext *ClipItem::modelContext() const
{
    return m_context;
}

QByteArray ClipItem::content() const
{
    if (!m_contentLoaded && m_context)
        m_context->loadLargeFields(const_cast<ClipItem *>(this));
    return m_content;
}

std::optional<QByteArray> ClipItem::richTextData() const
{
    if (!m_richTextLoaded && m_context)
        m_context->loadLargeFields(const_cast<ClipItem *>(this));
    return m_richTextData;
}

ClipContentType ClipItem::contentType() const
{
    return clipContentTypeFromRaw(m_contentTypeRaw).value_or(ClipContentType::Text);
}

void ClipItem::setContent(const QByteArray &content)
{
    if (m_contentLoaded && m_content == content)
        return;
    m_content = content;
    m_contentLoaded = true;
    markChanged(ContentField);
    Q_EMIT contentChanged();
}

void ClipItem::setContentTypeRaw(const QString &raw)
{
    if (m_contentTypeRaw == raw)
        return;
    m_contentTypeRaw = raw;
    markChanged(ContentTypeRawField);
    Q_EMIT contentTypeRawChanged();
}

void ClipItem::setTextPreview(const std::optional<QString> &preview)
{
    if (m_textPreview == preview)
        return;
    m_textPreview = preview;
    markChanged(TextPreviewField);
    Q_EMIT textPreviewChanged();
}

void ClipItem::setThumbnailData(const std::optional<QByteArray> &data)
{
    if (m_thumbnailData == data)
        return;
    m_thumbnailData = data;
    markChanged(ThumbnailDataField);
    Q_EMIT thumbnailDataChanged();
}

void ClipItem::setRichTextData(const std::optional<QByteArray> &data)
{
    if (m_richTextLoaded && m_richTextData == data)
        return;
    m_richTextData = data;
    m_richTextLoaded = true;
    markChanged(RichTextDataField);
    Q_EMIT richTextDataChanged();
}

void ClipItem::setIsPinned(bool pinned)
{
    if (m_isPinned == pinned)
        return;
    m_isPinned = pinned;
    markChanged(IsPinnedField);
    Q_EMIT isPinnedChanged();
}

void ClipItem::setTimestamp(const QDateTime &timestamp)
{
    if (m_timestamp == timestamp)
        return;
    m_timestamp = timestamp;
    markChanged(TimestampField);
    Q_EMIT timestampChanged();
}

void ClipItem::setContentHash(const QString &hash)
{
    if (m_contentHash == hash)
        return;
    m_contentHash = hash;
    markChanged(ContentHashField);
    Q_EMIT contentHashChanged();
}

void ClipItem::markChanged(Field field)
{
    m_changed |= field;
    if (m_context)
        m_context->itemChanged(this);
}
