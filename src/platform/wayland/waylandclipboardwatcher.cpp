#include "platform/wayland/waylandclipboardwatcher.h"

#include "platform/wayland/waylanddatacontrol.h"

#include <QHash>
#include <QLoggingCategory>

#include <wayland-client.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

using namespace std::chrono;

Q_LOGGING_CATEGORY(lcWayland, "jotterly.wayland")

namespace {

using Content = QMap<QString, QByteArray>;

// A transfer's pipe end, closed with it.
class Fd
{
public:
    explicit Fd(int fd = -1)
        : m_fd(fd)
    {
    }
    Fd(Fd &&other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    {
    }
    Fd &operator=(Fd &&other) noexcept
    {
        reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    ~Fd() { reset(); }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    [[nodiscard]] int get() const { return m_fd; }

private:
    int m_fd;
};

bool setNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

// A reader that closes its end early must not kill the process with SIGPIPE: the write
// fails with EPIPE instead. Pipes, unlike sockets, have no per-call way to ask for that.
void ignoreSigpipe()
{
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

} // namespace

// Everything here runs on the watcher's own thread once it has started, except post()
// and stop(), which hand over under a mutex and wake the thread through an eventfd.
class WaylandClipboardWatcher::Connection final : public DataControlEvents
{
public:
    Connection(WaylandClipboardWatcher *watcher, Options options)
        : m_watcher(watcher)
        , m_options(std::move(options))
    {
    }

    ~Connection() override
    {
        m_read.reset();
        m_writes.clear();
        if (m_dataControl) {
            for (auto it = m_offers.cbegin(); it != m_offers.cend(); ++it)
                m_dataControl->destroyOffer(it.key());
            for (auto it = m_sources.cbegin(); it != m_sources.cend(); ++it)
                m_dataControl->destroySource(it.key());
        }
        m_dataControl.reset();
        if (m_seat)
            wl_seat_destroy(m_seat);
        if (m_registry)
            wl_registry_destroy(m_registry);
        if (m_display)
            wl_display_disconnect(m_display);
        if (m_wakeFd >= 0)
            ::close(m_wakeFd);
    }

    // Connects, finds a seat and a data-control manager, and takes the clipboard as it
    // is now as already known.
    bool connect()
    {
        // Without a display named, only a Wayland session's own: libwayland would try
        // "wayland-0" even outside one.
        const QByteArray name = m_options.display.isEmpty() ? qgetenv("WAYLAND_DISPLAY") : m_options.display.toLocal8Bit();
        if (name.isEmpty())
            return false;
        m_display = wl_display_connect(name.constData());
        if (!m_display)
            return false;
        m_registry = wl_display_get_registry(m_display);
        static constexpr wl_registry_listener registryListener = {
            [](void *data, wl_registry *, uint32_t name, const char *interface, uint32_t version) {
                static_cast<Connection *>(data)->globalAnnounced(name, interface, version);
            },
            [](void *, wl_registry *, uint32_t) {},
        };
        wl_registry_add_listener(m_registry, &registryListener, this);
        if (wl_display_roundtrip(m_display) < 0 || !m_seatName || m_managers.empty())
            return false;

        m_seat = static_cast<wl_seat *>(wl_registry_bind(m_registry, *m_seatName, &wl_seat_interface, 1));
        // The ext protocol where the compositor has both.
        const auto preferred = std::min_element(m_managers.cbegin(), m_managers.cend(),
                                                [](const auto &a, const auto &b) { return a.protocol < b.protocol; });
        m_dataControl = DataControl::bind(preferred->protocol, m_registry, preferred->name, preferred->version, this);
        if (!m_dataControl)
            return false;
        m_dataControl->createDevice(m_seat);
        m_starting = true;
        const bool answered = wl_display_roundtrip(m_display) >= 0;
        m_starting = false;
        m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        return answered && m_wakeFd >= 0;
    }

    [[nodiscard]] QString protocolName() const
    {
        return m_dataControl->protocol() == DataControl::Protocol::Ext ? QStringLiteral("ext-data-control-v1")
                                                                       : QStringLiteral("wlr-data-control-unstable-v1");
    }

    void post(quint64 generation, Content content)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_pendingWrite = PendingWrite{generation, std::move(content)}; // only the latest matters
        }
        wake();
    }

    void stop()
    {
        m_stopping = true;
        wake();
    }

    void run()
    {
        while (!m_stopping && pass()) {
        }
        m_watcher->m_available = false;
    }

    // DataControlEvents

    void offerIntroduced(wl_proxy *offer) override { m_offers.insert(offer, {}); }

