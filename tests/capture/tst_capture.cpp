#include "capture/capturesteps.h"
#include "capture/imagecapture.h"
#include "platform/mimedatapasteboard.h"
#include "support/capturerig.h"
#include "support/imagetesting.h"
#include "support/offers.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// What the four steps, tried in their fixed order, make of a clipboard.
ClipItemPtr capture(const ClipboardContent &content)
{
    MimeDataPasteboard pasteboard;
    pasteboard.replaceContent(content);
    if (auto item = captureImage(pasteboard, nullptr))
        return item;
    if (auto item = captureFileURL(pasteboard))
        return item;
    if (auto item = captureURL(pasteboard))
        return item;
    return captureText(pasteboard);
}

} // namespace

class TestCapture : public QObject
{
    Q_OBJECT

    std::optional<CaptureRig> m_rig;

private Q_SLOTS:
    void init()
    {
        m_rig.emplace();
        QVERIFY(m_rig->store);
    }

    void cleanup() { m_rig.reset(); }

    void recordsEachNewCopyOnceAndOnlyRepeatsOfTheNewest()
    {
        m_rig->copyText(u"there before"_s);
        m_rig->monitor.startMonitoring();

        for (const QString &text : {u"A"_s, u"A"_s, u"B"_s, u"A"_s}) {
            m_rig->copyText(text);
            m_rig->scheduler.advance(500ms);
        }
        QCOMPARE(m_rig->stored(), (QStringList{u"A"_s, u"B"_s, u"A"_s}));

        // A pinned newest item also blocks its repeat.
        m_rig->store->context->fetch({}).items.constFirst()->setIsPinned(true);
        m_rig->copyText(u"A"_s);
        m_rig->scheduler.advance(500ms);
        QCOMPARE(m_rig->stored().size(), 3);
    }

    void storesTextThatIsNotValidUtf8AsItReads()
    {
        m_rig->monitor.startMonitoring();
        m_rig->pasteboard.replaceContent({{u"UTF8_STRING"_s, "ok \xff end"}});
        m_rig->scheduler.runPending();
        QCOMPARE(m_rig->stored(), QStringList{u"ok \uFFFD end"_s});
        QCOMPARE(fetchNewestItem(*m_rig->store->context)->content(), u"ok \uFFFD end"_s.toUtf8());
    }

    // A clipboard that changes without a word is polled every 0.5 s.
    void pollsAPasteboardThatKeepsItsChangesToItself()
    {
        struct SilentPasteboard : MimeDataPasteboard {
            bool reportsChanges() const override { return false; }
        } pasteboard;
        pasteboard.blockSignals(true);
        ClipboardMonitor monitor(&pasteboard, &m_rig->scheduler, &m_rig->preferences, &m_rig->workspace);
        monitor.setModelContext(m_rig->store->context.get());
        monitor.startMonitoring();
        pasteboard.replaceContent({{u"UTF8_STRING"_s, "copied"}});
        m_rig->scheduler.advance(499ms);
        QCOMPARE(m_rig->stored().size(), 0);
        m_rig->scheduler.advance(1ms);
        QCOMPARE(m_rig->stored(), QStringList{u"copied"_s});
    }

    void recordsNothingWhilePaused()
    {
        m_rig->monitor.startMonitoring();
        // Our own write during a pause is never recorded.
        m_rig->monitor.setIsPaused(true);
        m_rig->pasteboard.clearContents();
        m_rig->pasteboard.setString(u"ours"_s, PasteboardType::String);
        m_rig->scheduler.advance(500ms);
        m_rig->monitor.resumeMonitoring();
        QCOMPARE(m_rig->monitor.lastChangeCount(), m_rig->pasteboard.changeCount());
        m_rig->scheduler.advance(1s);
        QCOMPARE(m_rig->stored(), QStringList());

        // Another application's copy made after it, while still paused, is not lost.
        m_rig->monitor.setIsPaused(true);
        m_rig->pasteboard.clearContents();
        m_rig->pasteboard.setString(u"ours again"_s, PasteboardType::String);
        m_rig->copyText(u"theirs"_s);
        m_rig->scheduler.advance(200ms);
        QCOMPARE(m_rig->stored(), QStringList());
        m_rig->monitor.resumeMonitoring();
        m_rig->scheduler.runPending();
        QCOMPARE(m_rig->stored(), QStringList{u"theirs"_s});
    }

