#pragma once

#include "platform/mimedatapasteboard.h"

#include <chrono>

class QMimeData;
class X11ClipboardWatcher;
struct ClipboardSnapshot;

/// The X11 CLIPBOARD selection as jotterly's pasteboard.
///
/// Other applications' copies are read by an X11ClipboardWatcher on its own thread;
/// the content arrives here complete, so every read on the main thread is instant and
/// the change count moves only once there is something to read. Our own writes go out
/// through QClipboard, which serves them to other applications, and move the count
/// before they return.
class X11Pasteboard : public MimeDataPasteboard
{
    Q_OBJECT

public:
    /// Needs a QGuiApplication on the xcb platform.
    explicit X11Pasteboard(QObject *parent = nullptr);
    ~X11Pasteboard() override;

    [[nodiscard]] bool reportsReads() const override { return true; }
    [[nodiscard]] bool hasIncomingChange() const override;

    /// Whether other applications' copies are seen (the display and XFixes are there).
    [[nodiscard]] bool isWatching() const;

protected:
    void contentWritten(const ClipboardContent &content) override;

private:
    void takeSnapshot(const ClipboardSnapshot &snapshot);

    X11ClipboardWatcher *m_watcher;
    bool m_knowsOwnWindows = false; // Qt's X connection, and so its windows, is known
    std::chrono::steady_clock::time_point m_lastWrite;
};
