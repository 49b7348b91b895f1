#include "platform/x11/x11clipboardwatcher.h"

#include "platform/x11/xcbutil.h"

#include <QHash>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdlib>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

using namespace std::chrono;

namespace {

using EventPtr = XcbPtr<xcb_generic_event_t>;

QString atomName(xcb_connection_t *connection, xcb_atom_t atom)
{
    const auto reply = xcbPtr(xcb_get_atom_name_reply(connection, xcb_get_atom_name(connection, atom), nullptr));
    if (!reply)
        return {};
    return QString::fromLatin1(xcb_get_atom_name_name(reply.get()), xcb_get_atom_name_name_length(reply.get()));
}

} // namespace

// Everything here runs on the watcher's own thread, except currentOwner() and stop(),
// which only use thread-safe parts of xcb and an eventfd.
class X11ClipboardWatcher::Reader
{
public:
    Reader(X11ClipboardWatcher *watcher, Options options)
        : m_watcher(watcher)
        , m_options(std::move(options))
    {
    }

    ~Reader()
    {
        if (m_connection)
            xcb_disconnect(m_connection);
        if (m_wakeFd >= 0)
            ::close(m_wakeFd);
    }

    bool connect()
    {
        m_connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_connection))
            return false;
        const xcb_query_extension_reply_t *xfixes = xcb_get_extension_data(m_connection, &xcb_xfixes_id);
        if (!xfixes || !xfixes->present)
            return false;
        m_xfixesEventBase = xfixes->first_event;
        const auto version = xcbPtr(xcb_xfixes_query_version_reply(m_connection, xcb_xfixes_query_version(m_connection, 1, 0), nullptr));
        if (!version)
            return false;

        m_clipboard = internAtom(m_connection, "CLIPBOARD");
        m_targets = internAtom(m_connection, "TARGETS");
        m_incr = internAtom(m_connection, "INCR");
        m_property = internAtom(m_connection, "JOTTERLY_CLIPBOARD");

        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_window = xcb_generate_id(m_connection);
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
        xcb_xfixes_select_selection_input(m_connection, m_window, m_clipboard,
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER
                                              | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
                                              | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        xcb_flush(m_connection);
        m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        return m_wakeFd >= 0 && !xcb_connection_has_error(m_connection);
    }

    void stop()
    {
        m_stopping = true;
        const uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(m_wakeFd, &one, sizeof one);
    }

    quint32 currentOwner() const
    {
        const auto reply = xcbPtr(xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, m_clipboard), nullptr));
        return reply ? reply->owner : 0;
    }

    void run()
    {
        while (!m_stopping) {
            if (!m_pending) {
                EventPtr event = nextEvent(std::nullopt);
                if (event)
                    noteOwnerChange(event.get());
                continue;
            }
            const Change change = *std::exchange(m_pending, std::nullopt);
            if (change.owner != XCB_NONE && change.owner == m_watcher->m_ignoredOwner.load())
                continue;
            ClipboardSnapshot snapshot;
            snapshot.owner = change.owner;
            snapshot.announcedAt = change.announcedAt;
            if (change.owner != XCB_NONE && !readContent(change.time, snapshot.content)) {
                // Superseded, given up, or stopping: this change is dropped. Only a copy
                // too large to keep is worth a word to the user.
                if (m_tooLarge && !m_stopping) {
                    QMetaObject::invokeMethod(
                        m_watcher, [watcher = m_watcher, limit = m_options.maximumBytes] { Q_EMIT watcher->copyTooLarge(limit); },
                        Qt::QueuedConnection);
                }
                continue;
            }
            QMetaObject::invokeMethod(
                m_watcher, [watcher = m_watcher, snapshot] { Q_EMIT watcher->contentChanged(snapshot); },
                Qt::QueuedConnection);
        }
    }