    void capturesEachKind_data()
    {
        QTest::addColumn<ClipboardContent>("clipboard");
        QTest::addColumn<QString>("kind"); // empty: nothing is recorded
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("preview");
        QTest::addColumn<QByteArray>("rtf"); // the rich data: RTF or HTML

        const QByteArray png = encodedImage(30, 10, "png");
        const QByteArray rtf = "{\\rtf1\\ansi {\\b bold} words}";

        QTest::newRow("an empty text") << ClipboardContent{{u"UTF8_STRING"_s, ""}} << QString() << QByteArray() << QString() << QByteArray();
        QTest::newRow("latin-1 STRING") << ClipboardContent{{u"STRING"_s, "caf\xe9"}} << u"text"_s
                                        << u"café"_s.toUtf8() << u"café"_s << QByteArray();
        // Kept as copied; the store writes replacement characters (storesTextThatIsNotValidUtf8AsItReads).
        QTest::newRow("invalid UTF-8") << ClipboardContent{{u"UTF8_STRING"_s, "ok \xff\xfe end"}} << u"text"_s
                                       << QByteArray("ok \xff\xfe end") << u"ok \uFFFD\uFFFD end"_s << QByteArray();
        QTest::newRow("link with rtf drops the rtf") << ClipboardContent{{u"UTF8_STRING"_s, "https://a.example"}, {u"text/rtf"_s, rtf}}
                                                     << u"url"_s << QByteArray("https://a.example") << u"https://a.example"_s << QByteArray();
        QTest::newRow("link that does not parse") << ClipboardContent{{u"UTF8_STRING"_s, "https://exa mple.org"}} << u"text"_s
                                                  << QByteArray("https://exa mple.org") << u"https://exa mple.org"_s << QByteArray();
        QTest::newRow("browser link, UTF-16") << ClipboardContent{{u"text/x-moz-url"_s, QByteArray("h\0t\0t\0p\0s\0:\0/\0/\0b\0.\0o\0r\0g\0\n\0T\0", 30)},
                                                                  {u"UTF8_STRING"_s, "Title"}}
                                              << u"url"_s << QByteArray("https://b.org") << u"https://b.org"_s << QByteArray();
        QTest::newRow("file list with LF, a comment, an unescaped space")
            << ClipboardContent{{u"text/uri-list"_s, "# copied\nfile:///tmp/a b\nfile:///tmp/c\n"}} << u"fileURL"_s
            << QByteArray("/tmp/a b") << u"a b"_s << QByteArray();
        QTest::newRow("link only in a uri-list, kept as written")
            << ClipboardContent{{u"text/uri-list"_s, "https://Example.COM/%7euser\r\n"}} << u"url"_s
            << QByteArray("https://Example.COM/%7euser") << u"https://Example.COM/%7euser"_s << QByteArray();
        QTest::newRow("capital scheme only in a uri-list") << ClipboardContent{{u"text/uri-list"_s, "HTTPS://Example.COM/\r\n"}}
                                                           << QString() << QByteArray() << QString() << QByteArray();
        const QString utf16Html = QChar(QChar::ByteOrderMark) + u"<b>Grüße</b>"_s;
        QTest::newRow("UTF-16 html becomes UTF-8")
            << ClipboardContent{{u"UTF8_STRING"_s, "Grüße"}, {u"text/html"_s, QByteArray(reinterpret_cast<const char *>(utf16Html.utf16()), utf16Html.size() * 2)}}
            << u"richText"_s << u"Grüße"_s.toUtf8() << u"Grüße"_s
            << u"<meta http-equiv=\"content-type\" content=\"text/html; charset=utf-8\"><b>Grüße</b>"_s.toUtf8();
        QTest::newRow("blank html") << ClipboardContent{{u"UTF8_STRING"_s, "words"}, {u"text/html"_s, " \n"}}
                                    << u"text"_s << QByteArray("words") << u"words"_s << QByteArray();

        // What real programs offered (tests/data/offers).
        const QByteArray greeting = u"Grüße, world"_s.toUtf8();
        const QByteArray file = u"/tmp/i13a/home/files/a b ü.txt"_s.toUtf8();
        const auto real = [](const char *name, const QString &kind, const QByteArray &content, const QString &preview,
                             const QByteArray &rich = {}) {
            QTest::newRow(name) << recordedOffer(QString::fromLatin1(name)) << kind << content << preview << rich;
        };
        real("mousepad-text", u"text"_s, greeting, QString::fromUtf8(greeting));
        real("xterm-text", u"text"_s, greeting + '\n', QString::fromUtf8(greeting + '\n'));
        real("firefox-text", u"richText"_s, u"Plain bold italic red a link Grüße"_s.toUtf8(), u"Plain bold italic red a link Grüße"_s,
             recordedOffer(u"firefox-text"_s).value(u"text/html"_s));
        real("firefox-link", u"url"_s, "https://example.com/docs/%7Euser?q=a%20b", u"https://example.com/docs/%7Euser?q=a%20b"_s);
        real("firefox-image", u"image"_s, recordedOffer(u"firefox-image"_s).value(u"image/png"_s), u"Image"_s);
        real("libreoffice-text", u"richText"_s, u"Plain bold italic red Grüße"_s.toUtf8(), u"Plain bold italic red Grüße"_s,
             recordedOffer(u"libreoffice-text"_s).value(u"text/rtf"_s));
        real("libreoffice-image", u"image"_s, recordedOffer(u"libreoffice-image"_s).value(u"image/png"_s), u"Image"_s);
        for (const char *name : {"pcmanfm-one-file-non-ascii", "pcmanfm-three-files", "thunar-three-files"})
            real(name, u"fileURL"_s, file, u"a b ü.txt"_s);

        QTest::newRow("image wins over text and files")
            << ClipboardContent{{u"image/png"_s, png}, {u"UTF8_STRING"_s, "https://x.org"}, {u"text/uri-list"_s, "file:///x"}}
            << u"image"_s << png << u"Image"_s << QByteArray();
        QTest::newRow("bytes that do not decode") << ClipboardContent{{u"image/png"_s, "not a picture"}} << u"image"_s
                                                  << QByteArray("not a picture") << u"Image"_s << QByteArray();
        QTest::newRow("only other types") << ClipboardContent{{u"text/html"_s, "<b>x</b>"}, {u"application/x-private"_s, "x"}}
                                          << QString() << QByteArray() << QString() << QByteArray();
    }

