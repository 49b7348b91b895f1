#pragma once

#include "platform/mimedatapasteboard.h"

#include <chrono>

class WaylandClipboardWatcher;

/// The Wayland clipboard as jotterly's pasteboard, through a data-control protocol.
///
/// Other applications' copies are read by a WaylandClipboardWatcher on its own thread
/// and arrive here complete, so every read on the main thread is instant and the change
/// count moves only once there is something to read. Our own writes are served by the
/// watcher's thread too, and move the count before they return; each read of them by
/// another client is announced, except the reads that come at once after the write:
/// those are other clipboard tools that read every new copy, not pastes.
class WaylandPasteboard : public MimeDataPasteboard
{
    Q_OBJECT

public:
    /// `display`: the compositor's socket (name or path); empty for WAYLAND_DISPLAY.
    /// Reads within `readAtOnceWindow` of a write are counted as other tools' reads.
    explicit WaylandPasteboard(const QString &display = {}, std::chrono::milliseconds readAtOnceWindow = std::chrono::milliseconds(150),
                               QObject *parent = nullptr);
    ~WaylandPasteboard() override;

    [[nodiscard]] bool reportsReads() const override { return true; }
    [[nodiscard]] bool othersReadEveryWrite() const override { return m_othersReadEveryWrite; }

    /// Whether the compositor was reached and offers data control.
    [[nodiscard]] bool isWatching() const;

protected:
    void contentWritten(const ClipboardContent &content) override;

private:
    void ownContentRead(bool atOnce);
    void updateOthersReadEveryWrite();

    WaylandClipboardWatcher *m_watcher;
    // Whether each of our latest writes was read at once by someone, newest last.
    QList<bool> m_writesReadAtOnce;
    bool m_othersReadEveryWrite = false;
};
