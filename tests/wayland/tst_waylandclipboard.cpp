#include "platform/wayland/waylandclipboardwatcher.h"
#include "platform/wayland/waylanddatacontrol.h"
#include "platform/fakeglobalkeymonitor.h"
#include "platform/qtscheduler.h"
#include "platform/recordingalerts.h"
#include "platform/wayland/waylandpasteboard.h"
#include "queue/pastequeuemanager.h"
#include "support/storetesting.h"
#include "support/headlesskwin.h"
#include "support/testhelpers.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <wayland-client.h>

#include <unistd.h>

using namespace Qt::StringLiterals;
using Content = QMap<QString, QByteArray>;
using namespace std::chrono_literals;

namespace {

// A data-control client driven by hand, to misbehave: an owner that takes the clipboard
// and never writes what it is asked for.
class SilentOwner final : public DataControlEvents
{
public:
    ~SilentOwner() override
    {
        for (int fd : std::as_const(m_heldFds))
            ::close(fd);
        m_dataControl.reset();
        if (m_display)
            wl_display_disconnect(m_display);
    }

    bool connect(const QString &socket)
    {
        m_display = wl_display_connect(socket.toLocal8Bit().constData());
        if (!m_display)
            return false;
        wl_registry *registry = wl_display_get_registry(m_display);
        static constexpr wl_registry_listener listener = {
            [](void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t version) {
                auto *self = static_cast<SilentOwner *>(data);
                if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->m_seat)
                    self->m_seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
                else if (const auto protocol = DataControl::protocolFor(interface); protocol && !self->m_dataControl)
                    self->m_dataControl = DataControl::bind(*protocol, registry, name, version, self);
            },
            [](void *, wl_registry *, uint32_t) {},
        };
        wl_registry_add_listener(registry, &listener, this);
        if (wl_display_roundtrip(m_display) < 0 || !m_seat || !m_dataControl)
            return false;
        m_dataControl->createDevice(m_seat);
        return wl_display_roundtrip(m_display) >= 0;
    }

    // Takes the clipboard and holds every request for its content without answering.
    void own(const QStringList &types)
    {
        m_dataControl->setSelection(m_dataControl->createSource(types));
        wl_display_roundtrip(m_display);
    }

    void offerIntroduced(wl_proxy *) override {}
    void offerType(wl_proxy *, const char *) override {}
    void selection(wl_proxy *) override {}
    void primarySelection(wl_proxy *) override {}
    void deviceFinished() override {}
    void sendRequested(wl_proxy *, const char *, int fd) override { m_heldFds << fd; }
    void sourceCancelled(wl_proxy *) override {}

private:
    wl_display *m_display = nullptr;
    wl_seat *m_seat = nullptr;
    std::unique_ptr<DataControl> m_dataControl;
    QList<int> m_heldFds;
};

QByteArray binaryBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(i * 7 % 256); // NULs and every other byte value
    return bytes;
}

} // namespace

// The watcher against a real compositor (headless sway, or KWin where JOTTERLY_TEST_COMPOSITOR says "kwin") with wl-clipboard as the other
// clients. None of them has a window or keyboard focus: data control needs neither.
class TestWaylandClipboard : public QObject
{
    Q_OBJECT

    std::unique_ptr<HeadlessCompositor> m_compositor = makeHeadlessCompositor();
    QTemporaryDir m_dir;
    std::unique_ptr<WaylandClipboardWatcher> m_watcher;
    std::unique_ptr<QSignalSpy> m_copies;

    WaylandClipboardWatcher::Options options() const
    {
        WaylandClipboardWatcher::Options options;
        options.display = m_compositor->socketPath();
        options.groups = {
            {{u"image/png"_s}, true},
            {{u"text/uri-list"_s}, false},
            {{u"text/html"_s}, false},
            {{u"UTF8_STRING"_s, u"text/plain;charset=utf-8"_s, u"text/plain"_s}, false},
        };
        return options;
    }

    QString file(const QString &name, const QByteArray &bytes)
    {
        if (!writeFile(m_dir.filePath(name), bytes))
            qFatal("cannot write %s", qPrintable(name));
        return m_dir.filePath(name);
    }

