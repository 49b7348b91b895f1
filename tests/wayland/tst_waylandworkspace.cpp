#include "platform/wayland/waylandworkspace.h"
#include "support/headlesssway.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The application in front on a real compositor (headless sway), with foot terminals as
// the applications, focused through sway's own commands.
class TestWaylandWorkspace : public QObject
{
    Q_OBJECT

    HeadlessSway m_sway;
    QList<QProcess *> m_clients;

    bool startClient(const QString &appId)
    {
        auto *client = new QProcess(this);
        client->setProcessEnvironment(m_sway.clientEnvironment());
        client->setStandardOutputFile(QProcess::nullDevice());
        client->setStandardErrorFile(QProcess::nullDevice());
        client->start(u"foot"_s, {u"--app-id=%1"_s.arg(appId), u"sleep"_s, u"600"_s});
        m_clients << client;
        return client->waitForStarted(5000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(u"foot"_s).isEmpty())
            QSKIP("foot is not installed");
        QString error;
        if (!m_sway.start(&error))
            QSKIP(qPrintable(u"no headless compositor: "_s + error));
    }

    void cleanupTestCase()
    {
        for (QProcess *client : std::as_const(m_clients))
            endProcess(*client);
    }

    void namesTheActivatedToplevel()
    {
        WaylandWorkspace workspace(nullptr, m_sway.socketPath());
        QVERIFY(workspace.isAvailable());
        QCOMPARE(workspace.frontmostApplicationID(), std::nullopt); // no window at all

        QVERIFY(startClient(u"org.example.First"_s));
        QTRY_COMPARE_WITH_TIMEOUT(workspace.frontmostApplicationID(), std::optional(u"org.example.First"_s), 15000);
        QVERIFY(startClient(u"second"_s)); // a new window takes the focus
        QTRY_COMPARE_WITH_TIMEOUT(workspace.frontmostApplicationID(), std::optional(u"second"_s), 15000);
        QVERIFY(m_sway.command(u"[app_id=\"org.example.First\"] focus"_s));
        QTRY_COMPARE_WITH_TIMEOUT(workspace.frontmostApplicationID(), std::optional(u"org.example.First"_s), 15000);

        // A window that closes is forgotten; the other one is in front again.
        m_clients.first()->kill();
        QTRY_COMPARE_WITH_TIMEOUT(workspace.frontmostApplicationID(), std::optional(u"second"_s), 15000);
    }

    void withoutTheProtocolNothingIsKnown()
    {
        WaylandWorkspace workspace(nullptr, u"/nonexistent/wayland-0"_s);
        QVERIFY(!workspace.isAvailable());
        QCOMPARE(workspace.frontmostApplicationID(), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestWaylandWorkspace)
#include "tst_waylandworkspace.moc"
