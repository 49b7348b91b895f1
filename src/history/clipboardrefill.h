#pragma once

#include "platform/scheduler.h"

#include <QObject>
#include <QPointer>

#include <chrono>

class ClipboardMonitor;
class ModelContext;
class Pasteboard;

/// Puts the newest history item back on the clipboard when the clipboard became empty
/// because the application that owned it went away, so that what was copied last can
/// still be pasted. The write is not recorded again and does not move the item.
class ClipboardRefill : public QObject
{
    Q_OBJECT

public:
    /// How long the clipboard monitor stays paused after the write.
    static constexpr std::chrono::milliseconds resumeDelay{500};

    ClipboardRefill(Pasteboard *pasteboard, Scheduler *scheduler, ClipboardMonitor *monitor, ModelContext *context,
                    QObject *parent = nullptr);

private:
    void refill();

    Pasteboard *m_pasteboard;
    Scheduler *m_scheduler;
    QPointer<ClipboardMonitor> m_monitor;
    QPointer<ModelContext> m_context;
};
