#include "queue/pastequeuemanager.h"

#include "capture/clipboardmonitor.h"
#include "history/pasteback.h"
#include "platform/alerts.h"
#include "platform/globalkeymonitor.h"
#include "platform/keycodes.h"
#include "platform/pasteboard.h"

using namespace Qt::StringLiterals;

const char *const PasteQueueManager::permissionMessage = QT_TR_NOOP("Input Monitoring Required");
const char *const PasteQueueManager::permissionInformativeText =
    QT_TR_NOOP("Jotterly needs Input Monitoring permission to detect ⌘V for paste queue. Grant access in System Settings → "
               "Privacy & Security → Input Monitoring, then try again.");

PasteQueueManager::PasteQueueManager(Pasteboard *pasteboard, Scheduler *scheduler, GlobalKeyMonitor *keyMonitor,
                                     Alerts *alerts, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_scheduler(scheduler)
    , m_keyMonitor(keyMonitor)
    , m_alerts(alerts)
{
    connect(m_pasteboard, &Pasteboard::contentRead, this, &PasteQueueManager::contentRead);
    connect(m_pasteboard, &Pasteboard::othersReadEveryWriteChanged, this, &PasteQueueManager::pastesMayGoUnseenChanged);
    if (m_keyMonitor)
        connect(m_keyMonitor, &GlobalKeyMonitor::keyDown, this, &PasteQueueManager::keyDown);
}

PasteQueueManager::~PasteQueueManager()
{
    stopKeyMonitor();
}

void PasteQueueManager::setClipboardMonitor(ClipboardMonitor *monitor)
{
    m_clipboardMonitor = monitor;
}

void PasteQueueManager::setIsActive(bool active)
{
    if (m_isActive == active)
        return;
    m_isActive = active;
    Q_EMIT isActiveChanged();
}

void PasteQueueManager::setQueuedItems(const QList<ClipItemPtr> &items)
{
    if (m_queuedItems == items)
        return;
    m_queuedItems = items;
    Q_EMIT queuedItemsChanged();
}

void PasteQueueManager::setCurrentIndex(int index)
{
    if (m_currentIndex == index)
        return;
    m_currentIndex = index;
    Q_EMIT currentIndexChanged();
}

void PasteQueueManager::startQueue(const QList<ClipItemPtr> &items)
{
    if (items.isEmpty())
        return;
    // A paste of a queue this one replaces must not advance it.
    m_pasteAwaitingRead = false;
    m_pasteDeadline.cancel();
    m_pasteSettle.cancel();
    // What the items hold now is what gets pasted, even if one of them is deleted or
    // trimmed from the history before its turn: a removed record's large content can no
    // longer be read from the store. The copies share the bytes with the items.
    m_pasteContents.clear();
    for (const ClipItemPtr &item : items) {
        ClipItemPtr copy = ClipItem::create(item->content(), ClipContentType::Text, std::nullopt, std::nullopt,
                                            item->richTextData(), item->contentHash());
        copy->setContentTypeRaw(item->contentTypeRaw());
        m_pasteContents << copy;
    }
    setQueuedItems(items);
    setCurrentIndex(0);
    setIsActive(true);
    Q_EMIT queueStateChanged();
    pasteCurrentItem();
    startKeyMonitor();
}

void PasteQueueManager::pasteCurrentItem()
{
    if (m_currentIndex >= m_queuedItems.size()) {
        stopQueue();
        Q_EMIT queueExhausted();
        return;
    }
    // Written like a copy back, but the item keeps its place in the history.
    if (m_clipboardMonitor)
        m_clipboardMonitor->setIsPaused(true);
    writeItemToPasteboard(*m_pasteboard, *m_pasteContents.at(m_currentIndex));
    m_scheduler->after(resumeDelay, this, [this] {
        if (m_clipboardMonitor)
            m_clipboardMonitor->resumeMonitoring();
    });
}

void PasteQueueManager::startKeyMonitor()
{
    stopKeyMonitor();
    if (m_pasteboard->reportsReads())
        return; // the pastes themselves are seen
    if (m_keyMonitor)
        m_globalMonitor = m_keyMonitor->addMonitor();
    if (m_globalMonitor)
        return;
    stopQueue();
    // There is no settings page to open on Linux: the alert only explains.
    m_alerts->run({tr(permissionMessage), tr(permissionInformativeText), {tr("OK")}, Alert::Style::Warning});
}

void PasteQueueManager::stopKeyMonitor()
{
    if (m_globalMonitor) {
        m_keyMonitor->removeMonitor(*m_globalMonitor);
        m_globalMonitor.reset();
    }
}

void PasteQueueManager::keyDown(const GlobalKeyDown &event)
{
    if (!m_globalMonitor)
        return;
    // Ctrl+V, whatever else is held, as long as the key types "v" (with Shift it is "V").
    if (!(event.modifierFlags & ModifierFlag::command) || event.charactersIgnoringModifiers != u"v"_s)
        return;
    m_scheduler->after(std::chrono::milliseconds(0), this, [this] { advanceQueue(); });
}

bool PasteQueueManager::pastesMayGoUnseen() const
{
    return m_pasteboard->othersReadEveryWrite();
}

void PasteQueueManager::contentRead()
{
    if (!m_isActive)
        return;
    // Each read of the paste starts the settle again; the deadline bounds the wait.
    if (!m_pasteAwaitingRead) {
        m_pasteAwaitingRead = true;
        m_pasteDeadline = m_scheduler->after(pasteReadTimeout, this, [this] { finishPaste(); });
    }
    m_pasteSettle.cancel();
    m_pasteSettle = m_scheduler->after(pasteReadSettle, this, [this] { finishPaste(); });
}

void PasteQueueManager::finishPaste()
{
    if (!m_pasteAwaitingRead)
        return;
    m_pasteAwaitingRead = false;
    m_pasteDeadline.cancel();
    m_pasteSettle.cancel();
    advanceQueue();
}

void PasteQueueManager::advanceQueue()
{
    if (!m_isActive)
        return; // a press that was on its way when the queue ended
    setCurrentIndex(m_currentIndex + 1);
    if (m_currentIndex < m_queuedItems.size()) {
        pasteCurrentItem();
        return;
    }
    stopQueue();
    Q_EMIT queueExhausted();
}

void PasteQueueManager::stopQueue()
{
    m_pasteAwaitingRead = false;
    m_pasteDeadline.cancel();
    m_pasteSettle.cancel();
    setIsActive(false);
    m_pasteContents.clear();
    setQueuedItems({});
    setCurrentIndex(0);
    stopKeyMonitor();
    Q_EMIT queueStateChanged();
}
