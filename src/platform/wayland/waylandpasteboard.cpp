#include "platform/wayland/waylandpasteboard.h"

#include "platform/wayland/waylandclipboardwatcher.h"

using namespace Qt::StringLiterals;

namespace {

WaylandClipboardWatcher::Options watchedTypes(const QString &display)
{
    // A picture ends the read: it wins over anything else the owner offers.
    WaylandClipboardWatcher::Options options;
    options.display = display;
    options.groups = {
        {MemoryPasteboard::readTargets(PasteboardType::PNG), true},
        {MemoryPasteboard::readTargets(PasteboardType::TIFF), true},
        {{u"text/uri-list"_s}, false},
        {{u"x-special/gnome-copied-files"_s}, false},
        {{u"text/x-moz-url"_s}, false},
        {MemoryPasteboard::readTargets(PasteboardType::String), false},
        {MemoryPasteboard::readTargets(PasteboardType::RTF), false},
    };
    return options;
}

} // namespace

WaylandPasteboard::WaylandPasteboard(const QString &display, QObject *parent)
    : MemoryPasteboard(parent)
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
