#include "platform/wayland/waylandpasteboard.h"

#include "platform/wayland/waylandclipboardwatcher.h"

using namespace Qt::StringLiterals;

namespace {

WaylandClipboardWatcher::Options watchedTypes(const QString &display)
{
    WaylandClipboardWatcher::Options options;
    options.display = display;
    options.groups = MimeDataPasteboard::watchedTargetGroups();
    return options;
}

} // namespace

WaylandPasteboard::WaylandPasteboard(const QString &display, QObject *parent)
    : MimeDataPasteboard(parent)
    , m_watcher(new WaylandClipboardWatcher(watchedTypes(display), this))
{
    connect(m_watcher, &WaylandClipboardWatcher::contentChanged, this, &WaylandPasteboard::replaceContent);
    connect(m_watcher, &WaylandClipboardWatcher::contentRead, this, &Pasteboard::contentRead);
}

WaylandPasteboard::~WaylandPasteboard() = default;

bool WaylandPasteboard::isWatching() const
{
    return m_watcher->isAvailable();
}

void WaylandPasteboard::contentWritten(const ClipboardContent &content)
{
    ClipboardContent offered = content;
    // Toolkits differ in the name they ask plain text for.
    const auto text = content.constFind(u"text/plain;charset=utf-8"_s);
    if (text != content.cend()) {
        for (const QString &alias : {u"text/plain"_s, u"UTF8_STRING"_s})
            offered.insert(alias, *text);
    }
    m_watcher->setSelection(offered);
}
