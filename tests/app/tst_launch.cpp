#include "platform/x11/x11hotkeyservice.h"
#include "settings/preferencekeys.h"
#include "settings/preferences.h"
#include "store/historystore.h"
#include "support/desktopdriver.h"
#include "support/fulldisk.h"

#include <QLocalSocket>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// The jotterly executable as a user or the session starts it, with temporary XDG
// folders and no windows of its own; copies are made with xclip on the test command's
// X server.
class TestLaunch : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

    struct Run {
        int exitCode = -1; // -1: it did not end by itself
        QByteArray output;
        QString said;
    };

    std::unique_ptr<JotterlyProcess> app(const QString &tag) const
    {
        return std::make_unique<JotterlyProcess>(m_home.filePath(tag));
    }

    static QProcessEnvironment offscreen(QProcessEnvironment env = {})
    {
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        return env;
    }

    // Runs jotterly to its end.
    static Run run(const QProcessEnvironment &env, const QStringList &arguments = {})
    {
        QProcess app;
        app.setProcessEnvironment(env);
        app.start(QStringLiteral(JOTTERLY_PATH), arguments);
        const bool ended = app.waitForFinished(20000) && app.exitStatus() == QProcess::NormalExit;
        return {ended ? app.exitCode() : -1, app.readAllStandardOutput(), QString::fromLocal8Bit(app.readAllStandardError())};
    }

    // What jotterly said when it ended by itself with a failure status, or nothing.
    static QString failedRun(const QProcessEnvironment &env)
    {
        const Run result = run(env);
        return result.exitCode > 0 ? result.said : QString();
    }

    // Writes a request straight to the running instance's socket.
    static bool send(const JotterlyProcess &app, const QByteArray &message)
    {
        QLocalSocket socket;
        socket.connectToServer(app.path(u"runtime/jotterly.socket"_s));
        return socket.waitForConnected(5000) && socket.write(message) == message.size() && socket.waitForBytesWritten(5000);
    }

