#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <optional>

/// The representations jotterly reads from and writes to the clipboard.
enum class PasteboardType {
    String, ///< plain text
    RTF,    ///< rich text as RTF bytes
    HTML,   ///< rich text as HTML, the form browsers and most toolkits offer
    PNG,    ///< image bytes
    TIFF,   ///< image bytes
    URL,    ///< a link as text
};

/// The form a rich text item's bytes are in. Items keep RTF or HTML, whichever the
/// copy offered; RTF always begins with "{\rtf", HTML never does.
[[nodiscard]] inline PasteboardType richTextType(const QByteArray &richText)
{
    return QByteArrayView(richText).trimmed().startsWith("{\\rtf") ? PasteboardType::RTF : PasteboardType::HTML;
}

/// The system clipboard as the rest of jotterly sees it. Every call is made on the main
/// thread and returns at once: reads come from content that is already in memory.
class Pasteboard : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    /// A number that changes every time anyone, jotterly included, writes the
    /// clipboard, and stays the same otherwise. A write of ours has moved it before the
    /// write returns.
    [[nodiscard]] virtual qint64 changeCount() const = 0;

    /// The first of `types`, in their order, that the clipboard offers now, or none.
    [[nodiscard]] virtual std::optional<PasteboardType> availableType(const QList<PasteboardType> &types) const = 0;
    /// The bytes of one representation, or none.
    [[nodiscard]] virtual std::optional<QByteArray> data(PasteboardType type) const = 0;
    /// The text of one representation, or none.
    [[nodiscard]] virtual std::optional<QString> string(PasteboardType type) const = 0;
    /// The file references on the clipboard, in clipboard order, or none.
    [[nodiscard]] virtual std::optional<QList<QUrl>> fileURLs() const = 0;
    /// The text of one representation as UTF-8 bytes, or none. Bytes offered as UTF-8
    /// come unchanged and unchecked, so a copied 300 MB text stays one copy: a sequence
    /// that is not valid UTF-8 is the reader's to replace, as string() does.
    [[nodiscard]] virtual std::optional<QByteArray> utf8String(PasteboardType type) const
    {
        const std::optional<QString> text = string(type);
        return text ? std::optional<QByteArray>(text->toUtf8()) : std::nullopt;
    }
    /// Capture has read the current content: representations too large to keep twice
    /// are let go (the history holds them now), and later reads no longer return them.
    virtual void releaseLargeContent() { }

    /// Empties the clipboard and takes ownership of it.
    virtual void clearContents() = 0;
    /// Adds a text representation.
    virtual void setString(const QString &string, PasteboardType type) = 0;
    /// Adds a byte representation.
    virtual void setData(const QByteArray &data, PasteboardType type) = 0;
    /// Adds URLs: file references, or one parsed web link.
    virtual void writeURLs(const QList<QUrl> &urls) = 0;

    /// Whether another application has taken the clipboard in a change that has not
    /// reached changeCount() yet (its content is still on its way).
    [[nodiscard]] virtual bool hasIncomingChange() const { return false; }

    /// The change count right after jotterly's latest write, or -1 where that is not
    /// known. A count beyond it is another application's copy.
    [[nodiscard]] virtual qint64 ownWriteChangeCount() const { return -1; }

    /// Whether changed() is announced for every move of changeCount(). Where it is, a
    /// watcher has nothing to poll for; where it is not, the count must be polled.
    [[nodiscard]] virtual bool reportsChanges() const { return false; }

    /// Whether contentRead() is announced. Where it is not, nobody can tell when
    /// another application has pasted what jotterly wrote.
    [[nodiscard]] virtual bool reportsReads() const { return false; }
    /// Whether another program (a clipboard tool) reads everything jotterly writes as
    /// soon as it is written, so that reads cannot all be told from pastes.
    [[nodiscard]] virtual bool othersReadEveryWrite() const { return false; }

Q_SIGNALS:
    /// The change count moved. Announced as soon as the change is known, so a watcher
    /// need not wait for its next poll.
    void changed();
    /// The application the user works in (the active window's) has read what jotterly
    /// last wrote: it pasted it. Once per representation it asked for; reads by other
    /// clients (clipboard managers, scripts in the background) and by jotterly itself
    /// are not announced. On the main thread, before the answer is sent.
    void contentRead();
    /// The clipboard became empty because the application that owned it went away
    /// (it quit without handing its content over). Announced after changed().
    void emptiedByOwnerExit();
    /// othersReadEveryWrite() changed.
    void othersReadEveryWriteChanged();
    /// Another application's copy was not read: it is larger than `maximumBytes`.
    void copyTooLarge(qint64 maximumBytes);
};
