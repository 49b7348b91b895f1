#pragma once

#include "platform/clipboardtargetgroup.h"
#include "platform/pasteboard.h"

#include <QHash>
#include <QMap>

/// Clipboard content as the X server carries it: bytes under target (MIME type) names.
using ClipboardContent = QMap<QString, QByteArray>;

/// A pasteboard whose content is held in memory, keyed by the MIME and X target names
/// that Linux applications offer and accept. It translates between those names and the
/// representation types the rest of jotterly uses. Used as it is in tests; the X11
/// clipboard builds on it.
class MimeDataPasteboard : public Pasteboard
{
    Q_OBJECT

public:
    using Pasteboard::Pasteboard;

    [[nodiscard]] qint64 changeCount() const override { return m_changeCount; }
    [[nodiscard]] qint64 ownWriteChangeCount() const override { return m_ownWriteChangeCount; }
    /// Every move of the count, ours or another application's, is announced.
    [[nodiscard]] bool reportsChanges() const override { return true; }
    [[nodiscard]] std::optional<PasteboardType> availableType(const QList<PasteboardType> &types) const override;
    [[nodiscard]] std::optional<QByteArray> data(PasteboardType type) const override;
    [[nodiscard]] std::optional<QString> string(PasteboardType type) const override;
    [[nodiscard]] std::optional<QList<QUrl>> fileURLs() const override;
    [[nodiscard]] std::optional<QByteArray> utf8String(PasteboardType type) const override;
    void releaseLargeContent() override;

    /// Representations larger than this are let go once captured.
    static constexpr qsizetype largeContentSize = 1 << 20;

    void clearContents() override;
    void setString(const QString &string, PasteboardType type) override;
    void setData(const QByteArray &data, PasteboardType type) override;
    void writeURLs(const QList<QUrl> &urls) override;

    /// What the clipboard holds now.
    [[nodiscard]] const ClipboardContent &content() const { return m_content; }

    /// Another application copied `content`: it replaces everything, the count moves
    /// and the change is announced.
    void replaceContent(const ClipboardContent &content);

    /// The target names read for a type, most preferred first.
    [[nodiscard]] static QStringList readTargets(PasteboardType type);

    /// What a clipboard watcher reads of another application's copy.
    [[nodiscard]] static QList<ClipboardTargetGroup> watchedTargetGroups();

protected:
    /// Called after each write of ours, with the content as it now stands.
    virtual void contentWritten(const ClipboardContent &content) { Q_UNUSED(content) }

private:
    void add(const ClipboardContent &representations);
    [[nodiscard]] std::optional<QString> firstTarget(PasteboardType type) const;

    ClipboardContent m_content;
    qint64 m_changeCount = 0;
    qint64 m_ownWriteChangeCount = -1;
    // Text already decoded from m_content, by target: capture asks for it more than once.
    mutable QHash<QString, QString> m_decoded;
};
