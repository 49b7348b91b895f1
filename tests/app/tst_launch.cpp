#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

// The jotterly executable as a user or the session starts it.
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
        QDir().mkpath(m_home.filePath(u"runtime"_s));
        QFile::setPermissions(m_home.filePath(u"runtime"_s), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert(u"XDG_RUNTIME_DIR"_s, m_home.filePath(u"runtime"_s));
        return env;
    }

    QString storePath(const QString &tag) const { return m_home.filePath(tag + u"/data/jotterly/history.sqlite"_s); }

private Q_SLOTS:
    void refusesToStartWithoutAGraphicalSession_data()
    {
        QTest::addColumn<QString>("display");
        QTest::newRow("no DISPLAY") << QString();
        QTest::newRow("unreachable DISPLAY") << u":97"_s;
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

        QProcess app;
        app.setProcessEnvironment(env);
        app.start(QStringLiteral(JOTTERLY_PATH), {});
        QVERIFY(app.waitForFinished(20000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QVERIFY(app.exitCode() != 0);
        const QString message = QString::fromLocal8Bit(app.readAllStandardError());
        QVERIFY2(message.startsWith(u"jotterly: no graphical session"_s), qPrintable(message));
        QCOMPARE(message.count(u'\n'), 1);
        QVERIFY(!QFileInfo::exists(storePath(u"nodisplay"_s)));
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

    void runsUntilAskedToQuit_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    void runsUntilAskedToQuit()
    {
        QFETCH(int, signalNumber);
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        QProcess app;
        app.setProcessEnvironment(environment(tag));
        app.start(QStringLiteral(JOTTERLY_PATH), {});
        QVERIFY(app.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(storePath(tag)), 20000);
        QVERIFY(!app.waitForFinished(300)); // still running

        ::kill(pid_t(app.processId()), signalNumber);
        QVERIFY(app.waitForFinished(20000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);

        const QFileInfo folder(QFileInfo(storePath(tag)).absolutePath());
        QCOMPARE(folder.permissions() & 0x0777, QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
        QCOMPARE(QFileInfo(storePath(tag)).permissions() & 0x0777, QFile::ReadUser | QFile::WriteUser);
        // Registered defaults live in memory only: launching writes no preference.
        QFile config(m_home.filePath(tag + u"/config/jotterly/jotterly.conf"_s));
        QVERIFY(!config.exists() || (config.open(QIODevice::ReadOnly) && !config.readAll().contains("historyLimit")));
    }
};

QTEST_GUILESS_MAIN(TestLaunch)
#include "tst_launch.moc"
