#include "platform/x11/x11clipboardwatcher.h"

#include "platform/x11/xcbutil.h"

#include <QHash>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
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
        for (size_t i = 0; i < m_properties.size(); ++i)
            m_properties[i] = internAtom(m_connection, QByteArray("JOTTERLY_CLIPBOARD_" + QByteArray::number(qulonglong(i))).constData());
        m_clipboardManager = internAtom(m_connection, "CLIPBOARD_MANAGER");
        m_saveTargets = internAtom(m_connection, "SAVE_TARGETS");
        m_timestamp = internAtom(m_connection, "TIMESTAMP");
        for (const char *name : {"TARGETS", "TIMESTAMP", "MULTIPLE", "SAVE_TARGETS", "DELETE", "INSERT_SELECTION",
                                 "INSERT_PROPERTY"})
            m_metaTargets.push_back(internAtom(m_connection, name));

        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_window = xcb_generate_id(m_connection);
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
        xcb_xfixes_select_selection_input(m_connection, m_window, m_clipboard,
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER
                                              | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
                                              | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        becomeClipboardManager(screen->root);
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
        // Moving a copy of hundreds of megabytes keeps this thread busy for seconds; the
        // thread that draws the panel gets the processor first.
        setpriority(PRIO_PROCESS, gettid(), 5);
        while (!m_stopping) {
            if (!m_pending) {
                EventPtr event = xcbPtr<xcb_generic_event_t>(nullptr);
                if (!m_deferred.empty()) {
                    event = std::move(m_deferred.front());
                    m_deferred.pop_front();
                } else {
                    event = nextEvent(std::nullopt);
                }
                if (event && !answerRequest(event.get()))
                    noteOwnerChange(event.get());
                continue;
            }
            const Change change = *std::exchange(m_pending, std::nullopt);
            // Our own writes, and what we keep for an application that has quit, are
            // already known.
            if (change.owner != XCB_NONE && (m_watcher->isIgnored(change.owner) || change.owner == m_window))
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
    // Requests to us wait until the read is over.
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
            const uint8_t type = event->response_type & 0x7f;
            if (type == XCB_SELECTION_REQUEST || type == XCB_SELECTION_CLEAR) {
                m_deferred.push_back(std::move(event));
                continue;
            }
            if (noteOwnerChange(event.get()))
                return xcbPtr<xcb_generic_event_t>(nullptr);
            if (matches(event.get()))
                return event;
        }
    }

    // Takes the freedesktop clipboard manager's part, unless another client has it:
    // applications that quit then hand their clipboard to us instead of emptying it.
    void becomeClipboardManager(xcb_window_t root)
    {
        const auto owner = xcbPtr(xcb_get_selection_owner_reply(
            m_connection, xcb_get_selection_owner(m_connection, m_clipboardManager), nullptr));
        if (!owner || owner->owner != XCB_NONE)
            return;
        xcb_set_selection_owner(m_connection, m_window, m_clipboardManager, XCB_CURRENT_TIME);
        const auto check = xcbPtr(xcb_get_selection_owner_reply(
            m_connection, xcb_get_selection_owner(m_connection, m_clipboardManager), nullptr));
        if (!check || check->owner != m_window)
            return;
        // Announced to the root window as a new manager (ICCCM 2.8).
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = root;
        message.type = internAtom(m_connection, "MANAGER");
        message.data.data32[0] = XCB_CURRENT_TIME;
        message.data.data32[1] = m_clipboardManager;
        message.data.data32[2] = m_window;
        xcb_send_event(m_connection, 0, root, XCB_EVENT_MASK_STRUCTURE_NOTIFY, reinterpret_cast<const char *>(&message));
    }

    // Answers a request for a selection we own, or notes that we lost one; false for
    // any other event.
    bool answerRequest(const xcb_generic_event_t *event)
    {
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_CLEAR) {
            const auto *clear = reinterpret_cast<const xcb_selection_clear_event_t *>(event);
            if (clear->selection == m_clipboard)
                m_kept.clear();
            return true;
        }
        if (type != XCB_SELECTION_REQUEST)
            return false;
        const auto *request = reinterpret_cast<const xcb_selection_request_event_t *>(event);
        // Clients older than ICCCM 2.0 name no property: the target then stands for it.
        const xcb_atom_t property = request->property == XCB_ATOM_NONE ? request->target : request->property;
        bool answered = false;
        if (request->selection == m_clipboardManager) {
            if (request->target == m_saveTargets)
                answered = keepClipboard(*request);
            else if (request->target == m_targets)
                answered = putAtoms(*request, property, {m_targets, m_saveTargets});
        } else if (request->selection == m_clipboard && !m_kept.isEmpty()) {
            answered = serveKept(*request, property);
        }
        xcb_selection_notify_event_t notify{};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request->time;
        notify.requestor = request->requestor;
        notify.selection = request->selection;
        notify.target = request->target;
        notify.property = answered ? property : xcb_atom_t(XCB_ATOM_NONE);
        xcb_send_event(m_connection, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&notify));
        xcb_flush(m_connection);
        return true;
    }

    bool putAtoms(const xcb_selection_request_event_t &request, xcb_atom_t property, const QList<xcb_atom_t> &atoms)
    {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM, 32,
                            uint32_t(atoms.size()), atoms.constData());
        return true;
    }

    // An application that quits hands its clipboard over (SAVE_TARGETS): we read every
    // form it offers, or those it names, take the clipboard and serve them from now on.
    bool keepClipboard(const xcb_selection_request_event_t &request)
    {
        QList<xcb_atom_t> targets;
        if (request.property != XCB_ATOM_NONE) {
            const auto named = xcbPtr(xcb_get_property_reply(
                m_connection,
                xcb_get_property(m_connection, 0, request.requestor, request.property, XCB_ATOM_ATOM, 0, 4096), nullptr));
            if (named && named->format == 32) {
                const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(named.get()));
                targets = QList<xcb_atom_t>(atoms, atoms + xcb_get_property_value_length(named.get()) / 4);
            }
        }
        m_gaveUp = false;
        if (targets.isEmpty()) {
            const std::optional<QByteArray> offered = convert(m_targets, XCB_CURRENT_TIME);
            if (!offered)
                return false;
            const auto *atoms = reinterpret_cast<const xcb_atom_t *>(offered->constData());
            targets = QList<xcb_atom_t>(atoms, atoms + offered->size() / qsizetype(sizeof(xcb_atom_t)));
        }
        QMap<xcb_atom_t, Kept> kept;
        for (const xcb_atom_t target : std::as_const(targets)) {
            if (m_metaTargets.contains(target) || kept.contains(target))
                continue;
            Kept value;
            const std::optional<QByteArray> data = convert(target, XCB_CURRENT_TIME, &value.type, &value.format);
            if (m_gaveUp || m_pending || m_stopping)
                return false;
            if (!data)
                continue;
            value.data = *data;
            kept.insert(target, value);
        }
        if (kept.isEmpty())
            return false;
        xcb_set_selection_owner(m_connection, m_window, m_clipboard, XCB_CURRENT_TIME);
        const auto owner = xcbPtr(
            xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, m_clipboard), nullptr));
        if (!owner || owner->owner != m_window)
            return false;
        m_kept = kept;
        return true;
    }

    // Serves what an application that quit handed over, under its own target names.
    bool serveKept(const xcb_selection_request_event_t &request, xcb_atom_t property)
    {
        if (request.target == m_targets) {
            QList<xcb_atom_t> atoms{m_targets, m_timestamp};
            atoms << m_kept.keys();
            return putAtoms(request, property, atoms);
        }
        if (request.target == m_timestamp) {
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_INTEGER, 32,
                                1, &m_keptSince);
            return true;
        }
        const auto it = m_kept.constFind(request.target);
        // What does not fit into one request is refused rather than sent in increments.
        const qsizetype limit = qsizetype(xcb_get_maximum_request_length(m_connection)) * 4 - 64;
        if (it == m_kept.cend() || it->data.size() > limit)
            return false;
        const uint8_t format = it->format == 16 || it->format == 32 ? it->format : 8;
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property, it->type, format,
                            uint32_t(it->data.size() / (format / 8)), it->data.constData());
        return true;
    }

    // Remembers a new clipboard owner announced by `event`; true if it was one.
    bool noteOwnerChange(const xcb_generic_event_t *event)
    {
        if ((event->response_type & 0x7f) != m_xfixesEventBase + XCB_XFIXES_SELECTION_NOTIFY)
            return false;
        const auto *notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t *>(event);
        if (notify->selection != m_clipboard)
            return false;
        if (notify->owner == m_window)
            m_keptSince = notify->selection_timestamp;
        else
            m_kept.clear(); // another owner: what we kept is gone
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
    std::optional<QByteArray> convert(xcb_atom_t target, xcb_timestamp_t time, xcb_atom_t *valueType = nullptr,
                                      uint8_t *valueFormat = nullptr)
    {
        // Each request names a property of its own: an owner that answers a request we
        // gave up on, late, then writes where the next request does not look.
        m_property = m_properties[m_nextProperty++ % m_properties.size()];
        xcb_delete_property(m_connection, m_window, m_property);
        xcb_convert_selection(m_connection, m_window, m_clipboard, target, m_property, time);
        xcb_flush(m_connection);

        const EventPtr event = waitForEvent([&](const xcb_generic_event_t *event) {
            const auto *notify = reinterpret_cast<const xcb_selection_notify_event_t *>(event);
            return (event->response_type & 0x7f) == XCB_SELECTION_NOTIFY && notify->requestor == m_window
                && notify->selection == m_clipboard && notify->target == target
                && (notify->property == m_property || notify->property == XCB_ATOM_NONE);
        });
        if (!event || reinterpret_cast<const xcb_selection_notify_event_t *>(event.get())->property == XCB_ATOM_NONE)
            return std::nullopt; // given up, cut short, or the owner refused this target

        xcb_atom_t type = XCB_ATOM_NONE;
        std::optional<QByteArray> value = takeProperty(&type, valueFormat);
        if (!value)
            m_gaveUp = true;
        if (valueType)
            *valueType = type;
        if (!value || type != m_incr)
            return value;
        // The owner announces at least how much it will send: room for it is made once,
        // rather than the transfer being copied each time it outgrows its buffer.
        quint32 announced = 0;
        if (value->size() >= qsizetype(sizeof(announced)))
            std::memcpy(&announced, value->constData(), sizeof(announced));
        return readIncrements(std::min<qint64>(announced, m_options.maximumBytes), valueType, valueFormat);
    }

    // Reads and deletes our property; deleting it also tells an incremental sender
    // to go on.
    std::optional<QByteArray> takeProperty(xcb_atom_t *type, uint8_t *format = nullptr)
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
        if (format)
            *format = reply->format;
        const auto *bytes = static_cast<const char *>(xcb_get_property_value(reply.get()));
        return QByteArray(bytes, xcb_get_property_value_length(reply.get()));
    }

    std::optional<QByteArray> readIncrements(qint64 announcedSize, xcb_atom_t *valueType, uint8_t *valueFormat)
    {
        QByteArray data;
        data.reserve(announcedSize);
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
            const std::optional<QByteArray> chunk = takeProperty(&type, valueFormat);
            if (valueType && chunk && !chunk->isEmpty())
                *valueType = type;
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
    std::array<xcb_atom_t, 4> m_properties{};
    size_t m_nextProperty = 0;
    xcb_atom_t m_property = XCB_ATOM_NONE; // the one the current request names
    xcb_window_t m_window = XCB_WINDOW_NONE;
    std::optional<Change> m_pending;
    std::deque<EventPtr> m_deferred; // requests to us that came during a read

    // The clipboard of an application that quit, as it handed it over.
    struct Kept {
        xcb_atom_t type = XCB_ATOM_NONE;
        uint8_t format = 8;
        QByteArray data;
    };
    xcb_atom_t m_clipboardManager = XCB_ATOM_NONE;
    xcb_atom_t m_saveTargets = XCB_ATOM_NONE;
    xcb_atom_t m_timestamp = XCB_ATOM_NONE;
    QList<xcb_atom_t> m_metaTargets; // targets that carry no content of their own
    QMap<xcb_atom_t, Kept> m_kept;
    xcb_timestamp_t m_keptSince = XCB_CURRENT_TIME;
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
