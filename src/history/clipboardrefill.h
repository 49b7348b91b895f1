#pragma once

#include <QObject>
#include <QPointer>

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
    ClipboardRefill(Pasteboard *pasteboard, ClipboardMonitor *monitor, ModelContext *context, QObject *parent = nullptr);

private:
    void refill();

    Pasteboard *m_pasteboard;
    QPointer<ClipboardMonitor> m_monitor;
    QPointer<ModelContext> m_context;
};
