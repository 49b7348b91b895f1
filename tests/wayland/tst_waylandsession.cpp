#include "support/desktopdriver.h"
#include "support/headlesssway.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The real program in a Wayland session without XWayland (headless sway, no DISPLAY):
// it runs on Qt's Wayland platform, records copies through data control and opens its
// panel for `jotterly --toggle`.
class TestWaylandSession : public QObject
{
    Q_OBJECT

    HeadlessSway m_sway;
    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        if (!m_sway.start(&error))
            QSKIP(qPrintable(u"no headless compositor: "_s + error));
        if (QStandardPaths::findExecutable(u"wl-copy"_s).isEmpty())
            QSKIP("wl-copy is not installed");
    }

    void runsWithoutX11()
    {
        JotterlyProcess app(m_home.path());
        app.removeFromEnvironment({u"DISPLAY"_s});
        QProcessEnvironment session;
        // Its own runtime folder keeps the single-instance socket; the compositor's
        // socket is named by its path.
        session.insert(u"WAYLAND_DISPLAY"_s, m_sway.socketPath());
        const auto done = qScopeGuard([&app] { app.finish(); });
        QVERIFY2(app.start(session), app.log().constData());
        QVERIFY2(app.log().contains("launched on wayland"), app.log().constData());

        QProcess copy;
        copy.setProcessEnvironment(m_sway.clientEnvironment());
        copy.start(u"wl-copy"_s, {u"copied in a session without X11"_s});
        QVERIFY(copy.waitForFinished(10000) && copy.exitCode() == 0);
        QVERIFY(app.waitForLog(recordedLine, 10000, 0));
        QVERIFY(app.waitForRows([](const QJsonArray &rows) {
            return !rows.isEmpty() && rows.first().toObject().value(u"label"_s) == u"copied in a session without X11"_s;
        }));

        const qsizetype from = app.mark();
        QProcess toggle;
        toggle.setProcessEnvironment(app.environment(session));
        toggle.start(QStringLiteral(JOTTERLY_PATH), {u"--toggle"_s});
        QVERIFY(toggle.waitForFinished(30000) && toggle.exitCode() == 0);
        QVERIFY(app.waitForLog("panel drawn", 15000, from));
        QTRY_VERIFY_WITH_TIMEOUT(m_sway.tree().contains("\"app_id\": \"" JOTTERLY_APP_ID "\""), 10000);
    }
};

QTEST_GUILESS_MAIN(TestWaylandSession)
#include "tst_waylandsession.moc"