private Q_SLOTS:
    void refusesToStartWithoutAGraphicalSession_data()
    {
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("wayland");
        QTest::newRow("no DISPLAY") << QString() << QString();
        QTest::newRow("unreachable DISPLAY") << u":97"_s << QString();
        QTest::newRow("Wayland without XWayland") << QString() << u"wayland-0"_s;
    }

    void refusesToStartWithoutAGraphicalSession()
    {
        QFETCH(QString, display);
        QFETCH(QString, wayland);
        const auto jotterly = app(u"nodisplay"_s);
        QProcessEnvironment env = jotterly->environment();
        for (const auto &[key, value] : {std::pair{u"DISPLAY"_s, display}, std::pair{u"WAYLAND_DISPLAY"_s, wayland}}) {
            env.remove(key);
            if (!value.isEmpty())
                env.insert(key, value);
        }
        const QString message = failedRun(env);
        QVERIFY2(message.startsWith(u"jotterly: no graphical session"_s), qPrintable(message));
        QCOMPARE(message.count(u'\n'), 1);
        QCOMPARE(message.contains(u"XWayland"_s), !wayland.isEmpty());
        QVERIFY(!QFileInfo::exists(jotterly->storePath()));
    }

    // Both answer without a display and start nothing; the help names the files of
    // this user's folders.
    void answersHelpAndVersionWithoutStarting()
    {
        const auto jotterly = app(u"help"_s);
        QProcessEnvironment env = jotterly->environment();
        env.remove(u"DISPLAY"_s);
        const Run version = run(env, {u"--version"_s});
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.output, QByteArray("jotterly " JOTTERLY_VERSION "\n"));

        const QString text = QString::fromUtf8(run(env, {u"--help"_s}).output);
        for (const QString &path : {jotterly->storePath(), jotterly->configPath(), jotterly->autostartPath()})
            QVERIFY2(text.contains(path), qPrintable(path));
        QVERIFY(!QFileInfo::exists(jotterly->storePath()));
        QVERIFY(!QFileInfo::exists(jotterly->configPath()));
    }

    void endsWithTheStoreMessageWhenTheStoreIsUnusable()
    {
        const auto jotterly = app(u"broken"_s);
        QVERIFY(writeFile(jotterly->storePath(), "not a database at all"));
        const QString message = failedRun(jotterly->environment(offscreen()));
        QVERIFY2(message.startsWith(u"Failed to create ModelContainer: "_s) && message.contains(jotterly->storePath()), qPrintable(message));
    }

    // A daily clear due at launch deletes the unpinned items and records when it ran.
    void clearsAutomaticallyAtLaunch()
    {
        const auto jotterly = app(u"autoclear"_s);
        {
            QString error;
            auto store = createHistoryStore(jotterly->storePath(), &error);
            QVERIFY2(store, qPrintable(error));
            for (int i = 0; i < 5; ++i)
                store->context->insert(makeTextItem(u"%1 %2"_s.arg(i < 2 ? u"pinned"_s : u"copy"_s).arg(i), 1000 + i, i < 2));
            QVERIFY(store->context->save());
            Preferences preferences(jotterly->configPath());
            preferences.setString(PreferenceKeys::autoClearOption, u"daily"_s);
            preferences.setString(PreferenceKeys::lastAutoClearDate,
                                  QDateTime::currentDateTime().addDays(-1).toString(Qt::ISODateWithMs));
            preferences.setBoolean(PreferenceKeys::launchAtLogin, false);
        }
        QVERIFY(jotterly->start(offscreen()));
        QCOMPARE(jotterly->stored(), (QStringList{u"pinned 1"_s, u"pinned 0"_s}));
        QVERIFY(jotterly->stop());
        const auto last = Preferences(jotterly->configPath()).date(PreferenceKeys::lastAutoClearDate);
        QVERIFY(last && qAbs(last->secsTo(QDateTime::currentDateTime())) < 60);
    }

    // At login the alert may wait unseen for hours: copies are recorded meanwhile.
    void recordsWhileTheShortcutAlertWaits()
    {
        X11HotkeyService desktop; // Alt+Shift+V taken by another client
        QCOMPARE(desktop.registerHotkey(9, HotkeyService::OptionKey | HotkeyService::ShiftKey, {}), 0);
        const auto jotterly = app(u"alert"_s);
        QVERIFY(jotterly->start(offscreen()));
        QVERIFY(jotterly->waitForLog("shortcut alert shown", 20000, 0));
        const qsizetype from = jotterly->mark();
        QVERIFY(runShell(u"printf 'while the alert waits' | xclip -selection clipboard"_s));
        QVERIFY(jotterly->waitForLog("recorded ", 20000, from));
        QVERIFY(jotterly->stop());
        QCOMPARE(jotterly->stored(), QStringList{u"while the alert waits"_s});
    }

    // The history on a disk that fills up: the user hears it once per run of failures
    // and copies wait in memory; what never could be written is lost with a word and a
    // failure status. (tst_storefaults holds the writing once there is room.)
    void keepsCopiesWhileTheDiskIsFull()
    {
        FullDisk disk;
        QString why;
        if (!disk.mount(4 << 20, &why))
            QSKIP(qPrintable(why));
        const auto jotterly = app(u"fulldisk"_s);
        QProcessEnvironment env = offscreen();
        env.insert(u"XDG_DATA_HOME"_s, disk.filePath(u"data"_s));
        QVERIFY(jotterly->start(env));
        const auto copy = [&](const char *text, const QByteArray &expected) {
            const qsizetype from = jotterly->mark();
            return runShell(u"printf '%1' | xclip -selection clipboard"_s.arg(QLatin1StringView(text)))
                && jotterly->waitForLog(expected, 10000, from);
        };
        QVERIFY(copy("A", "recorded"));
        disk.fill();
        QVERIFY(copy("B", "kept unsaved"));
        QVERIFY(copy("C", "kept unsaved"));
        QCOMPARE(jotterly->count("told the user: jotterly cannot save its history"), 1);
        QVERIFY(!jotterly->stop());
        QVERIFY(jotterly->process().exitCode() != 0);
        QVERIFY2(jotterly->log().contains("2 changes to the history could not be saved and are lost"), jotterly->log().constData());
        disk.free();
        QCOMPARE(DiskView(disk.filePath(u"data/jotterly/history.sqlite"_s)).previews(), QStringList{u"A"_s});
    }

    // Each a folder someone else could use to stop jotterly or to take its socket: it
    // says what is wrong and ends with a failure status.
    void refusesAnUnsafeRuntimeFolder_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("message");
        QTest::newRow("open to all") << u"chmod"_s << u"other users may write to the runtime folder"_s;
        QTest::newRow("another user's, without XDG_RUNTIME_DIR") << u"fallback"_s << u"belongs to another user (uid 65534)"_s;
        QTest::newRow("a folder at the socket's place") << u"socket"_s << u"is in the way of jotterly's socket"_s;
        QTest::newRow("full") << u"full"_s << u"cannot create the lock file"_s;
    }
    void refusesAnUnsafeRuntimeFolder()
    {
        QFETCH(QString, setup);
        QFETCH(QString, message);
        if (::getuid() != 0 && setup == u"fallback"_s)
            QSKIP("giving a folder to another user needs root");
        const auto jotterly = app(u"runtime-"_s + setup);
        QProcessEnvironment env = jotterly->environment(offscreen());
        const QString runtime = env.value(u"XDG_RUNTIME_DIR"_s);
        FullDisk disk;
        if (setup == u"chmod"_s) {
            QVERIFY(QFile::setPermissions(runtime, QFileDevice::Permissions(0x7777)));
        } else if (setup == u"fallback"_s) {
            env.remove(u"XDG_RUNTIME_DIR"_s);
            const QString folder = jotterly->path(u"tmp/jotterly-%1"_s.arg(::getuid()));
            QVERIFY(QDir().mkpath(folder));
            QCOMPARE(::chown(QFile::encodeName(folder).constData(), 65534, 65534), 0);
            env.insert(u"TMPDIR"_s, jotterly->path(u"tmp"_s));
        } else if (setup == u"socket"_s) {
            QVERIFY(QDir().mkpath(runtime + u"/jotterly.socket"_s));
        } else if (setup == u"full"_s) {
            QString why;
            if (!disk.mount(64 * 1024, &why))
                QSKIP(qPrintable(why));
            disk.fill();
            env.insert(u"XDG_RUNTIME_DIR"_s, QFileInfo(disk.filePath(u"x"_s)).absolutePath());
        }
        const QString said = failedRun(env);
        QVERIFY2(said.contains(u"jotterly: "_s) && said.contains(message), qPrintable(said));
        QVERIFY(!QFileInfo::exists(jotterly->storePath()));
    }

    // Idle connections by the thousand neither stop capture nor keep a later launch or
    // SIGTERM from reaching the running instance.
    void outlastsAFloodOfIdleConnections()
    {
        const auto jotterly = app(u"flood"_s);
        QVERIFY(jotterly->start(offscreen()));
        // The limit a session usually gives a program.
        const rlimit limit{1024, 1024};
        QCOMPARE(::prlimit(pid_t(jotterly->process().processId()), RLIMIT_NOFILE, &limit, nullptr), 0);

        const QByteArray socketPath = QFile::encodeName(jotterly->path(u"runtime/jotterly.socket"_s));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath.constData(), sizeof address.sun_path - 1);
        // As fast as the program takes them, for a few seconds or 1,100 connections.
        QList<int> flood;
        const QDeadlineTimer deadline(3000);
        while (flood.size() < 1100 && !deadline.hasExpired()) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0) {
                flood << fd;
            } else {
                ::close(fd);
                QTest::qWait(5); // the queue is full: the program gets to accept
            }
        }
        QVERIFY(flood.size() > 8);

        const qsizetype from = jotterly->mark();
        QVERIFY(runShell(u"printf 'during the flood' | xclip -selection clipboard"_s));
        QVERIFY(jotterly->waitForLog("recorded ", 20000, from));
        QVERIFY(QFileInfo::exists(QFile::decodeName(socketPath)));

        for (const int fd : std::as_const(flood))
            ::close(fd);
        QCOMPARE(run(jotterly->environment(offscreen())).exitCode, 0);
        QVERIFY(jotterly->waitForLog("activation requested", 20000, from));
        QVERIFY(jotterly->stop());
    }

    // A later launch hands its request over and ends; a request sent by hand must be
    // one the instance knows, and a token anything but plain text is not passed on.
    void aSecondLaunchHandsOverAndLeaves_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("message"); // sent instead of launching, when set
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("closed");
        QTest::addColumn<QByteArray>("token");
        QTest::newRow("plain launch: open, close") << QStringList{} << QByteArray() << 1 << 1 << QByteArray();
        QTest::newRow("--toggle: open, close") << QStringList{u"--toggle"_s} << QByteArray() << 1 << 1 << "tok-1.a_b"_ba;
        QTest::newRow("--show: open, stays") << QStringList{u"--show"_s} << QByteArray() << 1 << 0 << "tok-2"_ba;
        QTest::newRow("control character in the token") << QStringList{} << "show t\x01k\n"_ba << 1 << 0 << QByteArray();
        QTest::newRow("unknown request") << QStringList{} << "explode\n"_ba << 0 << 0 << QByteArray();
    }

    void aSecondLaunchHandsOverAndLeaves()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, message);
        QFETCH(int, shown);
        QFETCH(int, closed);
        QFETCH(QByteArray, token);
        const auto first = app(u"second-"_s + QString::number(qHash(QTest::currentDataTag())));
        QVERIFY(first->start(offscreen()));
        QProcessEnvironment env = first->environment(offscreen());
        env.insert(u"XDG_ACTIVATION_TOKEN"_s, QString::fromLatin1(token));
        for (int i = 0; i < 2; ++i)
            QVERIFY(message.isEmpty() ? run(env, arguments).exitCode == 0 : send(*first, message));
        // A last request, after which everything before it has been answered.
        QVERIFY(send(*first, "show marker-end\n"));
        QVERIFY(first->waitForLog("activation token \"marker-end\"", 20000, 0));
        QVERIFY(first->stop());
        const QByteArray answered = first->log().left(first->log().indexOf("marker-end"));
        QCOMPARE(answered.count("panel shown"), shown);
        QCOMPARE(answered.count("panel closed"), closed);
        QCOMPARE(answered.count("activation token \"" + token + '"'), token.isEmpty() ? 0 : 2);
    }

    // Started by the compositor's key while none runs: it runs, and its panel is open.
    // It writes nothing the user did not change: the settings file stays as they left it.
    void toggleStartsWithThePanelOpen()
    {
        const auto jotterly = app(u"toggle-first"_s);
        const QByteArray settings = "; my notes\n[General]\nlaunchAtLogin=false\nhistoryLimit=200\n";
        QVERIFY(writeFile(jotterly->configPath(), settings));
        QVERIFY(jotterly->start(offscreen(), {u"--toggle"_s}));
        QVERIFY(jotterly->waitForLog("panel shown", 20000, 0));
        QVERIFY(jotterly->stop());
        QCOMPARE(readFile(jotterly->configPath()), settings);
    }
};

JOTTERLY_X11_TEST_MAIN(TestLaunch)
#include "tst_launch.moc"