    void offerType(wl_proxy *offer, const char *mimeType) override
    {
        const auto it = m_offers.find(offer);
        if (it != m_offers.end())
            it->append(QString::fromUtf8(mimeType));
    }

    void selection(wl_proxy *offer) override
    {
        if (offer && offer == m_selection)
            return; // the same offer announced again: nothing changed
        if (m_read)
            salvageRead();
        m_read.reset(); // a newer copy: the rest of this one is not waited for
        if (m_selection)
            forgetOffer(m_selection);
        m_selection = offer;
        // What is on the clipboard when we start is not a new copy. While our own source
        // holds the clipboard, a selection event is its echo, or a copy made before ours
        // that ours has replaced: the compositor cancels our source before it announces
        // anyone else's.
        if (m_starting || m_currentSource)
            return;
        if (!offer) {
            report({}); // the owner quit, or cleared the clipboard
            return;
        }
        m_read.emplace();
        m_read->offer = offer;
        m_read->offered = m_offers.value(offer);
        readNext();
    }

    void primarySelection(wl_proxy *offer) override
    {
        if (offer)
            forgetOffer(offer);
    }

    void deviceFinished() override { m_stopping = true; }

    void sendRequested(wl_proxy *source, const char *mimeType, int fd) override
    {
        Fd pipe(fd);
        const QString type = QString::fromUtf8(mimeType);
        const auto it = m_sources.constFind(source);
        if (it == m_sources.cend() || !it->contains(type) || !setNonBlocking(fd))
            return;
        const bool atOnce = source == m_currentSource && steady_clock::now() - m_currentSourceSince < m_options.readAtOnceWindow;
        toMainThread([type, atOnce](WaylandClipboardWatcher *watcher) { Q_EMIT watcher->contentRead(type, atOnce); });
        Write write;
        write.fd = std::move(pipe);
        write.data = it->value(type);
        write.mimeType = type;
        write.deadline = steady_clock::now() + m_options.stallTimeout;
        m_writes.push_back(std::move(write));
        progressWrite(m_writes.back()); // small answers need no second pass
        if (m_writes.back().fd.get() < 0)
            m_writes.pop_back();
    }

    void sourceCancelled(wl_proxy *source) override
    {
        m_sources.remove(source);
        m_dataControl->destroySource(source);
        if (source == m_currentSource) {
            m_currentSource = nullptr;
            toMainThread([](WaylandClipboardWatcher *watcher) { Q_EMIT watcher->selectionReplaced(); });
        }
    }

private:
    struct Manager {
        DataControl::Protocol protocol;
        uint32_t name;
        uint32_t version;
    };

    // The reading of one offer: its wanted types one after another, each through a pipe.
    struct Read {
        wl_proxy *offer = nullptr;
        QStringList offered;
        qsizetype group = 0;
        qsizetype target = 0; // within the group: the next one to try
        QString mimeType;
        Fd fd;
        QByteArray data;
        Content content;
        steady_clock::time_point deadline;
    };

    struct Write {
        Fd fd;
        QByteArray data;
        qsizetype written = 0;
        QString mimeType;
        steady_clock::time_point deadline;
    };

    struct PendingWrite {
        quint64 generation;
        Content content;
    };

    void globalAnnounced(uint32_t name, const char *interface, uint32_t version)
    {
        if (std::strcmp(interface, wl_seat_interface.name) == 0) {
            if (!m_seatName)
                m_seatName = name; // the first seat: desktops have one
        } else if (const auto protocol = DataControl::protocolFor(interface)) {
            m_managers.push_back({*protocol, name, version});
        }
    }

    void wake()
    {
        const uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(m_wakeFd, &one, sizeof one);
    }

    template<typename F>
    void toMainThread(F f)
    {
        QMetaObject::invokeMethod(m_watcher, [watcher = m_watcher, f] { f(watcher); }, Qt::QueuedConnection);
    }

    void forgetOffer(wl_proxy *offer)
    {
        m_offers.remove(offer);
        m_dataControl->destroyOffer(offer);
    }

