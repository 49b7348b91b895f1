#include "httptestserver.h"

#include "platform/manualscheduler.h"
#include "settings/preferences.h"
#include "updates/appcast.h"
#include "updates/feedfetch.h"
#include "platform/recordingalerts.h"
#include "updates/updatercontroller.h"

#include <QNetworkProxy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

const QString upToDate = u"You're up to date!"_s;
const QString newVersion = u"A new version of jotterly is available!"_s;

QByteArray feed(const QByteArray &items)
{
    return R"(<?xml version="1.0" encoding="utf-8"?><rss version="2.0" xmlns:appcast="urn:jotterly:test"><channel><title>jotterly</title>)"
        + items + "</channel></rss>";
}

QByteArray item(const QByteArray &version, const QByteArray &url)
{
    return "<item><appcast:version>" + version + "</appcast:version><enclosure url=\"" + url + "\"/></item>";
}

// Nested entities that would expand to 16^5 * 68 bytes.
const QByteArray entityBomb = "<?xml version=\"1.0\"?>\n<!DOCTYPE rss [<!ENTITY a \"" + QByteArray(68, 'a') + "\">"
    + "<!ENTITY b \"" + QByteArray("&a;").repeated(16) + "\"><!ENTITY c \"" + QByteArray("&b;").repeated(16) + "\">"
    + "<!ENTITY d \"" + QByteArray("&c;").repeated(16) + "\"><!ENTITY e \"" + QByteArray("&d;").repeated(16) + "\">"
    + "<!ENTITY f \"" + QByteArray("&e;").repeated(16) + "\">]>"
    + "<rss><channel><item><version>9.0</version><link>https://example.org/&f;</link></item></channel></rss>";

const QByteArray newerRelease = feed(R"(<item id="7"><title>0.2</title>
    <appcast:releaseNotesLink>https://example.org/notes/0.2.html</appcast:releaseNotesLink>
    <enclosure url="/download/jotterly-0.2.0.tar.gz" appcast:version="0.2.0" appcast:shortVersionString="0.2" length="1" type="application/octet-stream"/>
    </item>)");

} // namespace

class TestUpdaterController : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Preferences> m_preferences;
    ManualScheduler m_scheduler;
    RecordingAlerts m_alerts;
    QList<QUrl> m_opened;
    HttpTestServer *m_server = nullptr;

    std::unique_ptr<UpdaterController> makeController(const QUrl &feedUrl)
    {
        UpdateServices services{ApplicationInfo{u"jotterly"_s, u"0.1.0"_s, feedUrl.toString()}, &m_scheduler, &m_alerts,
                                [this](const QUrl &url) {
                                    m_opened << url;
                                    return true;
                                }};
        return std::make_unique<UpdaterController>(m_preferences.get(), std::move(services));
    }