    void capturesEachKind()
    {
        QFETCH(ClipboardContent, clipboard);
        QFETCH(QString, kind);
        QFETCH(QByteArray, content);
        QFETCH(QString, preview);
        QFETCH(QByteArray, rtf);

        const ClipItemPtr item = capture(clipboard);
        if (kind.isEmpty()) {
            QVERIFY(!item);
            return;
        }
        QVERIFY(item);
        QCOMPARE(item->contentTypeRaw(), kind);
        QCOMPARE(item->content(), content);
        QCOMPARE(item->textPreview(), preview);
        QCOMPARE(item->richTextData(), rtf.isNull() ? std::nullopt : std::optional<QByteArray>(rtf));
        QVERIFY(!item->thumbnailData());
    }

    void thumbnailSize_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("30 by 10 is scaled up") << encodedImage(30, 10, "png") << QSize(60, 20);
        QTest::newRow("4000 by 3000") << encodedImage(4000, 3000, "png") << QSize(60, 45);
        QTest::newRow("portrait tiff") << encodedImage(10, 40, "tiff") << QSize(15, 60);
        QTest::newRow("one pixel high") << encodedImage(2000, 1, "png") << QSize(60, 1);
        // A few kilobytes can declare a gigabyte of pixels: beyond 100 megapixels
        // nothing is decoded and there is no thumbnail.
        QTest::newRow("one row beyond the budget") << encodedImage(20000, 5001, "png", QImage::Format_Mono) << QSize();
        QTest::newRow("not a picture") << QByteArray("not a picture") << QSize();
    }

    void thumbnailSize()
    {
        QFETCH(QByteArray, image);
        QFETCH(QSize, expected);
        bool decoded = false;
        (void)decodePicture(image, [&](QSize size) { return decoded = true, size / 1000; });
        QCOMPARE(decoded, expected.isValid());
        const auto thumbnail = makeThumbnail(image);
        QCOMPARE(bool(thumbnail), expected.isValid());
        if (!thumbnail)
            return;
        QVERIFY(thumbnail->startsWith("\x89PNG"));
        QCOMPARE(QImage::fromData(*thumbnail, "png").size(), expected);
    }
};

QTEST_GUILESS_MAIN(TestCapture)
#include "tst_capture.moc"
