#include "platform/wayland/waylandpasteboard.h"

#include "platform/wayland/waylandclipboardwatcher.h"

using namespace Qt::StringLiterals;

namespace {

WaylandClipboardWatcher::Options watchedTypes(const QString &display, std::chrono::milliseconds readAtOnceWindow)
{
    WaylandClipboardWatcher::Options options;
    options.display = display;
    options.readAtOnceWindow = readAtOnceWindow;
    options.groups = MimeDataPasteboard::watchedTargetGroups();
    return options;
}

} // namespace

WaylandPasteboard::WaylandPasteboard(const QString &display, std::chrono::milliseconds readAtOnceWindow, QObject *parent)
    : MimeDataPasteboard(parent)
    , m_watcher(new WaylandClipboardWatcher(watchedTypes(display, readAtOnceWindow), this))
{
    connect(m_watcher, &WaylandClipboardWatcher::contentChanged, this, &WaylandPasteboard::replaceContent);
    connect(m_watcher, &WaylandClipboardWatcher::contentRead, this,
            [this](const QString &, bool atOnce) { ownContentRead(atOnce); });
}

WaylandPasteboard::~WaylandPasteboard() = default;

bool WaylandPasteboard::isWatching() const
{
    return m_watcher->isAvailable();
}

void WaylandPasteboard::ownContentRead(bool atOnce)
{
    if (!atOnce) {
        Q_EMIT contentRead();
        return;
    }
    if (!m_writesReadAtOnce.isEmpty() && !m_writesReadAtOnce.constLast()) {
        m_writesReadAtOnce.last() = true;
        updateOthersReadEveryWrite();
    }
}

// Two of the last three writes read at once: another tool reads everything we write.
// A paste that comes that soon would not be told apart from its reads.
void WaylandPasteboard::updateOthersReadEveryWrite()
{
    const bool readEveryWrite = m_writesReadAtOnce.count(true) >= 2;
    if (readEveryWrite != m_othersReadEveryWrite) {
        m_othersReadEveryWrite = readEveryWrite;
        Q_EMIT othersReadEveryWriteChanged();
    }
}

void WaylandPasteboard::contentWritten(const ClipboardContent &content)
{
    m_writesReadAtOnce.append(false);
    if (m_writesReadAtOnce.size() > 3)
        m_writesReadAtOnce.removeFirst();
    updateOthersReadEveryWrite();
    ClipboardContent offered = content;
    // Toolkits differ in the name they ask plain text for.
    const auto text = content.constFind(u"text/plain;charset=utf-8"_s);
    if (text != content.cend()) {
        for (const QString &alias : {u"text/plain"_s, u"UTF8_STRING"_s})
            offered.insert(alias, *text);
    }
    m_watcher->setSelection(offered);
}
