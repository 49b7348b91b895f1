#pragma once

#include "store/clipcontenttype.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUuid>

#include <memory>
#include <optional>

class ModelContext;

/// Number of user-perceived characters that a text preview keeps.
inline constexpr int textPreviewLength = 200;

/// The first `maxCharacters` user-perceived characters (grapheme clusters) of `text`,
/// verbatim; a text that short or shorter is returned whole. Never splits an accented
/// letter or an emoji sequence.
[[nodiscard]] QString makeTextPreview(const QString &text, int maxCharacters = textPreviewLength);

/// The same preview of text given as UTF-8 bytes, decoding only as much of them as the
/// preview needs; invalid sequences read as replacement characters.
[[nodiscard]] QString makeUtf8TextPreview(const QByteArray &utf8, int maxCharacters = textPreviewLength);

/// Lowercase hexadecimal SHA-256 over the kind's raw string followed by `content`.
/// What duplicate detection compares; always 64 characters.
[[nodiscard]] QString computeContentHash(ClipContentType type, const QByteArray &content);

class ClipItem;
using ClipItemPtr = std::shared_ptr<ClipItem>;

/// One value the user copied: the only record type of the history.
///
/// Items are shared objects: the store context keeps exactly one ClipItem per stored
/// record, and every list, queue or view holding a record holds that same object, so a
/// field written through any holder is seen by all and saved by the next save. Every
/// field is observable. Equality is identity of the object.
///
/// `content` and `richTextData` can be large (images, long documents); for records
/// fetched from the store they are read from disk when first asked for, so listing the
/// history never loads them.
class ClipItem : public QObject, public std::enable_shared_from_this<ClipItem>
{
    Q_OBJECT

    /// Stable identity used by views and selections.
    Q_PROPERTY(QUuid id READ id CONSTANT)
    /// The raw kind string as stored.
    Q_PROPERTY(QString contentTypeRaw READ contentTypeRaw WRITE setContentTypeRaw NOTIFY contentTypeRawChanged)
    /// The preview text shown in lists; empty when the item has none.
    Q_PROPERTY(QString textPreview READ textPreviewOrEmpty NOTIFY textPreviewChanged)
    /// Whether a thumbnail is attached (image items, once it is made).
    Q_PROPERTY(bool hasThumbnail READ hasThumbnail NOTIFY thumbnailDataChanged)
    /// Pinned items are listed apart and never trimmed or cleared.
    Q_PROPERTY(bool isPinned READ isPinned WRITE setIsPinned NOTIFY isPinnedChanged)
    /// When the item was captured or last pasted back.
    Q_PROPERTY(QDateTime timestamp READ timestamp WRITE setTimestamp NOTIFY timestampChanged)
    /// Content hash used for duplicate detection.
    Q_PROPERTY(QString contentHash READ contentHash WRITE setContentHash NOTIFY contentHashChanged)

public:
    /// A new, detached item: a fresh random id, not pinned, stamped with the current
    /// time. It joins the history only when inserted into a store context.
    [[nodiscard]] static ClipItemPtr create(const QByteArray &content, ClipContentType type,
                                            const std::optional<QString> &textPreview,
                                            const std::optional<QByteArray> &thumbnailData,
                                            const std::optional<QByteArray> &richTextData,
                                            const QString &contentHash);
    ~ClipItem() override;

    [[nodiscard]] QUuid id() const { return m_id; }
    [[nodiscard]] QByteArray content() const;
    /// The content, read for one use: a large content that was on disk only goes back
    /// to being on disk only, so the caller's copy is the one copy in memory.
    [[nodiscard]] QByteArray contentForOneUse() const;
    [[nodiscard]] QString contentTypeRaw() const { return m_contentTypeRaw; }
    [[nodiscard]] std::optional<QString> textPreview() const { return m_textPreview; }
    [[nodiscard]] QString textPreviewOrEmpty() const { return m_textPreview.value_or(QString()); }
    [[nodiscard]] std::optional<QByteArray> thumbnailData() const { return m_thumbnailData; }
    [[nodiscard]] bool hasThumbnail() const { return m_thumbnailData.has_value(); }
    [[nodiscard]] std::optional<QByteArray> richTextData() const;
    [[nodiscard]] bool isPinned() const { return m_isPinned; }
    [[nodiscard]] QDateTime timestamp() const { return m_timestamp; }
    [[nodiscard]] QString contentHash() const { return m_contentHash; }

    /// The kind read from `contentTypeRaw`; any string other than the five raw strings
    /// reads as text.
    [[nodiscard]] ClipContentType contentType() const;

    void setContent(const QByteArray &content);
    void setContentTypeRaw(const QString &raw);
    void setTextPreview(const std::optional<QString> &preview);
    void setThumbnailData(const std::optional<QByteArray> &data);
    void setRichTextData(const std::optional<QByteArray> &data);
    void setIsPinned(bool pinned);
    void setTimestamp(const QDateTime &timestamp);
    void setContentHash(const QString &hash);

    /// The context that holds this item, or null for a detached item.
    [[nodiscard]] ModelContext *modelContext() const;

    /// Whether `content` and `richTextData` are in memory (false for a stored record
    /// whose large fields have not been asked for yet).
    [[nodiscard]] bool areLargeFieldsLoaded() const { return m_contentLoaded && m_richTextLoaded; }

Q_SIGNALS:
    void contentChanged();
    void contentTypeRawChanged();
    void textPreviewChanged();
    void thumbnailDataChanged();
    void richTextDataChanged();
    void isPinnedChanged();
    void timestampChanged();
    void contentHashChanged();

private:
    friend class ModelContext;

    /// Fields as a bit set, so the context writes back only what changed.
    enum Field : unsigned {
        ContentField = 1u << 0,
        ContentTypeRawField = 1u << 1,
        TextPreviewField = 1u << 2,
        ThumbnailDataField = 1u << 3,
        RichTextDataField = 1u << 4,
        IsPinnedField = 1u << 5,
        TimestampField = 1u << 6,
        ContentHashField = 1u << 7,
    };

    ClipItem() = default;
    void markChanged(Field field);

    QUuid m_id;
    mutable QByteArray m_content;
    QString m_contentTypeRaw;
    std::optional<QString> m_textPreview;
    std::optional<QByteArray> m_thumbnailData;
    mutable std::optional<QByteArray> m_richTextData;
    bool m_isPinned = false;
    QDateTime m_timestamp;
    QString m_contentHash;

    // Store bookkeeping, kept by ModelContext.
    QPointer<ModelContext> m_context;
    qint64 m_rowId = 0;      // 0 until the record has been saved
    unsigned m_changed = 0;  // fields changed since the last save
    mutable bool m_contentLoaded = true;
    mutable bool m_richTextLoaded = true;
};
