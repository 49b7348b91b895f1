#include "settings/preferencekeys.h"
#include "settings/preferences.h"
#include "store/historystore.h"
#include "support/fulldisk.h"
#include "support/storetesting.h"
#include "support/x11grab.h"
#include "support/x11testing.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Waits until `app` has written `text` to its log, keeping what it read in `log`.
bool waitForLog(QProcess &app, QByteArray &log, const QByteArray &text, int timeoutMs = 20000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!(log += app.readAllStandardError()).contains(text)) {
        if (deadline.hasExpired() || app.state() != QProcess::Running)
            return false;
        app.waitForReadyRead(100);
    }
    return true;
}

} // namespace

// The jotterly executable as a user or the session starts it, with temporary XDG
// folders; copies are made with xclip on the test command's X server.
class TestLaunch : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

    QProcessEnvironment environment(const QString &tag) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_DATA_HOME"_s, m_home.filePath(tag + u"/data"_s));
        env.insert(u"XDG_CONFIG_HOME"_s, m_home.filePath(tag + u"/config"_s));
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        const QString runtime = m_home.filePath(tag + u"/runtime"_s);
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert(u"XDG_RUNTIME_DIR"_s, runtime);
        env.insert(u"QT_LOGGING_RULES"_s, u"jotterly.app.debug=true"_s);
        return env;
    }

    QString storePath(const QString &tag) const { return m_home.filePath(tag + u"/data/jotterly/history.sqlite"_s); }
    QString configPath(const QString &tag) const { return m_home.filePath(tag + u"/config/jotterly/jotterly.conf"_s); }

    // A history of two pinned and three unpinned items, as a previous run left it.
    void prepareHistory(const QString &tag)
    {
        QString error;
        auto store = createHistoryStore(storePath(tag), &error);
        QVERIFY2(store, qPrintable(error));
        for (int i = 0; i < 5; ++i)
            store->context->insert(makeTextItem(u"%1 %2"_s.arg(i < 2 ? u"pinned"_s : u"copy"_s).arg(i), 1000 + i, i < 2));
        QVERIFY(store->context->save());
    }

    // Starts jotterly and waits until its launch sequence has run; `log` gets what it
    // wrote meanwhile.
    void launch(QProcess &app, const QString &tag, QByteArray *log = nullptr, const QProcessEnvironment &env = {})
    {
        app.setProcessEnvironment(env.isEmpty() ? environment(tag) : env);
        app.start(QStringLiteral(JOTTERLY_PATH), {});
        QVERIFY(app.waitForStarted());
        QByteArray output; // read as it comes: a line may arrive in parts
        QTRY_VERIFY_WITH_TIMEOUT((output += app.readAllStandardError()).contains("launched")
                                     || app.state() != QProcess::Running,
                                 20000);
        QCOMPARE(app.state(), QProcess::Running);
        if (log)
            *log = output;
    }

    void terminate(QProcess &app)
    {
        ::kill(pid_t(app.processId()), SIGTERM);
        QVERIFY(app.waitForFinished(20000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
    }

    // Runs jotterly to its end and returns what it said, or nothing when it did not end
    // by itself with a failure status.
    static QString failedRun(const QProcessEnvironment &env)
    {
        QProcess app;
        app.setProcessEnvironment(env);
        app.start(QStringLiteral(JOTTERLY_PATH), {});
        if (!app.waitForFinished(20000) || app.exitStatus() != QProcess::NormalExit || app.exitCode() == 0)
            return {};
        return QString::fromLocal8Bit(app.readAllStandardError());
    }

    // A second launch in the same session hands over to the running one and ends.
    bool secondLaunchEnds(const QString &tag) const
    {
        QProcess second;
        second.setProcessEnvironment(environment(tag));
        second.start(QStringLiteral(JOTTERLY_PATH), {});
        return second.waitForFinished(20000) && second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0;
    }

private Q_SLOTS:
    void refusesToStartWithoutAGraphicalSession_data()
    {
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("wayland");
        QTest::addColumn<QString>("platform");
        QTest::newRow("no DISPLAY") << QString() << QString() << QString();
        QTest::newRow("unreachable DISPLAY") << u":97"_s << QString() << QString();
        QTest::newRow("Wayland without XWayland") << QString() << u"wayland-0"_s << QString();
        QTest::newRow("Qt told to use Wayland") << QString() << u"wayland-0"_s << u"wayland"_s;
    }

    void refusesToStartWithoutAGraphicalSession()
    {
        QFETCH(QString, display);
        QProcessEnvironment env = environment(u"nodisplay"_s);
        env.remove(u"QT_QPA_PLATFORM"_s);
        env.remove(u"WAYLAND_DISPLAY"_s);
        env.remove(u"DISPLAY"_s);
        if (!display.isEmpty())
            env.insert(u"DISPLAY"_s, display);
        QFETCH(QString, wayland);
        if (!wayland.isEmpty())
            env.insert(u"WAYLAND_DISPLAY"_s, wayland);
        QFETCH(QString, platform);
        if (!platform.isEmpty())
            env.insert(u"QT_QPA_PLATFORM"_s, platform);

        const QString message = failedRun(env);
        QVERIFY2(message.startsWith(u"jotterly: no graphical session"_s), qPrintable(message));
        QCOMPARE(message.count(u'\n'), 1);
        QCOMPARE(message.contains(u"XWayland"_s), !wayland.isEmpty());
        QVERIFY(!QFileInfo::exists(storePath(u"nodisplay"_s)));
    }

    // Both answer without a display and start nothing; the help names the files of
    // this user's folders.
    void answersHelpAndVersionWithoutStarting()
    {
        QProcessEnvironment env = environment(u"help"_s);
        env.remove(u"DISPLAY"_s);
        QProcess app;
        app.setProcessEnvironment(env);
        app.start(QStringLiteral(JOTTERLY_PATH), {u"--version"_s});
        QVERIFY(app.waitForFinished(10000));
        QCOMPARE(app.exitCode(), 0);
        QCOMPARE(app.readAllStandardOutput(), QByteArray("jotterly " JOTTERLY_VERSION "\n"));

        app.start(QStringLiteral(JOTTERLY_PATH), {u"--help"_s});
        QVERIFY(app.waitForFinished(10000));
        QCOMPARE(app.exitCode(), 0);
        const QString help = QString::fromUtf8(app.readAllStandardOutput());
        QVERIFY2(help.contains(u"Usage: jotterly"_s) && help.contains(u"Alt+Shift+V"_s), qPrintable(help));
        for (const QString &path : {storePath(u"help"_s), configPath(u"help"_s), m_home.filePath(u"help/config/autostart/jotterly.desktop"_s)})
            QVERIFY2(help.contains(path), qPrintable(path));
        QVERIFY(!QFileInfo::exists(storePath(u"help"_s)));
        QVERIFY(!QFileInfo::exists(configPath(u"help"_s)));
    }

    void endsWithTheStoreMessageWhenTheStoreIsUnusable()
    {
        const QString path = storePath(u"broken"_s);
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a database at all");
        file.close();

        const QString message = failedRun(environment(u"broken"_s));
        QVERIFY2(message.startsWith(u"Failed to create ModelContainer: "_s), qPrintable(message));
        QVERIFY(message.contains(path));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("not a database at all"));
    }

    // A daily clear due at launch deletes the unpinned items and records when it ran.
    void clearsAutomaticallyAtLaunch()
    {
        const QString tag = u"autoclear"_s;
        prepareHistory(tag);
        const QString dayAgo = QDateTime::currentDateTime().addDays(-1).toString(Qt::ISODateWithMs);
        {
            Preferences preferences(configPath(tag));
            preferences.setString(PreferenceKeys::autoClearOption, u"daily"_s);
            preferences.setString(PreferenceKeys::lastAutoClearDate, dayAgo);
            preferences.setBoolean(PreferenceKeys::launchAtLogin, false);
        }
        QProcess app;
        launch(app, tag);
        QCOMPARE(DiskView(storePath(tag)).previews(), (QStringList{u"pinned 1"_s, u"pinned 0"_s}));
        terminate(app);
        const auto last = Preferences(configPath(tag)).date(PreferenceKeys::lastAutoClearDate);
        QVERIFY(last && qAbs(last->secsTo(QDateTime::currentDateTime())) < 60);
    }

    // At login the alert may wait unseen for hours: copies are recorded meanwhile.
    void recordsWhileTheShortcutAlertWaits()
    {
        OtherClient holder; // Alt+Shift+V taken by the desktop
        QVERIFY(holder.grab(0x76, XCB_MOD_MASK_1 | XCB_MOD_MASK_SHIFT));
        const QString tag = u"alert"_s;
        QProcess app;
        QByteArray log;
        launch(app, tag, &log);
        QVERIFY2(waitForLog(app, log, "shortcut alert shown"), log.constData());
        QVERIFY(runShell(u"printf 'while the alert waits' | xclip -selection clipboard"_s));
        QVERIFY2(waitForLog(app, log, "recorded "), log.constData());
        terminate(app);
        QCOMPARE(DiskView(storePath(tag)).previews(), QStringList{u"while the alert waits"_s});
    }

    // The history on a disk that fills up: the user hears it once per run of failures,
    // copies wait in memory and are written once there is room; what never could be is
    // lost with a word and a failure status.
    void keepsCopiesWhileTheDiskIsFull()
    {
        FullDisk disk;
        QString why;
        if (!disk.mount(4 << 20, &why))
            QSKIP(qPrintable(why));
        const QString tag = u"fulldisk"_s;
        QProcessEnvironment env = environment(tag);
        env.insert(u"XDG_DATA_HOME"_s, disk.filePath(u"data"_s));
        QProcess app;
        QByteArray log;
        launch(app, tag, &log, env);
        const auto copy = [&](const char *text, const QByteArray &expected) {
            const qsizetype seen = log.count(expected);
            QVERIFY(runShell(u"printf '%1' | xclip -selection clipboard"_s.arg(QLatin1StringView(text))));
            QTRY_VERIFY_WITH_TIMEOUT((log += app.readAllStandardError()).count(expected) > seen, 10000);
        };
        disk.fill();
        copy("A", "kept unsaved");
        copy("B", "kept unsaved");
        QCOMPARE(log.count("told the user: jotterly cannot save its history"), 1);
        disk.free();
        copy("C", "recorded");
        const QString store = disk.filePath(u"data/jotterly/history.sqlite"_s);
        QCOMPARE(DiskView(store).previews(), (QStringList{u"C"_s, u"B"_s, u"A"_s}));

        disk.fill();
        copy("D", "kept unsaved");
        QCOMPARE(log.count("told the user: jotterly cannot save its history"), 2);
        ::kill(pid_t(app.processId()), SIGTERM);
        QVERIFY(app.waitForFinished(20000));
        QVERIFY(app.exitCode() != 0);
        log += app.readAllStandardError();
        QVERIFY2(log.contains("1 changes to the history could not be saved and are lost"), log.constData());
        disk.free();
        QCOMPARE(DiskView(store).previews(), (QStringList{u"C"_s, u"B"_s, u"A"_s}));
    }

    // Each a folder someone else could use to stop jotterly or to take its socket: it
    // says what is wrong and ends with a failure status.
    void refusesAnUnsafeRuntimeFolder_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("message");
        QTest::newRow("another user's") << u"chown"_s << u"belongs to another user (uid 65534)"_s;
        QTest::newRow("open to all") << u"chmod"_s << u"other users may write to the runtime folder"_s;
        QTest::newRow("another user's, without XDG_RUNTIME_DIR") << u"fallback"_s << u"belongs to another user"_s;
        QTest::newRow("a folder at the socket's place") << u"socket"_s << u"is in the way of jotterly's socket"_s;
        QTest::newRow("full") << u"full"_s << u"cannot create the lock file"_s;
    }
    void refusesAnUnsafeRuntimeFolder()
    {
        QFETCH(QString, setup);
        QFETCH(QString, message);
        if (::getuid() != 0 && (setup == u"chown"_s || setup == u"fallback"_s))
            QSKIP("giving a folder to another user needs root");
        const QString tag = u"runtime-"_s + setup;
        QProcessEnvironment env = environment(tag);
        const QString runtime = env.value(u"XDG_RUNTIME_DIR"_s);
        FullDisk disk;
        if (setup == u"chown"_s) {
            QCOMPARE(::chown(QFile::encodeName(runtime).constData(), 65534, 65534), 0);
        } else if (setup == u"chmod"_s) {
            QVERIFY(QFile::setPermissions(runtime, QFileDevice::Permissions(0x7777)));
        } else if (setup == u"fallback"_s) {
            env.remove(u"XDG_RUNTIME_DIR"_s);
            const QString tmp = m_home.filePath(tag + u"/tmp"_s);
            const QString folder = tmp + u"/jotterly-%1"_s.arg(::getuid());
            QVERIFY(QDir().mkpath(folder));
            QCOMPARE(::chown(QFile::encodeName(folder).constData(), 65534, 65534), 0);
            env.insert(u"TMPDIR"_s, tmp);
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
        QVERIFY(!QFileInfo::exists(storePath(tag)));
    }

    // Idle connections by the thousand neither stop capture nor keep a later launch or
    // SIGTERM from reaching the running instance.
    void outlastsAFloodOfIdleConnections()
    {
        const QString tag = u"flood"_s;
        QProcess app;
        QByteArray log;
        launch(app, tag, &log);
        // The limit a session usually gives a program.
        const rlimit limit{1024, 1024};
        QCOMPARE(::prlimit(pid_t(app.processId()), RLIMIT_NOFILE, &limit, nullptr), 0);

        const QByteArray socketPath = QFile::encodeName(environment(tag).value(u"XDG_RUNTIME_DIR"_s) + u"/jotterly.socket"_s);
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

        QVERIFY(runShell(u"printf 'during the flood' | xclip -selection clipboard"_s));
        QVERIFY2(waitForLog(app, log, "recorded "), log.constData());
        QVERIFY(QFileInfo::exists(QFile::decodeName(socketPath)));

        for (const int fd : std::as_const(flood))
            ::close(fd);
        QVERIFY(secondLaunchEnds(tag));
        QVERIFY2(waitForLog(app, log, "activation requested"), log.constData());
        terminate(app);
    }

    // A launch writes nothing the user did not change: the file stays as they left it.
    void leavesTheSettingsFileAsItWas()
    {
        const QString tag = u"settingsfile"_s;
        const QByteArray contents = "; my notes\n[General]\nlaunchAtLogin=false\nhistoryLimit=200\n";
        QVERIFY(QDir().mkpath(QFileInfo(configPath(tag)).absolutePath()));
        QFile file(configPath(tag));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
        file.close();
        QProcess app;
        launch(app, tag);
        terminate(app);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), contents);
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
        const QString tag = u"second-"_s + QString::number(qHash(QTest::currentDataTag()));
        QProcess first;
        QByteArray log;
        launch(first, tag, &log);
        QProcessEnvironment env = environment(tag);
        env.insert(u"XDG_ACTIVATION_TOKEN"_s, QString::fromLatin1(token));
        for (int i = 0; i < 2; ++i) {
            if (message.isEmpty()) {
                QProcess second;
                second.setProcessEnvironment(env);
                second.start(QStringLiteral(JOTTERLY_PATH), arguments);
                QVERIFY(second.waitForFinished(20000));
                QCOMPARE(second.exitCode(), 0);
            } else {
                QLocalSocket socket;
                socket.connectToServer(env.value(u"XDG_RUNTIME_DIR"_s) + u"/jotterly.socket"_s);
                QVERIFY(socket.waitForConnected(5000));
                socket.write(message);
                QVERIFY(socket.waitForBytesWritten(5000));
            }
        }
        // A last request, after which everything before it has been answered.
        QLocalSocket marker;
        marker.connectToServer(env.value(u"XDG_RUNTIME_DIR"_s) + u"/jotterly.socket"_s);
        QVERIFY(marker.waitForConnected(5000));
        marker.write("show marker-end\n");
        QVERIFY(marker.waitForBytesWritten(5000));
        QVERIFY2(waitForLog(first, log, "activation token \"marker-end\""), log.constData());
        terminate(first);
        const QByteArray answered = log.left(log.indexOf("marker-end"));
        QCOMPARE(answered.count("panel shown"), shown);
        QCOMPARE(answered.count("panel closed"), closed);
        QCOMPARE(answered.count("activation token \"" + token + '"'), token.isEmpty() ? 0 : 2);
    }

    // Started by the compositor's key while none runs: it runs, and its panel is open.
    void toggleStartsWithThePanelOpen()
    {
        QProcess app;
        QProcessEnvironment env = environment(u"toggle-first"_s);
        app.setProcessEnvironment(env);
        app.start(QStringLiteral(JOTTERLY_PATH), {u"--toggle"_s});
        QVERIFY(app.waitForStarted());
        QByteArray log;
        QVERIFY2(waitForLog(app, log, "panel shown"), log.constData());
        terminate(app);
    }

};

JOTTERLY_X11_TEST_MAIN(TestLaunch)
#include "tst_launch.moc"
