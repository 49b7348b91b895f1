#include "platform/x11/x11pasteboard.h"

#include "platform/x11/x11clipboardwatcher.h"
#include "platform/x11/x11pastedetector.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

using namespace Qt::StringLiterals;

namespace {

X11ClipboardWatcher::Options watchedTargets()
{
    X11ClipboardWatcher::Options options;
    options.groups = MimeDataPasteboard::watchedTargetGroups();
    return options;
}

} // namespace

X11Pasteboard::X11Pasteboard(QObject *parent)
    : MimeDataPasteboard(parent)
    , m_watcher(new X11ClipboardWatcher(watchedTargets(), this))
{
    connect(m_watcher, &X11ClipboardWatcher::contentChanged, this, &X11Pasteboard::takeSnapshot);
    connect(new X11PasteDetector(this), &X11PasteDetector::pasted, this, &Pasteboard::contentRead);
    connect(m_watcher, &X11ClipboardWatcher::copyTooLarge, this, &X11Pasteboard::copyTooLarge);
}

X11Pasteboard::~X11Pasteboard() = default;

bool X11Pasteboard::isWatching() const
{
    return m_watcher->isWatching();
}

bool X11Pasteboard::hasIncomingChange() const
{
    const quint32 owner = m_watcher->currentOwner();
    return owner != 0 && owner != m_ownWindow;
}

void X11Pasteboard::contentWritten(const ClipboardContent &content)
{
    auto *mime = new QMimeData;
    for (auto it = content.cbegin(); it != content.cend(); ++it) {
        if (it.key() == u"text/plain;charset=utf-8"_s)
            mime->setText(QString::fromUtf8(it.value())); // Qt offers it as UTF8_STRING, STRING and TEXT too
        mime->setData(it.key(), it.value());
    }
    QGuiApplication::clipboard()->setMimeData(mime, QClipboard::Clipboard);
    m_lastWrite = std::chrono::steady_clock::now();
    // The window Qt owns the clipboard with: the watcher need not read our own writes.
    if (!m_ownWindow) {
        m_ownWindow = m_watcher->currentOwner();
        m_watcher->ignoreOwner(m_ownWindow);
    }
}

void X11Pasteboard::takeSnapshot(const ClipboardSnapshot &snapshot)
{
    // Our own content is already here; and a copy announced before our latest write
    // has been replaced by it.
    if ((m_ownWindow && snapshot.owner == m_ownWindow) || snapshot.announcedAt < m_lastWrite)
        return;
    replaceContent(snapshot.content);
    if (snapshot.owner == 0)
        Q_EMIT emptiedByOwnerExit();
}
