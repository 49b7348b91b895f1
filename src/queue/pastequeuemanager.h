#pragma once

#include "platform/scheduler.h"
#include "store/clipitem.h"

#include <QObject>
#include <QPointer>
#include <qqmlintegration.h>

#include <optional>

class Alerts;
class ClipboardMonitor;
class GlobalKeyMonitor;
class Pasteboard;
struct GlobalKeyDown;

/// Pastes several history items one after another: the first item goes on the
/// clipboard, and each paste into another application replaces it with the next. It
/// never sends keystrokes itself. After the last item has been pasted the queue ends by
/// itself.
///
/// Where the clipboard tells when the active application read it (X11), that read is
/// the paste, whatever keystroke or menu asked for it; the keyboard is not watched.
/// Elsewhere each Ctrl+V pressed in another application counts as a paste.
class PasteQueueManager : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application runs the one paste queue.")

    /// A queue is running.
    Q_PROPERTY(bool isActive READ isActive NOTIFY isActiveChanged)
    /// How many items the running queue holds.
    Q_PROPERTY(int queueLength READ queueLength NOTIFY queuedItemsChanged)
    /// Index of the item now on the clipboard.
    Q_PROPERTY(int currentIndex READ currentIndex NOTIFY currentIndexChanged)
    /// Another clipboard tool reads everything written: pastes may go unseen, and the
    /// user moves the queue on by hand (advance()).
    Q_PROPERTY(bool pastesMayGoUnseen READ pastesMayGoUnseen NOTIFY pastesMayGoUnseenChanged)

public:
    /// How long the clipboard monitor stays paused after each write.
    static constexpr std::chrono::milliseconds resumeDelay{300};
    /// An application may ask for several forms of one paste, one after another: the
    /// next item goes on the clipboard once it has asked for nothing more for a moment,
    /// and at the latest this long after its first read.
    static constexpr std::chrono::milliseconds pasteReadSettle{50};
    static constexpr std::chrono::milliseconds pasteReadTimeout{500};

    /// `keyMonitor` may be null where the pasteboard reports reads: pastes are then seen
    /// as reads, and a queue over a pasteboard that does not is refused with the alert.
    PasteQueueManager(Pasteboard *pasteboard, Scheduler *scheduler, GlobalKeyMonitor *keyMonitor, Alerts *alerts,
                      QObject *parent = nullptr);
    ~PasteQueueManager() override;

    [[nodiscard]] bool isActive() const { return m_isActive; }
    [[nodiscard]] const QList<ClipItemPtr> &queuedItems() const { return m_queuedItems; }
    [[nodiscard]] int queueLength() const { return int(m_queuedItems.size()); }
    [[nodiscard]] int currentIndex() const { return m_currentIndex; }
    [[nodiscard]] bool pastesMayGoUnseen() const;

    void setClipboardMonitor(ClipboardMonitor *monitor);

    /// Starts pasting `items` in this order, replacing a running queue.
    void startQueue(const QList<ClipItemPtr> &items);
    /// Ends the queue; the clipboard keeps what the queue wrote last.
    Q_INVOKABLE void stopQueue();
    /// Puts the next item on the clipboard as if the current one had been pasted.
    Q_INVOKABLE void advance() { advanceQueue(); }

    /// The texts of the alert shown when the keyboard cannot be watched.
    // Source texts of the alert, translated when shown.
    static const char *const permissionMessage;
    static const char *const permissionInformativeText;

Q_SIGNALS:
    void isActiveChanged();
    void queuedItemsChanged();
    void currentIndexChanged();
    /// A queue started or was stopped (also a stop when none was running).
    void queueStateChanged();
    /// The last item of the queue was pasted: the queue has ended by itself.
    void queueExhausted();
    void pastesMayGoUnseenChanged();

private:
    void pasteCurrentItem();
    void startKeyMonitor();
    void stopKeyMonitor();
    void keyDown(const GlobalKeyDown &event);
    /// The active application read the clipboard.
    void contentRead();
    /// The paste whose reads were being gathered is complete.
    void finishPaste();
    void advanceQueue();
    void setIsActive(bool active);
    void setQueuedItems(const QList<ClipItemPtr> &items);
    void setCurrentIndex(int index);

    Pasteboard *m_pasteboard;
    Scheduler *m_scheduler;
    GlobalKeyMonitor *m_keyMonitor;
    Alerts *m_alerts;
    QPointer<ClipboardMonitor> m_clipboardMonitor;

    bool m_isActive = false;
    QList<ClipItemPtr> m_queuedItems;
    QList<ClipItemPtr> m_pasteContents; // detached copies of m_queuedItems, what is written
    int m_currentIndex = 0;
    std::optional<int> m_globalMonitor;
    bool m_pasteAwaitingRead = false;
    ScheduledTask m_pasteDeadline;
    ScheduledTask m_pasteSettle;
};
