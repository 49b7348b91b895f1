#pragma once

#include "platform/clipboardtargetgroup.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

/// What one owner of the X11 CLIPBOARD offered: bytes under target names.
struct ClipboardSnapshot {
    QMap<QString, QByteArray> content;
    /// The window that owned the clipboard (0 when nobody does).
    quint32 owner = 0;
    /// When the X server announced the new owner.
    std::chrono::steady_clock::time_point announcedAt;
};
Q_DECLARE_METATYPE(ClipboardSnapshot)

/// Watches the X11 CLIPBOARD selection from a thread and a connection of its own, and
/// reads each new owner's content there, so that no clipboard transfer ever blocks the
/// main thread: not a slow owner, not one that never answers, not 50 MB of text.
///
/// Every new owner is announced by the X server (XFixes); the watcher then asks for the
/// owner's targets and reads the wanted ones (large ones in increments). A newer owner
/// cuts a read short, and an owner that stops answering is given up after a timeout:
/// that change is then dropped. Each complete read is reported by contentChanged() on
/// the watcher's thread of creation; an owner that went away (or gave the clipboard up)
/// is reported as empty content without an owner.
///
/// Unless another client holds it, the watcher also takes the freedesktop clipboard
/// manager's part (the CLIPBOARD_MANAGER selection): an application that quits hands
/// its clipboard over (SAVE_TARGETS), and the watcher keeps serving every form of it
/// under the application's own target names. That hand-over is not reported: the
/// content is what the application had copied.
class X11ClipboardWatcher : public QObject
{
    Q_OBJECT

public:
    using TargetGroup = ClipboardTargetGroup;

    struct Options {
        QList<TargetGroup> groups;
        /// How long an owner may take to answer one request, or between increments.
        std::chrono::milliseconds replyTimeout{3000};
        /// Larger transfers are abandoned.
        qint64 maximumBytes = qint64(512) << 20;
    };

    /// Connects to the display named by DISPLAY and starts watching.
    explicit X11ClipboardWatcher(Options options, QObject *parent = nullptr);
    ~X11ClipboardWatcher() override;

    /// Whether the display could be reached and the XFixes extension is there.
    [[nodiscard]] bool isWatching() const { return m_watching; }

    /// Changes to windows of one X client (jotterly's own writes, through Qt's
    /// connection) are not read: every window in the client's id range, `idBase` and
    /// `idMask` as its connection setup gives them. With a mask of 0, the one window
    /// `idBase`.
    void ignoreClient(quint32 idBase, quint32 idMask) { m_ignored = (quint64(idBase) << 32) | idMask; }
    [[nodiscard]] bool isIgnored(quint32 window) const
    {
        const quint64 ignored = m_ignored.load();
        const auto base = quint32(ignored >> 32);
        return window != 0 && base != 0 && (window & ~quint32(ignored)) == base;
    }

    /// The window that owns the clipboard now, asked of the X server.
    [[nodiscard]] quint32 currentOwner() const;

Q_SIGNALS:
    void contentChanged(const ClipboardSnapshot &snapshot);
    /// A copy was dropped because it is larger than `maximumBytes`.
    void copyTooLarge(qint64 maximumBytes);

private:
    class Reader;

    std::unique_ptr<Reader> m_reader;
    std::thread m_thread;
    bool m_watching = false;
    std::atomic<quint64> m_ignored{0};
};
