#include "updates/appcast.h"
#include "updates/installerimage.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

const QUrl feedLocation(u"https://example.org/updates/appcast.xml"_s);

QByteArray feed(const QByteArray &items)
{
    return "<?xml version=\"1.0\"?><rss xmlns:appcast=\"urn:jotterly:test\"><channel>" + items + "</channel></rss>";
}

QByteArray item(const QByteArray &version, const QByteArray &url)
{
    return "<item><appcast:version>" + version + "</appcast:version><enclosure url=\"" + url + "\"/></item>";
}

QByteArray nested(int depth)
{
    return "<plist><dict><key>images</key>" + QByteArray("<array>").repeated(depth) + QByteArray("</array>").repeated(depth)
        + "</dict></plist>";
}

// Nested entities that would expand to 16^5 * 68 bytes.
const QByteArray entityBomb = "<?xml version=\"1.0\"?>\n<!DOCTYPE rss [<!ENTITY a \"" + QByteArray(68, 'a') + "\">"
    + "<!ENTITY b \"" + QByteArray("&a;").repeated(16) + "\"><!ENTITY c \"" + QByteArray("&b;").repeated(16) + "\">"
    + "<!ENTITY d \"" + QByteArray("&c;").repeated(16) + "\"><!ENTITY e \"" + QByteArray("&d;").repeated(16) + "\">"
    + "<!ENTITY f \"" + QByteArray("&e;").repeated(16) + "\">]>"
    + "<rss><channel><item><version>9.0</version><link>https://example.org/&f;</link></item></channel></rss>";

} // namespace

class TestUpdateInput : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // An image entry of the tool's listing; mount points under the test's folder.
    QByteArray image(const QByteArray &path, const QByteArray &entities)
    {
        return "<dict><key>image-path</key>" + path + "<key>system-entities</key>" + entities + "</dict>";
    }
    QByteArray mount(const QByteArray &name)
    {
        return "<array><dict><key>content-hint</key><string>Apple_HFS</string><key>mount-point</key><string>"
            + m_dir.filePath(QString::fromLatin1(name)).toUtf8() + "</string></dict></array>";
    }
    static QByteArray listing(const QByteArray &images)
    {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
               "<plist version=\"1.0\"><dict><key>framework</key><string>1</string><key>images</key><array>"
            + images + "</array></dict></plist>";
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Volumes "a" and "b" hold the application.
        for (const QString &volume : {u"a/jotterly"_s, u"b/jotterly"_s})
            QVERIFY(QDir(m_dir.path()).mkpath(volume));
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
        const Appcast appcast = readAppcast(document, feedLocation); // a blow-up would hang here
        QCOMPARE(appcast.readable, readable);
        QCOMPARE(appcast.newest.has_value(), !version.isEmpty());
        const AppcastItem newest = appcast.newest.value_or(AppcastItem{});
        QCOMPARE((std::tuple{newest.displayVersion, newest.downloadLocation, newest.releaseNotesLocation}),
                 (std::tuple{version, QUrl(download), QUrl(notes)}));
    }

    void findsTheInstallerImage_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("imagePath"); // the mount point is the test folder's volume of the same letter
        const QByteArray pathA = "<string>/images/a.dmg</string>";
        const QByteArray pathB = "<string>/images/b.dmg</string>";

        // Data holding a path's bytes must not pass for the path.
        QTest::newRow("image path not a string") << listing(image("<data>" + QByteArray("/images/a.dmg").toBase64() + "</data>", mount("a"))
                                                            + image(pathB, mount("b")))
                                                 << u"/images/b.dmg"_s;
        QTest::newRow("entities not an array") << listing(image(pathA, "<dict/>") + image(pathB, mount("b"))) << u"/images/b.dmg"_s;
        QTest::newRow("images hold a number") << listing(image(pathA, mount("a")) + "<integer>2</integer>") << QString();
        QTest::newRow("malformed") << listing(image(pathA, mount("a"))).chopped(8) << QString();
        QTest::newRow("deeply nested") << nested(100000) << QString();
    }
    void findsTheInstallerImage()
    {
        QFETCH(QByteArray, output);
        QFETCH(QString, imagePath);
        const auto found = findMountedInstallerImage(output, u"jotterly"_s);
        QCOMPARE(found.has_value(), !imagePath.isEmpty());
        if (found)
            QCOMPARE((std::pair{found->imagePath, found->mountPoint}), (std::pair{imagePath, m_dir.filePath(imagePath.mid(8, 1))}));
        QVERIFY(!findMountedInstallerImage(output, QString())); // without a name nothing matches
    }
};

QTEST_GUILESS_MAIN(TestUpdateInput)
#include "tst_updateinput.moc"
