#include "platform/x11/x11pasteboard.h"

#include "platform/x11/x11clipboardwatcher.h"
#include "platform/x11/x11pastedetector.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QMimeData>

#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcX11Pasteboard, "jotterly.x11")

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
    // QClipboard owns the clipboard with a window of Qt's own connection: the watcher
    // leaves every window of that connection alone, from our first write on. The
    // offscreen platform answers to the X11 interface too, with no connection.
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 && x11->connection()) {
        const xcb_setup_t *setup = xcb_get_setup(x11->connection());
        m_watcher->ignoreClient(setup->resource_id_base, setup->resource_id_mask);
        m_knowsOwnWindows = true;
    }
}

X11Pasteboard::~X11Pasteboard() = default;

bool X11Pasteboard::isWatching() const
{
    return m_watcher->isWatching();
}

bool X11Pasteboard::hasIncomingChange() const
{
    const quint32 owner = m_watcher->currentOwner();
    return owner != 0 && !m_watcher->isIgnored(owner);
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
    const quint32 owner = m_watcher->currentOwner();
    if (!m_watcher->isIgnored(owner)) {
        if (m_knowsOwnWindows) {
            // Another application copied a moment before, later than the last event Qt
            // had seen, so the X server kept that owner. Its copy stays on the clipboard
            // and is read as usual: it is newer than what we meant to write.
            qCWarning(lcX11Pasteboard) << "Another application's copy came first; the clipboard keeps it";
            return;
        }
        // Without Qt's connection at hand, the owner right after our write is ours.
        m_watcher->ignoreClient(owner, 0);
    }
    m_lastWrite = std::chrono::steady_clock::now();
}

void X11Pasteboard::takeSnapshot(const ClipboardSnapshot &snapshot)
{
    // Our own content is already here; and a copy announced before our latest write
    // has been replaced by it.
    if (m_watcher->isIgnored(snapshot.owner) || snapshot.announcedAt < m_lastWrite)
        return;
    replaceContent(snapshot.content);
    if (snapshot.owner == 0)
        Q_EMIT emptiedByOwnerExit();
}
