#pragma once

#include "platform/clipboardtargetgroup.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

/// Watches and writes the Wayland clipboard through a data-control protocol
/// (ext-data-control-v1, else wlr-data-control-unstable-v1), from a thread and a
/// connection of its own. Data control sees every copy without keyboard focus, and
/// our own content is served without it.
///
/// For each new clipboard offer the wanted MIME types are read through pipes on the
/// watcher's thread; the complete content is then reported by contentChanged(). A newer
/// offer cancels reads in progress, and an owner that stops writing for longer than the
/// stall timeout is given up: that copy is dropped. Our own writes go out as a source of
/// ours, served from the same thread; the clipboard event that echoes it is not a copy.
/// Signals arrive on the watcher's thread of creation.
class WaylandClipboardWatcher : public QObject
{
    Q_OBJECT

public:
    using TargetGroup = ClipboardTargetGroup;

    struct Options {
        QList<TargetGroup> groups;
        /// The compositor's socket: a name in XDG_RUNTIME_DIR or an absolute path.
        /// Empty: WAYLAND_DISPLAY.
        QString display;
        /// How long a transfer may go without progress before it is given up.
        std::chrono::milliseconds stallTimeout{1000};
        /// Larger copies are abandoned.
        qint64 maximumBytes = qint64(512) << 20;
        /// Reads of our content this soon after we wrote it are made "at once": other
        /// clipboard tools read every new copy as it appears; a person pastes later.
        std::chrono::milliseconds readAtOnceWindow{150};
    };

    explicit WaylandClipboardWatcher(Options options, QObject *parent = nullptr);
    ~WaylandClipboardWatcher() override;

    /// Whether the compositor was reached, offers data control, and still answers.
    [[nodiscard]] bool isAvailable() const { return m_available.load(); }
    /// The name of the data-control manager in use, empty when there is none.
    [[nodiscard]] QString protocolName() const { return m_protocolName; }

    /// Puts `content` (MIME type → bytes) on the clipboard, replacing what is there.
    /// Copies of others that were announced before this call are no longer reported.
    void setSelection(const QMap<QString, QByteArray> &content);

Q_SIGNALS:
    /// Another client's copy, read in full; empty when the clipboard became empty.
    void contentChanged(const QMap<QString, QByteArray> &content);
    /// Another client copied, but its content could not be read: the owner stopped
    /// sending, or sent more than the maximum.
    void copyDropped();
    /// Another client asked to read our content as `mimeType` (a paste, or a clipboard
    /// tool reading it); `atOnce` when that came within readAtOnceWindow of our write.
    void contentRead(const QString &mimeType, bool atOnce);
    /// A client that asked for our content stopped reading it; its transfer was dropped.
    void sendAbandoned(const QString &mimeType);
    /// Our content no longer holds the clipboard: someone else copied.
    void selectionReplaced();

private:
    class Connection;

    std::unique_ptr<Connection> m_connection;
    std::thread m_thread;
    std::atomic<bool> m_available{false};
    QString m_protocolName;
    // Our writes requested on this thread; snapshots read before the latest one was
    // on the clipboard are stale.
    quint64 m_writesRequested = 0;
};
