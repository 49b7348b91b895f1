#include "store/clipitem.h"

#include "store/modelcontext.h"

#include <QCryptographicHash>
#include <QTextBoundaryFinder>

#include <openssl/evp.h>

#include <memory>

QString makeTextPreview(const QString &text, int maxCharacters)
{
    // A string with no more UTF-16 units than the limit cannot hold more characters.
    if (text.size() <= maxCharacters)
        return text;

    // The boundary finder analyses all the text it is given, so give it a window that
    // grows only while it holds too few characters: a 50 MB copy costs no more than a
    // short one. Boundaries before the window's end do not depend on what follows it.
    qsizetype window = std::max<qsizetype>(4096, qsizetype(maxCharacters) * 8);
    for (;;) {
        const bool whole = window >= text.size();
        const QString part = whole ? text : text.left(window);
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, part);
        int characters = 0;
        qsizetype position;
        while ((position = finder.toNextBoundary()) != -1 && (whole || position < part.size())) {
            if (++characters == maxCharacters)
                return text.left(position);
        }
        if (whole)
            return text;
        window *= 4;
    }
}

QString makeUtf8TextPreview(const QByteArray &utf8, int maxCharacters)
{
    // Decodes a window that grows only while it holds too few characters, cut where no
    // character is split; makeTextPreview then finds the boundaries within it.
    for (qsizetype window = std::max<qsizetype>(16384, qsizetype(maxCharacters) * 32);; window *= 4) {
        if (window >= utf8.size())
            return makeTextPreview(QString::fromUtf8(utf8), maxCharacters);
        qsizetype cut = window;
        while (cut > 0 && (uchar(utf8.at(cut)) & 0xc0) == 0x80)
            --cut;
        const QString part = QString::fromUtf8(QByteArrayView(utf8).first(cut));
        // One character more than the preview keeps shows the last one kept is whole.
        const QString preview = makeTextPreview(part, maxCharacters + 1);
        if (preview.size() < part.size())
            return makeTextPreview(preview, maxCharacters);
    }
}

QString computeContentHash(ClipContentType type, const QByteArray &content)
{
    const QByteArray prefix = rawValue(type).toUtf8();
    // OpenSSL uses the processor's SHA instructions: ten times Qt's speed, which is what
    // keeps hashing a copied 100 MB picture from holding up the main thread.
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr)
        && EVP_DigestUpdate(context.get(), prefix.constData(), size_t(prefix.size()))
        && EVP_DigestUpdate(context.get(), content.constData(), size_t(content.size()))
        && EVP_DigestFinal_ex(context.get(), digest, &length)) {
        return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex());
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(prefix);
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

QByteArray ClipItem::contentForOneUse() const
{
    if (m_contentLoaded || !m_context)
        return m_content;
    QByteArray bytes = content();
    m_context->releaseLargeFields(*const_cast<ClipItem *>(this));
    return bytes;
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
