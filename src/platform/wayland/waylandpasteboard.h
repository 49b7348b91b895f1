#pragma once

#include "platform/mimedatapasteboard.h"

class WaylandClipboardWatcher;

/// The Wayland clipboard as jotterly's pasteboard, through a data-control protocol.
///
/// Other applications' copies are read by a WaylandClipboardWatcher on its own thread
/// and arrive here complete, so every read on the main thread is instant and the change
/// count moves only once there is something to read. Our own writes are served by the
/// watcher's thread too, and move the count before they return; each read of them by
/// another client is announced.
class WaylandPasteboard : public MimeDataPasteboard
{
    Q_OBJECT

public:
    /// `display`: the compositor's socket (name or path); empty for WAYLAND_DISPLAY.
    explicit WaylandPasteboard(const QString &display = {}, QObject *parent = nullptr);
    ~WaylandPasteboard() override;

    [[nodiscard]] bool reportsReads() const override { return true; }

    /// Whether the compositor was reached and offers data control.
    [[nodiscard]] bool isWatching() const;

protected:
    void contentWritten(const ClipboardContent &content) override;

private:
    WaylandClipboardWatcher *m_watcher;
};