    // Runs a shell command among the compositor's clients; wl-copy forks and returns
    // once it owns the clipboard.
    bool shell(const QString &command)
    {
        QProcess process;
        process.setProcessEnvironment(m_compositor->clientEnvironment());
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(u"sh"_s, {u"-c"_s, command});
        return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    QByteArray wlPaste(const QStringList &arguments)
    {
        QProcess process;
        process.setProcessEnvironment(m_compositor->clientEnvironment());
        process.start(u"wl-paste"_s, arguments);
        process.waitForFinished(30000);
        return process.readAllStandardOutput();
    }

    QByteArray paste(const QString &type) { return wlPaste({u"--no-newline"_s, u"--type"_s, type}); }

    // Waits until the clipboard offers exactly `types` (ours, not the previous owner's);
    // listing the types reads nothing.
    bool offers(QStringList types)
    {
        types.sort();
        return QTest::qWaitFor([&] {
            QStringList listed = QString::fromUtf8(wlPaste({u"--list-types"_s})).split(u'\n', Qt::SkipEmptyParts);
            listed.sort();
            return listed == types;
        }, 10000);
    }

    QList<Content> copies() const
    {
        QList<Content> result;
        for (const QList<QVariant> &arguments : std::as_const(*m_copies))
            result << arguments.at(0).value<Content>();
        return result;
    }

    // Copies a marker and waits for it: anything reported before it is in copies().
    bool settle()
    {
        static int marker = 0;
        const QByteArray text = "marker " + QByteArray::number(++marker);
        return shell(u"printf '%1' | wl-copy"_s.arg(QString::fromLatin1(text)))
            && QTest::qWaitFor([&] { return !m_copies->isEmpty() && copies().constLast().value(u"UTF8_STRING"_s) == text; },
                               15000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        if (!m_compositor->start(&error))
            QSKIP(qPrintable(u"no headless compositor: "_s + error));
        m_watcher = std::make_unique<WaylandClipboardWatcher>(options());
        QVERIFY(m_watcher->isAvailable());
        qInfo() << "data control through" << m_watcher->protocolName();
        m_copies = std::make_unique<QSignalSpy>(m_watcher.get(), &WaylandClipboardWatcher::contentChanged);
    }

    void init()
    {
        if (m_copies)
            m_copies->clear();
    }

    void copiesAreReadWithoutFocus_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray png = "\x89PNG\r\n\x1a\n" + binaryBytes(100000);
        const QByteArray large = QByteArray("0123456789abcdef").repeated(50 << 16); // 50 MiB
        QTest::newRow("text") << u"printf 'plain é' | wl-copy"_s << u"UTF8_STRING"_s << "plain \xc3\xa9"_ba;
        QTest::newRow("html") << u"printf '<b>bold</b>' | wl-copy --type text/html"_s << u"text/html"_s << "<b>bold</b>"_ba;
        QTest::newRow("png") << u"wl-copy --type image/png < %1"_s.arg(file(u"picture.png"_s, png)) << u"image/png"_s << png;
        QTest::newRow("uri-list") << u"printf 'file:///tmp/a%%20b\\r\\n' | wl-copy --type text/uri-list"_s
                                  << u"text/uri-list"_s << "file:///tmp/a%20b\r\n"_ba;
        QTest::newRow("50 MB text") << u"wl-copy < %1"_s.arg(file(u"large.txt"_s, large)) << u"UTF8_STRING"_s << large;
    }

    void copiesAreReadWithoutFocus()
    {
        QFETCH(QString, command);
        QFETCH(QString, type);
        QFETCH(QByteArray, expected);
        QVERIFY(shell(command));
        QTRY_VERIFY_WITH_TIMEOUT(m_copies->count() >= 1, 15000);
        const Content content = copies().constFirst();
        QVERIFY(content.value(type) == expected);
        if (type == u"image/png"_s)
            QCOMPARE(content.keys(), QStringList{type}); // a picture is all that is read
        QVERIFY(settle());
        QCOMPARE(m_copies->count(), 2);
    }

    void burstOfCopiesIsReadInFull()
    {
        QVERIFY(shell(u"for i in $(seq 1 20); do printf \"burst $i\" | wl-copy; sleep 0.1; done"_s));
        QTRY_VERIFY_WITH_TIMEOUT(m_copies->count() >= 20, 15000);
        QVERIFY(settle());
        QCOMPARE(m_copies->count(), 21); // and the marker
        for (int i = 0; i < 20; ++i)
            QCOMPARE(copies().at(i).value(u"UTF8_STRING"_s), "burst " + QByteArray::number(i + 1));
    }

    void ownContentIsServedWithoutFocus()
    {
        QSignalSpy reads(m_watcher.get(), &WaylandClipboardWatcher::contentRead);
        QSignalSpy replaced(m_watcher.get(), &WaylandClipboardWatcher::selectionReplaced);
        const Content content{{u"text/plain;charset=utf-8"_s, "ours \xe2\x9c\x93"_ba},
                              {u"text/html"_s, "<i>ours</i>"_ba},
                              {u"image/png"_s, binaryBytes(300000)},
                              {u"text/uri-list"_s, "file:///tmp/a%20b\r\nfile:///tmp/c\r\n"_ba}};
        m_watcher->setSelection(content);
        QVERIFY(offers(content.keys()));
        for (auto it = content.cbegin(); it != content.cend(); ++it)
            QVERIFY2(paste(it.key()) == it.value(), qPrintable(it.key()));
        QTRY_COMPARE(reads.count(), 4); // one per read, for the paste queue
        QStringList readTypes;
        for (const QList<QVariant> &arguments : std::as_const(reads))
            readTypes << arguments.at(0).toString();
        QCOMPARE(readTypes, content.keys());

        // Neither the echo of our own content nor a primary selection is a copy (KWin
        // 5.27 takes no primary selection from a client without focus).
        shell(u"printf 'selected' | wl-copy --primary"_s);
        QVERIFY(settle());
        QCOMPARE(m_copies->count(), 1);
        QCOMPARE(replaced.count(), 1);
    }

    void ownerQuitting_data()
    {
        QTest::addColumn<bool>("pasteOnce");
        QTest::newRow("serves one paste, then quits") << true;
        QTest::newRow("killed") << false;
    }

    void ownerQuitting()
    {
        QFETCH(bool, pasteOnce);
        QProcess owner;
        owner.setProcessEnvironment(m_compositor->clientEnvironment());
        owner.start(u"wl-copy"_s, {pasteOnce ? u"--paste-once"_s : u"--foreground"_s, u"short-lived"_s});
        QTRY_VERIFY_WITH_TIMEOUT(m_copies->count() >= 1, 15000);
        QCOMPARE(copies().constFirst().value(u"UTF8_STRING"_s), "short-lived"_ba);
        if (!pasteOnce)
            owner.kill();
        QTRY_VERIFY_WITH_TIMEOUT(m_copies->count() >= 2, 15000);
        QCOMPARE(copies().at(1), Content{}); // the clipboard is empty now
        owner.waitForFinished(5000);
    }

    void stalledOwnerIsGivenUp()
    {
        QSignalSpy dropped(m_watcher.get(), &WaylandClipboardWatcher::copyDropped);
        SilentOwner owner;
        QVERIFY(owner.connect(m_compositor->socketPath()));
        QElapsedTimer clock;
        clock.start();
        owner.own({u"text/plain"_s});
        QVERIFY(dropped.wait(10000));
        qInfo() << "given up after" << clock.elapsed() << "ms";
        QVERIFY(clock.elapsed() >= 900);
        QVERIFY(settle()); // and still watching
        QCOMPARE(m_copies->count(), 1);

        // A newer copy cuts a stalled read short at once.
        owner.own({u"text/plain"_s});
        QVERIFY(shell(u"printf 'newer' | wl-copy"_s));
        QTRY_VERIFY_WITH_TIMEOUT(m_copies->count() >= 2, 15000);
        QCOMPARE(copies().at(1).value(u"UTF8_STRING"_s), "newer"_ba);
    }

    // A reader that stops reading (wl-paste into a pipe no one empties) is given up
    // after a while; others are served meanwhile.
    void stalledReaderIsGivenUp()
    {
        QSignalSpy abandoned(m_watcher.get(), &WaylandClipboardWatcher::sendAbandoned);
        const QByteArray large = binaryBytes(8 << 20); // far more than a pipe holds
        m_watcher->setSelection({{u"text/plain"_s, large}});
        QVERIFY(offers({u"text/plain"_s}));
        QElapsedTimer clock;
        clock.start();
        // The pipe's reader sleeps: it ends a while after the test, without a word.
        QVERIFY(shell(u"(wl-paste --type text/plain | sleep 20) &"_s));
        QVERIFY(paste(u"text/plain"_s) == large);
        QVERIFY(abandoned.wait(10000));
        qInfo() << "given up after" << clock.elapsed() << "ms";
        QVERIFY(clock.elapsed() >= 900);
        QCOMPARE(abandoned.constFirst().at(0).toString(), u"text/plain"_s);
    }

    void oversizedCopyIsDropped()
    {
        WaylandClipboardWatcher::Options small = options();
        small.maximumBytes = 1 << 20;
        WaylandClipboardWatcher watcher(small);
        QSignalSpy dropped(&watcher, &WaylandClipboardWatcher::copyDropped);
        QSignalSpy smallCopies(&watcher, &WaylandClipboardWatcher::contentChanged);
        QVERIFY(shell(u"wl-copy < %1"_s.arg(file(u"oversized.txt"_s, QByteArray(2 << 20, 'x')))));
        QVERIFY(dropped.wait(10000));
        QVERIFY(settle());
        QTRY_COMPARE(smallCopies.count(), 1); // the marker only
        QVERIFY(smallCopies.constFirst().at(0).value<Content>().value(u"UTF8_STRING"_s).startsWith("marker"));
    }

    void noCompositorNoWatching_data()
    {
        QTest::addColumn<QString>("display");
        QTest::newRow("outside a Wayland session") << QString();
        QTest::newRow("no such socket") << m_dir.filePath(u"wayland-none"_s);
    }

    void noCompositorNoWatching()
    {
        QFETCH(QString, display);
        const QByteArray session = qgetenv("WAYLAND_DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
        WaylandClipboardWatcher::Options options;
        options.display = display;
        WaylandClipboardWatcher watcher(options);
        if (!session.isEmpty())
            qputenv("WAYLAND_DISPLAY", session);
        QVERIFY(!watcher.isAvailable());
        watcher.setSelection({{u"text/plain"_s, "nowhere"_ba}}); // ignored, not a crash
    }

    void resentIdenticalOfferIsNoNewCopy()
    {
        QVERIFY(shell(u"printf 'same again' | wl-copy"_s));
        QTRY_VERIFY_WITH_TIMEOUT(m_copies->count() >= 1, 15000);
        // Another clipboard manager puts the same content back under a new offer.
        WaylandClipboardWatcher other(options());
        other.setSelection({{u"UTF8_STRING"_s, "same again"_ba}});
        QVERIFY(offers({u"UTF8_STRING"_s}));
        QVERIFY(settle());
        QCOMPARE(m_copies->count(), 2);
    }

    // The pasteboard takes an outside copy. Its queue moves on at each paste (a read by
    // wl-paste, of any of the names plain text goes by), never at the reads of a
    // clipboard tool that reads every copy as it appears (wl-paste --watch); the panel
    // is told that such a tool runs.
    void queueAdvancesOnPastesNotOnAToolsReads()
    {
        // The pasteboard's own reader is the only one in this process from now on: the
        // watcher would be counted among the clients that read what we write.
        m_copies.reset();
        m_watcher.reset();
        // A generous window: the tool's reads must fall in it even on a busy machine.
        WaylandPasteboard pasteboard(m_compositor->socketPath(), 1000ms);
        QSignalSpy changed(&pasteboard, &Pasteboard::changed);
        QVERIFY(shell(u"printf 'for the pasteboard' | wl-copy"_s));
        QVERIFY(changed.wait(10000));
        QCOMPARE(pasteboard.string(PasteboardType::String), u"for the pasteboard"_s);
        QtScheduler scheduler;
        FakeGlobalKeyMonitor keys;
        RecordingAlerts alerts;
        PasteQueueManager queue(&pasteboard, &scheduler, &keys, &alerts);
        QProcess tool;
        tool.setProcessEnvironment(m_compositor->clientEnvironment());
        tool.setStandardOutputFile(QProcess::nullDevice());
        tool.start(u"wl-paste"_s, {u"--watch"_s, u"cat"_s});
        QVERIFY(tool.waitForStarted());
        const QStringList texts{u"first"_s, u"second"_s, u"third"_s};
        const QStringList types{u"text/plain"_s, u"UTF8_STRING"_s, u"text/plain;charset=utf-8"_s};
        queue.startQueue({makeTextItem(texts[0], 1), makeTextItem(texts[1], 2), makeTextItem(texts[2], 3)});
        for (int i = 0; i < texts.size(); ++i) {
            QTest::qWait(1500); // a person pastes well after a tool has read
            QCOMPARE(paste(types[i]), texts[i].toUtf8());
            QTRY_COMPARE(queue.currentIndex(), i + 1 == texts.size() ? 0 : i + 1);
            if (i == 1)
                QVERIFY(queue.pastesMayGoUnseen());
        }
        QVERIFY(!queue.isActive());
        QCOMPARE(pasteboard.changeCount(), pasteboard.ownWriteChangeCount()); // our own writes are no copies
        endProcess(tool);
    }
};

QTEST_GUILESS_MAIN(TestWaylandClipboard)
#include "tst_waylandclipboard.moc"