private Q_SLOTS:
    void initTestCase() { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_preferences = std::make_unique<Preferences>(m_dir->filePath(u"jotterly.conf"_s));
        m_alerts = {};
        m_opened.clear();
        m_server = new HttpTestServer;
        QVERIFY(m_server->listen());
    }
    void cleanup() { delete m_server; }

    // Only a web feed is read: anything else is answered at once.
    void answersAtOnceWithoutAWebFeed()
    {
        auto controller = makeController(QUrl(u"file:///etc/passwd"_s));
        controller->checkForUpdates();
        QCOMPARE(m_alerts.shown, (QList<Alert>{{upToDate, u"jotterly 0.1.0 is the latest version."_s, {u"OK"_s}}}));
    }

    void precheckDecidesWhetherTheUpdaterChecks_data()
    {
        QTest::addColumn<HttpTestServer::Mode>("mode");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QString>("alertText");
        using Mode = HttpTestServer::Mode;
        const QString latest = upToDate;
        // Two requests: the updater read the feed again after the pre-check.
        QTest::newRow("item with attributes") << Mode::Answer << 200 << newerRelease << 2 << newVersion;
        QTest::newRow("bare item, nothing newer") << Mode::Answer << 200 << feed("<item><title>old</title></item>") << 2 << latest;
        QTest::newRow("no items") << Mode::Answer << 200 << feed("") << 1 << latest;
        QTest::newRow("not UTF-8") << Mode::Answer << 200 << QByteArray(newerRelease).replace("0.2", "\xff\xfe") << 1 << latest;
        QTest::newRow("50 MB, no length said") << Mode::Stream << 200 << QByteArray() << 1 << latest;
        QTest::newRow("never answers") << Mode::Silent << 200 << QByteArray() << 1 << latest;
        QTest::newRow("connection refused") << Mode::Answer << 0 << newerRelease << 0 << latest; // 0: the server is closed
    }
    void precheckDecidesWhetherTheUpdaterChecks()
    {
        QFETCH(HttpTestServer::Mode, mode);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, requests);
        QFETCH(QString, alertText);
        m_server->mode = mode;
        m_server->status = status;
        m_server->body = body;
        m_server->streamBytes = 50 * 1024 * 1024;
        if (status == 0)
            m_server->close();

        auto controller = makeController(m_server->url());
        QTRY_VERIFY(controller->canCheckForUpdates()); // the first report, straight after construction
        QList<bool> reports;
        connect(controller.get(), &UpdaterController::canCheckForUpdatesChanged, this,
                [&] { reports << controller->canCheckForUpdates(); });

        m_alerts.answers = {0}; // "Download" where a release is offered
        controller->checkForUpdates();
        controller->checkForUpdates(); // while the feed is on its way: ignored
        if (mode == HttpTestServer::Mode::Silent) {
            QTRY_COMPARE(m_server->requests, 1);
            m_scheduler.advance(feedTimeLimit);
        }
        QTRY_COMPARE(m_alerts.shown.size(), 1);
        QCOMPARE(m_alerts.shown.first().text, alertText);
        QCOMPARE(m_server->requests, requests);
        // The updater could not check while its own check ran, and can again afterwards.
        const QList<bool> expectedReports = requests == 2 ? QList<bool>{false, true} : QList<bool>{};
        QTRY_COMPARE(reports, expectedReports);
        QVERIFY(m_server->bytesSent < 50 * 1024 * 1024);
        const QUrl download = m_server->url().resolved(QUrl(u"/download/jotterly-0.2.0.tar.gz"_s));
        QCOMPARE(m_opened, alertText == newVersion ? QList<QUrl>{download} : QList<QUrl>{});
    }

    void readsTheNewestUsableRelease_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<QString>("version"); // displayed; empty: no usable item
        QTest::addColumn<QString>("download");
        QTest::addColumn<QString>("notes");

        QTest::newRow("highest of several")
            << feed(item("1.2", "/a.tgz") + item("1.10", "/b.tgz") + item("1.9.9", "/c.tgz"))
            << true << u"1.10"_s << u"https://example.org/b.tgz"_s << QString();
        QTest::newRow("enclosure attributes, notes")
            << feed("<item id=\"1\"><appcast:releaseNotesLink>notes.html</appcast:releaseNotesLink>"
                    "<enclosure appcast:version=\"200\" appcast:shortVersionString=\"2.0\" url=\"http://dl.example.org/j.tgz\"/></item>")
            << true << u"2.0"_s << u"http://dl.example.org/j.tgz"_s << u"https://example.org/updates/notes.html"_s;
        QTest::newRow("no web location, or none at all")
            << feed(item("9", "file:///etc/passwd") + item("8", "javascript:alert(1)") + "<item><version>7</version></item>"
                    + item("1", "/ok.tgz"))
            << true << u"1"_s << u"https://example.org/ok.tgz"_s << QString();
        QTest::newRow("no usable version")
            << feed(item("", "/a.tgz") + item("latest", "/b.tgz") + item(QByteArray(100, '1'), "/c.tgz")) << true << QString()
            << QString() << QString();
        QTest::newRow("truncated") << feed(item("5.0", "/five.tgz")).chopped(10) << false << QString() << QString() << QString();
        QTest::newRow("deeply nested") << feed(QByteArray("<x>").repeated(200000) + item("5", "/d.tgz") + QByteArray("</x>").repeated(200000))
                                       << false << QString() << QString() << QString();
        QTest::newRow("entity expansion") << entityBomb << false << QString() << QString() << QString();
    }
    void readsTheNewestUsableRelease()
    {
        QFETCH(QByteArray, document);
        QFETCH(bool, readable);
        QFETCH(QString, version);
        QFETCH(QString, download);
        QFETCH(QString, notes);
        const Appcast appcast = readAppcast(document, QUrl(u"https://example.org/updates/appcast.xml"_s)); // a blow-up would hang here
        QCOMPARE(appcast.readable, readable);
        QCOMPARE(appcast.newest.has_value(), !version.isEmpty());
        const AppcastItem newest = appcast.newest.value_or(AppcastItem{});
        QCOMPARE((std::tuple{newest.displayVersion, newest.downloadLocation, newest.releaseNotesLocation}),
                 (std::tuple{version, QUrl(download), QUrl(notes)}));
    }
};

QTEST_GUILESS_MAIN(TestUpdaterController)
#include "tst_updatercontroller.moc"
