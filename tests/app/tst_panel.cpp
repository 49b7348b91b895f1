#include "support/imagetesting.h"
#include "support/x11testing.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

// The real program with a real tray host (trayer) under the test command's X server,
// driven only from outside: xclip copies, xdotool clicks and types. Screenshots of the
// panel are left in JOTTERLY_SCREENSHOTS (the build folder's screenshots/ by default).
class TestPanel : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QProcess m_tray;
    QProcess m_app;
    QByteArray m_log;
    QString m_screenshots;

    bool logged(const QByteArray &line)
    {
        m_log += m_app.readAllStandardError();
        return m_log.contains(line);
    }

    // Waits for the next time the program logs `line`.
    bool waitForLog(const QByteArray &line)
    {
        m_log += m_app.readAllStandardError();
        const qsizetype from = m_log.size();
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 10000) {
            QTest::qWait(20);
            m_log += m_app.readAllStandardError();
            if (m_log.indexOf(line, from) >= 0)
                return true;
        }
        return false;
    }

    QRect windowGeometry(const QString &searchArguments)
    {
        QProcess xdotool;
        xdotool.start(u"sh"_s, {u"-c"_s, u"xdotool search %1 getwindowgeometry --shell %@ | tail -n 6"_s.arg(searchArguments)});
        xdotool.waitForFinished(5000);
        const QString out = QString::fromUtf8(xdotool.readAllStandardOutput());
        const auto value = [&](const QString &key) {
            const auto match = QRegularExpression(key + u"=(\\d+)"_s).match(out);
            return match.hasMatch() ? match.captured(1).toInt() : -1;
        };
        return QRect(value(u"X"_s), value(u"Y"_s), value(u"WIDTH"_s), value(u"HEIGHT"_s));
    }

    QRect panelGeometry() { return windowGeometry(u"--onlyvisible --name '^jotterly$'"_s); }

    void screenshot(const QString &name)
    {
        QTest::qWait(300); // let the scene finish drawing
        QVERIFY(runShell(u"%1 %2/%3.png"_s.arg(QStringLiteral(SCREENSHOT_PATH), m_screenshots, name)));
    }

    void click(const QPoint &point, const QString &modifiers = {})
    {
        const QString keys = modifiers.isEmpty() ? QString() : u"keydown %1 "_s.arg(modifiers);
        const QString release = modifiers.isEmpty() ? QString() : u" keyup %1"_s.arg(modifiers);
        QVERIFY(runShell(u"xdotool mousemove %1 %2 %3click 1%4"_s.arg(point.x()).arg(point.y()).arg(keys, release)));
    }

    QPoint rowCentre(int index)
    {
        const QRect panel = panelGeometry();
        return QPoint(panel.x() + 120, panel.y() + 100 + 46 * index);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_screenshots = qEnvironmentVariable("JOTTERLY_SCREENSHOTS", QStringLiteral(SCREENSHOTS_DEFAULT));
        QDir().mkpath(m_screenshots);
        // A tray host that a previous run left going can refuse to start: try again.
        for (int attempt = 0; attempt < 3 && windowGeometry(u"--class trayer"_s).width() <= 0; ++attempt) {
            m_tray.kill();
            m_tray.waitForFinished();
            m_tray.start(u"trayer"_s, {u"--edge"_s, u"top"_s, u"--align"_s, u"right"_s, u"--widthtype"_s, u"request"_s,
                                       u"--height"_s, u"24"_s, u"--transparent"_s, u"false"_s, u"--tint"_s, u"0x303030"_s});
            QVERIFY2(m_tray.waitForStarted(), "trayer is needed: run the tests through scripts/test.sh");
            QElapsedTimer timer;
            timer.start();
            while (timer.elapsed() < 5000 && windowGeometry(u"--class trayer"_s).width() <= 0)
                QTest::qWait(100);
        }
        QVERIFY(windowGeometry(u"--class trayer"_s).width() > 0);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_DATA_HOME"_s, m_home.filePath(u"data"_s));
        env.insert(u"XDG_CONFIG_HOME"_s, m_home.filePath(u"config"_s));
        QDir().mkpath(m_home.filePath(u"runtime"_s));
        QFile::setPermissions(m_home.filePath(u"runtime"_s), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert(u"XDG_RUNTIME_DIR"_s, m_home.filePath(u"runtime"_s));
        env.insert(u"QT_LOGGING_RULES"_s, u"jotterly.app.debug=true"_s);
        env.remove(u"QT_QPA_PLATFORM"_s);
        m_app.setProcessEnvironment(env);
        m_app.start(QStringLiteral(JOTTERLY_PATH), {});
        QVERIFY(m_app.waitForStarted());
        QVERIFY(waitForLog("launched"));
    }

    void cleanupTestCase()
    {
        if (QTest::currentTestFailed() || qEnvironmentVariableIsSet("JOTTERLY_TEST_LOG"))
            qWarning().noquote() << m_log;
        if (m_app.state() == QProcess::Running) {
            ::kill(pid_t(m_app.processId()), SIGTERM);
            m_app.waitForFinished(10000);
        }
        m_tray.kill();
        m_tray.waitForFinished();
    }

    void greetsAFirstLaunch()
    {
        // The first launch shows the onboarding, centred on the screen.
        QTRY_VERIFY_WITH_TIMEOUT(windowGeometry(u"--onlyvisible --name '^Welcome to jotterly$'"_s).width() == 520, 5000);
        const QRect window = windowGeometry(u"--onlyvisible --name '^Welcome to jotterly$'"_s);
        QTest::qWait(2000);
        screenshot(u"07-onboarding-welcome"_s);
        click(QPoint(window.center().x(), window.top() + 385)); // "Get Started"
        QTest::qWait(3000);
        screenshot(u"08-onboarding-done"_s);
        click(QPoint(window.center().x(), window.top() + 336)); // "Start Using jotterly"
        QVERIFY(waitForLog("onboarding completed"));
    }

    void opensFromTheTrayAndTheShortcut()
    {
        // The tray icon is the only one in trayer's window.
        const QRect tray = windowGeometry(u"--class trayer"_s);
        click(QPoint(tray.right() - 12, tray.center().y()));
        QVERIFY(waitForLog("panel shown"));
        QTRY_VERIFY_WITH_TIMEOUT(panelGeometry().width() == 320, 5000);
        QVERIFY(panelGeometry().top() >= tray.bottom()); // under the icon
        screenshot(u"01-empty"_s);
        QVERIFY(runShell(u"xdotool key Escape"_s));
        QTRY_VERIFY_WITH_TIMEOUT(panelGeometry().width() != 320, 5000);

        QVERIFY(runShell(u"xdotool key alt+shift+v"_s));
        QVERIFY(waitForLog("panel shown"));
        QVERIFY(runShell(u"xdotool key alt+shift+v"_s));
        QVERIFY(waitForLog("panel closed"));
    }

    void showsEveryKindAndSearches()
    {
        QFile png(m_home.filePath(u"picture.png"_s));
        QVERIFY(png.open(QIODevice::WriteOnly));
        png.write(encodedImage(240, 160, "png"));
        png.close();
        const QStringList copies{
            u"printf 'plain words' | xclip -selection clipboard"_s,
            u"printf 'two\\nlines' | xclip -selection clipboard"_s,
            u"printf '#ff8800' | xclip -selection clipboard"_s,
            u"printf 'https://example.org/page' | xclip -selection clipboard"_s,
            u"printf 'file:///etc/hosts\\r\\n' | xclip -selection clipboard -t text/uri-list"_s,
            u"xclip -selection clipboard -t image/png < %1"_s.arg(png.fileName()),
        };
        for (const QString &copy : copies) {
            QVERIFY(runShell(copy));
            QTest::qWait(250);
        }
        QVERIFY(runShell(u"xdotool key alt+shift+v"_s));
        QVERIFY(waitForLog("panel shown"));
        screenshot(u"02-history"_s);

        QVERIFY(runShell(u"xdotool mousemove %1 %2"_s.arg(rowCentre(0).x()).arg(rowCentre(0).y())));
        QTest::qWait(1600);
        screenshot(u"03-preview"_s);

        QVERIFY(runShell(u"xdotool mousemove 10 700"_s)); // away: the preview closes
        QVERIFY(runShell(u"xdotool type lines"_s));
        QTest::qWait(500);
        screenshot(u"04-search"_s);
        QVERIFY(runShell(u"xdotool key ctrl+a BackSpace"_s));
        QTest::qWait(500);
        QVERIFY(runShell(u"xdotool key Escape"_s));
    }

    void marksAndRunsAQueue()
    {
        QVERIFY(runShell(u"xdotool key alt+shift+v"_s));
        QVERIFY(waitForLog("panel shown"));
        QTest::qWait(300);
        click(rowCentre(1), u"ctrl"_s);
        click(rowCentre(3), u"ctrl"_s);
        screenshot(u"05-marks"_s);
        const QRect panel = panelGeometry();
        // "Start Queue" is the last button of the queue bar, above the footer.
        click(QPoint(panel.right() - 45, panel.bottom() - 54));
        QVERIFY(waitForLog("paste queue running"));
        QVERIFY(runShell(u"xdotool key alt+shift+v"_s));
        QVERIFY(waitForLog("panel shown"));
        screenshot(u"06-queue-running"_s);
        QVERIFY(runShell(u"xdotool key Escape"_s));
        QTest::qWait(300);
        QVERIFY(runShell(u"xdotool key ctrl+v"_s));
        QVERIFY(runShell(u"xdotool key ctrl+v"_s));
        QVERIFY(waitForLog("paste queue idle"));
    }

    void opensTheSettings()
    {
        QVERIFY(runShell(u"xdotool key alt+shift+v"_s));
        QVERIFY(waitForLog("panel shown"));
        const QRect panel = panelGeometry();
        click(QPoint(panel.left() + 24, panel.bottom() - 17)); // the gear
        QVERIFY(waitForLog("settings shown"));
        QTRY_VERIFY_WITH_TIMEOUT(windowGeometry(u"--onlyvisible --name '^jotterly Settings$'"_s).width() == 450, 5000);
        const QRect settings = windowGeometry(u"--onlyvisible --name '^jotterly Settings$'"_s);
        screenshot(u"09-settings-general"_s);
        click(QPoint(settings.left() + 330, settings.top() + 30)); // the About tab
        screenshot(u"10-settings-about"_s);
    }
};

QTEST_GUILESS_MAIN(TestPanel)
#include "tst_panel.moc"