    // One turn of the loop: send what is queued, wait for the compositor, the pipes or
    // a wake-up, and act on it. False when the connection is gone.
    bool pass()
    {
        while (wl_display_prepare_read(m_display) != 0) {
            if (wl_display_dispatch_pending(m_display) < 0)
                return false;
        }
        bool flushed = wl_display_flush(m_display) >= 0;
        if (!flushed && errno != EAGAIN) {
            wl_display_cancel_read(m_display);
            return false;
        }

        std::vector<pollfd> fds{{wl_display_get_fd(m_display), short(POLLIN | (flushed ? 0 : POLLOUT)), 0},
                                {m_wakeFd, POLLIN, 0}};
        std::optional<steady_clock::time_point> deadline;
        if (m_read && m_read->fd.get() >= 0) {
            fds.push_back({m_read->fd.get(), POLLIN, 0});
            deadline = m_read->deadline;
        }
        for (const Write &write : m_writes) {
            fds.push_back({write.fd.get(), POLLOUT, 0});
            deadline = deadline ? std::min(*deadline, write.deadline) : write.deadline;
        }
        int timeout = -1;
        if (deadline)
            timeout = int(std::max<qint64>(0, duration_cast<milliseconds>(*deadline - steady_clock::now()).count() + 1));
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
            wl_display_cancel_read(m_display);
            return false;
        }

        if (fds[0].revents & (POLLIN | POLLERR | POLLHUP)) {
            if (wl_display_read_events(m_display) < 0)
                return false;
        } else {
            wl_display_cancel_read(m_display);
        }
        if (wl_display_dispatch_pending(m_display) < 0)
            return false;

        if (fds[1].revents & POLLIN) {
            uint64_t count;
            [[maybe_unused]] const auto read = ::read(m_wakeFd, &count, sizeof count);
            takePendingWrite();
        }
        // The read may have been replaced while dispatching: only act on its own fd.
        std::size_t next = 2;
        if (m_read && next < fds.size() && fds[next].fd == m_read->fd.get() && fds[next].revents)
            progressRead();
        if (m_read && m_read->fd.get() >= 0 && steady_clock::now() >= m_read->deadline) {
            qCInfo(lcWayland) << "the clipboard owner stopped sending" << m_read->mimeType << "- copy dropped";
            dropRead();
        }
        for (Write &write : m_writes) {
            if (steady_clock::now() >= write.deadline && write.fd.get() >= 0) {
                qCInfo(lcWayland) << "a client stopped reading" << write.mimeType << "- transfer dropped";
                toMainThread([type = write.mimeType](WaylandClipboardWatcher *watcher) { Q_EMIT watcher->sendAbandoned(type); });
                write.fd.reset();
            } else if (write.fd.get() >= 0) {
                progressWrite(write);
            }
        }
        std::erase_if(m_writes, [](const Write &write) { return write.fd.get() < 0; });
        return true;
    }

    void takePendingWrite()
    {
        std::optional<PendingWrite> pending;
        {
            const std::lock_guard lock(m_mutex);
            pending.swap(m_pendingWrite);
        }
        if (!pending)
            return;
        m_read.reset(); // whatever was being read, our content replaces it
        wl_proxy *source = m_dataControl->createSource(pending->content.keys());
        m_sources.insert(source, pending->content);
        m_dataControl->setSelection(source);
        m_currentSource = source;
        m_currentSourceSince = steady_clock::now();
        m_writesApplied = pending->generation;
        m_lastReported.reset(); // a copy of the same content as before ours is news again
    }