private:
    struct Change {
        xcb_window_t owner = XCB_NONE;
        xcb_timestamp_t time = XCB_CURRENT_TIME;
        steady_clock::time_point announcedAt;
    };

    // The next event, waiting until `deadline` (forever without one). Null on timeout,
    // when stopping, or when the connection broke.
    EventPtr nextEvent(std::optional<steady_clock::time_point> deadline)
    {
        while (!m_stopping) {
            if (xcb_generic_event_t *event = xcb_poll_for_event(m_connection))
                return xcbPtr(event);
            if (xcb_connection_has_error(m_connection)) {
                m_stopping = true;
                break;
            }
            int timeout = -1;
            if (deadline) {
                const auto left = duration_cast<milliseconds>(*deadline - steady_clock::now()).count();
                if (left <= 0)
                    break;
                timeout = int(left);
            }
            pollfd fds[] = {{xcb_get_file_descriptor(m_connection), POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
            ::poll(fds, 2, timeout);
        }
        return xcbPtr<xcb_generic_event_t>(nullptr);
    }

    // The first event that `matches`, within the reply timeout. Null when the owner took
    // too long (the read is given up), a new owner was announced, or we are stopping.
    template<typename Matches>
    EventPtr waitForEvent(Matches matches)
    {
        const auto deadline = steady_clock::now() + m_options.replyTimeout;
        for (;;) {
            EventPtr event = nextEvent(deadline);
            if (!event) {
                m_gaveUp = !m_stopping;
                return event;
            }
            if (noteOwnerChange(event.get()))
                return xcbPtr<xcb_generic_event_t>(nullptr);
            if (matches(event.get()))
                return event;
        }
    }

    // Remembers a new clipboard owner announced by `event`; true if it was one.
    bool noteOwnerChange(const xcb_generic_event_t *event)
    {
        if ((event->response_type & 0x7f) != m_xfixesEventBase + XCB_XFIXES_SELECTION_NOTIFY)
            return false;
        const auto *notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t *>(event);
        if (notify->selection != m_clipboard)
            return false;
        Change change;
        change.announcedAt = steady_clock::now();
        if (notify->subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER) {
            change.owner = notify->owner;
            change.time = notify->selection_timestamp;
        } // an owner that went away leaves the clipboard empty
        m_pending = change;
        return true;
    }

    // Reads the wanted targets of the current owner into `content`. False when the
    // read was cut short: a newer owner, an owner that stopped answering, or stopping.
    bool readContent(xcb_timestamp_t time, QMap<QString, QByteArray> &content)
    {
        m_gaveUp = false;
        m_tooLarge = false;
        const std::optional<QByteArray> targetList = convert(m_targets, time);
        if (!targetList)
            return false;
        QHash<QString, xcb_atom_t> offered;
        const auto *atoms = reinterpret_cast<const xcb_atom_t *>(targetList->constData());
        for (qsizetype i = 0; i < targetList->size() / qsizetype(sizeof(xcb_atom_t)); ++i)
            offered.insert(cachedAtomName(atoms[i]), atoms[i]);

        for (const TargetGroup &group : std::as_const(m_options.groups)) {
            for (const QString &target : group.targets) {
                if (!offered.contains(target))
                    continue;
                const std::optional<QByteArray> data = convert(offered.value(target), time);
                if (m_gaveUp || m_pending || m_stopping)
                    return false;
                if (!data)
                    continue; // refused or unreadable: try the group's next target
                content.insert(target, *data);
                if (group.conclusive && !data->isEmpty())
                    return true;
                break;
            }
        }
        return true;
    }

    QString cachedAtomName(xcb_atom_t atom)
    {
        auto it = m_atomNames.constFind(atom);
        if (it == m_atomNames.cend())
            it = m_atomNames.insert(atom, atomName(m_connection, atom));
        return *it;
    }

    // Asks the owner for one target and reads the answer, in increments if the owner
    // sends it so. None when refused, too slow, too large, cut short or stopping.
    std::optional<QByteArray> convert(xcb_atom_t target, xcb_timestamp_t time)
    {
        xcb_delete_property(m_connection, m_window, m_property);
        xcb_convert_selection(m_connection, m_window, m_clipboard, target, m_property, time);
        xcb_flush(m_connection);

        const EventPtr event = waitForEvent([&](const xcb_generic_event_t *event) {
            const auto *notify = reinterpret_cast<const xcb_selection_notify_event_t *>(event);
            return (event->response_type & 0x7f) == XCB_SELECTION_NOTIFY && notify->requestor == m_window
                && notify->selection == m_clipboard && notify->target == target;
        });
        if (!event || reinterpret_cast<const xcb_selection_notify_event_t *>(event.get())->property == XCB_ATOM_NONE)
            return std::nullopt; // given up, cut short, or the owner refused this target

        xcb_atom_t type = XCB_ATOM_NONE;
        std::optional<QByteArray> value = takeProperty(&type);
        if (!value)
            m_gaveUp = true;
        if (!value || type != m_incr)
            return value;
        return readIncrements();
    }

    // Reads and deletes our property; deleting it also tells an incremental sender
    // to go on.
    std::optional<QByteArray> takeProperty(xcb_atom_t *type)
    {
        const auto reply = xcbPtr(xcb_get_property_reply(m_connection,
                                   xcb_get_property(m_connection, 1, m_window, m_property, XCB_GET_PROPERTY_TYPE_ANY,
                                                    0, uint32_t(m_options.maximumBytes / 4)),
                                   nullptr));
        xcb_flush(m_connection);
        if (reply && reply->bytes_after > 0)
            m_tooLarge = true;
        if (!reply || reply->bytes_after > 0)
            return std::nullopt;
        *type = reply->type;
        const auto *bytes = static_cast<const char *>(xcb_get_property_value(reply.get()));
        return QByteArray(bytes, xcb_get_property_value_length(reply.get()));
    }

    std::optional<QByteArray> readIncrements()
    {
        QByteArray data;
        for (;;) {
            // Each increment must come within the timeout of the previous one.
            const EventPtr event = waitForEvent([&](const xcb_generic_event_t *event) {
                const auto *notify = reinterpret_cast<const xcb_property_notify_event_t *>(event);
                return (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY && notify->window == m_window
                    && notify->atom == m_property && notify->state == XCB_PROPERTY_NEW_VALUE;
            });
            if (!event)
                return std::nullopt;
            xcb_atom_t type = XCB_ATOM_NONE;
            const std::optional<QByteArray> chunk = takeProperty(&type);
            if (!chunk || data.size() + chunk->size() > m_options.maximumBytes) {
                m_tooLarge = m_tooLarge || chunk.has_value();
                m_gaveUp = true;
                return std::nullopt;
            }
            if (chunk->isEmpty())
                return data; // an empty increment ends the transfer
            data += *chunk;
        }
    }

    X11ClipboardWatcher *m_watcher;
    Options m_options;
    xcb_connection_t *m_connection = nullptr;
    int m_wakeFd = -1;
    std::atomic<bool> m_stopping{false};
    uint8_t m_xfixesEventBase = 0;
    xcb_atom_t m_clipboard = XCB_ATOM_NONE;
    xcb_atom_t m_targets = XCB_ATOM_NONE;
    xcb_atom_t m_incr = XCB_ATOM_NONE;
    xcb_atom_t m_property = XCB_ATOM_NONE;
    xcb_window_t m_window = XCB_WINDOW_NONE;
    std::optional<Change> m_pending;
    bool m_gaveUp = false; // the current read timed out or grew too large
    bool m_tooLarge = false; // the current read grew beyond the maximum size
    QHash<xcb_atom_t, QString> m_atomNames;
};

X11ClipboardWatcher::X11ClipboardWatcher(Options options, QObject *parent)
    : QObject(parent)
    , m_reader(std::make_unique<Reader>(this, std::move(options)))
{
    qRegisterMetaType<ClipboardSnapshot>();
    m_watching = m_reader->connect();
    if (m_watching)
        m_thread = std::thread([reader = m_reader.get()] { reader->run(); });
}

X11ClipboardWatcher::~X11ClipboardWatcher()
{
    if (m_thread.joinable()) {
        m_reader->stop();
        m_thread.join();
    }
}

quint32 X11ClipboardWatcher::currentOwner() const
{
    return m_watching ? m_reader->currentOwner() : 0;
}
