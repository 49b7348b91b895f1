#include "settings/preferencekeys.h"
#include "settings/preferences.h"
#include "store/historystore.h"
#include "support/storetesting.h"
#include "support/x11testing.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

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

    // Starts jotterly and waits until its launch sequence has run.
    void launch(QProcess &app, const QString &tag)
    {
        app.setProcessEnvironment(environment(tag));
        app.start(QStringLiteral(JOTTERLY_PATH), {});
        QVERIFY(app.waitForStarted());
        QByteArray output; // read as it comes: a line may arrive in parts
        QTRY_VERIFY_WITH_TIMEOUT((output += app.readAllStandardError()).contains("launched")
                                     || app.state() != QProcess::Running,
                                 20000);
        QCOMPARE(app.state(), QProcess::Running);
    }

    void terminate(QProcess &app)
    {
        ::kill(pid_t(app.processId()), SIGTERM);
        QVERIFY(app.waitForFinished(20000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
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

        QProcess app;
        app.setProcessEnvironment(env);
        app.start(QStringLiteral(JOTTERLY_PATH), {});
        QVERIFY(app.waitForFinished(20000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QVERIFY(app.exitCode() != 0);
        const QString message = QString::fromLocal8Bit(app.readAllStandardError());
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

        QProcess app;
        app.setProcessEnvironment(environment(u"broken"_s));
        app.start(QStringLiteral(JOTTERLY_PATH), {});
        QVERIFY(app.waitForFinished(20000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QVERIFY(app.exitCode() != 0);
        const QString message = QString::fromLocal8Bit(app.readAllStandardError());
        QVERIFY2(message.startsWith(u"Failed to create ModelContainer: "_s), qPrintable(message));
        QVERIFY(message.contains(path));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("not a database at all"));
    }

    void clearsAutomatically_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("lastClear"); // as written in the preference file
        QTest::addColumn<bool>("cleared");
        const auto daysAgo = [](int days) {
            return QDateTime::currentDateTime().addDays(-days).toString(Qt::ISODateWithMs);
        };
        QTest::newRow("daily, a day later") << u"daily"_s << daysAgo(1) << true;
        QTest::newRow("weekly, six days") << u"weekly"_s << daysAgo(6) << false;
        QTest::newRow("daily, not a date") << u"daily"_s << u"last tuesday"_s << false;
        QTest::newRow("on quit, at launch") << u"onQuit"_s << daysAgo(30) << false;
    }

    void clearsAutomatically()
    {
        QFETCH(QString, option);
        QFETCH(QString, lastClear);
        QFETCH(bool, cleared);
        const QString tag = u"autoclear-"_s + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-');
        prepareHistory(tag);
        {
            Preferences preferences(configPath(tag));
            preferences.setString(PreferenceKeys::autoClearOption, option);
            preferences.setString(PreferenceKeys::lastAutoClearDate, lastClear);
            preferences.setBoolean(PreferenceKeys::launchAtLogin, false);
        }
        QProcess app;
        launch(app, tag);
        QStringList expected{u"pinned 1"_s, u"pinned 0"_s};
        if (!cleared)
            expected = QStringList{u"copy 4"_s, u"copy 3"_s, u"copy 2"_s} + expected;
        const QStringList stored = DiskView(storePath(tag)).previews();
        QCOMPARE(QSet<QString>(stored.begin(), stored.end()), QSet<QString>(expected.begin(), expected.end()));
        terminate(app);

        // Only the daily and weekly checks record when they ran.
        const auto last = Preferences(configPath(tag)).date(PreferenceKeys::lastAutoClearDate);
        if (option == u"daily"_s || option == u"weekly"_s)
            QVERIFY(last && qAbs(last->secsTo(QDateTime::currentDateTime())) < 60);
        else
            QCOMPARE(Preferences(configPath(tag)).string(PreferenceKeys::lastAutoClearDate), lastClear);
    }

    void aSecondLaunchHandsOverAndLeaves()
    {
        const QString tag = u"second"_s;
        QProcess first;
        launch(first, tag);
        QProcess second;
        second.setProcessEnvironment(environment(tag));
        second.start(QStringLiteral(JOTTERLY_PATH), {});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitCode(), 0);
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += first.readAllStandardError()).contains("activation requested"), 10000);
        QCOMPARE(first.state(), QProcess::Running);
        terminate(first);
    }

};

JOTTERLY_X11_TEST_MAIN(TestLaunch)
#include "tst_launch.moc"