    // Starts reading the next wanted type of the offer, or reports the content when
    // there is none left.
    void readNext()
    {
        Read &read = *m_read;
        const QList<TargetGroup> &groups = m_options.groups;
        for (; read.group < groups.size(); ++read.group, read.target = 0) {
            const TargetGroup &group = groups[read.group];
            for (; read.target < group.targets.size(); ++read.target) {
                const QString &type = group.targets[read.target];
                if (!read.offered.contains(type))
                    continue;
                int ends[2];
                if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
                    m_read.reset();
                    return;
                }
                m_dataControl->receive(read.offer, type.toUtf8().constData(), ends[1]);
                ::close(ends[1]); // the owner has its own copy once the request is sent
                ++read.target;
                read.mimeType = type;
                read.fd.reset(ends[0]);
                read.data.clear();
                read.deadline = steady_clock::now() + m_options.stallTimeout;
                return;
            }
        }
        const Content content = std::move(read.content);
        m_read.reset();
        report(content);
    }

    enum class Drained { Waiting, Ended, Failed, TooLarge };

    // Reads what the current pipe holds now, without waiting for more.
    Drained drain(Read &read)
    {
        for (;;) {
            constexpr qsizetype chunk = 256 * 1024;
            if (read.data.capacity() < read.data.size() + chunk)
                read.data.reserve(std::max(read.data.size() + chunk, read.data.capacity() * 2));
            const qsizetype before = read.data.size();
            read.data.resize(before + chunk);
            const ssize_t got = ::read(read.fd.get(), read.data.data() + before, chunk);
            read.data.resize(before + std::max<ssize_t>(got, 0));
            if (got > 0) {
                read.deadline = steady_clock::now() + m_options.stallTimeout;
                if (read.data.size() > m_options.maximumBytes)
                    return Drained::TooLarge;
                continue;
            }
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0 && errno == EAGAIN)
                return Drained::Waiting;
            read.fd.reset();
            if (got < 0)
                return Drained::Failed;
            read.content.insert(read.mimeType, std::exchange(read.data, {}));
            return Drained::Ended;
        }
    }

    void progressRead()
    {
        Read &read = *m_read;
        switch (drain(read)) {
        case Drained::Waiting:
            return;
        case Drained::TooLarge:
            qCInfo(lcWayland) << "a copy larger than" << m_options.maximumBytes << "bytes was dropped";
            dropRead();
            return;
        case Drained::Ended:
            if (m_options.groups[read.group].conclusive && !read.content.value(read.mimeType).isEmpty())
                read.group = m_options.groups.size(); // nothing more is wanted
            else
                ++read.group, read.target = 0;
            break;
        case Drained::Failed:
            break; // try the group's next type
        }
        readNext();
    }

    // A newer copy, or the owner quit, while we were reading (one that serves a single
    // paste quits at once): what had fully arrived by then is still this copy.
    void salvageRead()
    {
        Read &read = *m_read;
        if (read.fd.get() >= 0 && drain(read) != Drained::Ended)
            return;
        if (!read.content.isEmpty())
            report(read.content);
    }

    // Writes what the pipe takes now; closes it when done or when the reader is gone.
    void progressWrite(Write &write)
    {
        while (write.written < write.data.size()) {
            const ssize_t sent = ::write(write.fd.get(), write.data.constData() + write.written,
                                         std::min<qsizetype>(write.data.size() - write.written, 1 << 20));
            if (sent > 0) {
                write.written += sent;
                write.deadline = steady_clock::now() + m_options.stallTimeout;
                continue;
            }
            if (sent < 0 && errno == EINTR)
                continue;
            if (sent < 0 && errno == EAGAIN)
                return;
            break; // EPIPE: the reader closed its end and wants no more
        }
        write.fd.reset();
    }

    void dropRead()
    {
        m_read.reset();
        toMainThread([](WaylandClipboardWatcher *watcher) { Q_EMIT watcher->copyDropped(); });
    }

    void report(const Content &content)
    {
        // A compositor may announce the same copy again (a new offer for the same
        // source): identical content is not a new copy.
        if (m_lastReported && *m_lastReported == content)
            return;
        m_lastReported = content;
        toMainThread([content, generation = m_writesApplied](WaylandClipboardWatcher *watcher) {
            if (generation == watcher->m_writesRequested)
                Q_EMIT watcher->contentChanged(content);
        });
    }

    WaylandClipboardWatcher *m_watcher;
    Options m_options;
    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    wl_seat *m_seat = nullptr;
    std::optional<uint32_t> m_seatName;
    std::vector<Manager> m_managers;
    std::unique_ptr<DataControl> m_dataControl;
    int m_wakeFd = -1;
    std::atomic<bool> m_stopping{false};
    bool m_starting = false;

    QHash<wl_proxy *, QStringList> m_offers; // offers not yet destroyed, with their types
    wl_proxy *m_selection = nullptr;
    std::optional<Read> m_read;
    std::optional<Content> m_lastReported;

    QHash<wl_proxy *, Content> m_sources; // our sources not yet cancelled
    wl_proxy *m_currentSource = nullptr;  // ours while it holds the clipboard
    steady_clock::time_point m_currentSourceSince;
    std::vector<Write> m_writes;
    quint64 m_writesApplied = 0;

    std::mutex m_mutex;
    std::optional<PendingWrite> m_pendingWrite;
};

WaylandClipboardWatcher::WaylandClipboardWatcher(Options options, QObject *parent)
    : QObject(parent)
    , m_connection(std::make_unique<Connection>(this, std::move(options)))
{
    ignoreSigpipe();
    if (!m_connection->connect())
        return;
    m_protocolName = m_connection->protocolName();
    m_available = true;
    m_thread = std::thread([connection = m_connection.get()] { connection->run(); });
}

WaylandClipboardWatcher::~WaylandClipboardWatcher()
{
    if (m_thread.joinable()) {
        m_connection->stop();
        m_thread.join();
    }
}

void WaylandClipboardWatcher::setSelection(const QMap<QString, QByteArray> &content)
{
    if (!m_thread.joinable())
        return;
    m_connection->post(++m_writesRequested, content);
}
