#include "history/imageproviders.h"
#include "history/rowformat.h"
#include "history/rowhover.h"
#include "platform/manualscheduler.h"
#include "support/imagetesting.h"

#include <QQmlEngine>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

class TestRowFormat : public QObject
{
    Q_OBJECT

    static ClipItemPtr textItem(const std::optional<QString> &preview, ClipContentType type = ClipContentType::Text)
    {
        return ClipItem::create("x", type, preview, std::nullopt, std::nullopt, {});
    }

private Q_SLOTS:
    void findsColourCodes_data()
    {
        QTest::addColumn<QString>("preview");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QColor>("colour"); // invalid: no swatch
        QTest::newRow("#f80") << u"#f80"_s << u"text"_s << QColor(255, 136, 0);
        QTest::newRow("#ff880080, half opacity") << u"#ff880080"_s << u"richText"_s << QColor(255, 136, 0, 128);
        QTest::newRow("white space around") << u"  #ff8800\n"_s << u"text"_s << QColor(255, 136, 0);
        QTest::newRow("not hexadecimal") << u"#gg0000"_s << u"text"_s << QColor();
        QTest::newRow("a link is no colour") << u"#ff8800"_s << u"url"_s << QColor();
    }

    void findsColourCodes()
    {
        QFETCH(QString, preview);
        QFETCH(QString, kind);
        QFETCH(QColor, colour);
        auto item = textItem(preview);
        item->setContentTypeRaw(kind);
        QCOMPARE(swatchColor(*item).value_or(QColor()), colour);
    }

    // A preview shows a huge text's beginning only, never half a character, and says
    // how large the text is; a text within the limit is shown whole.
    void previewsTheBeginningOfHugeTexts()
    {
        RowFormat format;
        const QString whole(RowFormat::previewCharacterLimit, u'a');
        auto item = ClipItem::create(whole.toUtf8(), ClipContentType::Text, u"a"_s, std::nullopt, std::nullopt, {});
        QCOMPARE(format.fullText(item.get()), whole);

        const QByteArray huge = QByteArray(RowFormat::previewCharacterLimit - 1, 'b') + QString(u"\U0001F600"_s).toUtf8().repeated(1000000);
        item = ClipItem::create(huge, ClipContentType::Text, u"b"_s, std::nullopt, std::nullopt, {});
        const QString shown = format.fullText(item.get());
        QVERIFY(shown.startsWith(QString(RowFormat::previewCharacterLimit - 1, u'b') + u"\n\n…"_s)); // no half emoji
        QVERIFY2(shown.endsWith(u"3.8 MB in all: the rest is not shown here."_s), qPrintable(shown.right(60)));

        // Not UTF-8, at the start or in its last character: the stored preview.
        item = ClipItem::create("\xff\xfe", ClipContentType::Text, u"preview"_s, std::nullopt, std::nullopt, {});
        QCOMPARE(format.fullText(item.get()), u"preview"_s);
        item = ClipItem::create("broken \xe2\x82", ClipContentType::Text, u"broken"_s, std::nullopt, std::nullopt, {});
        QCOMPARE(format.fullText(item.get()), u"broken"_s);
    }

    void thePreviewFollowsThePointer()
    {
        ManualScheduler scheduler;
        setViewScheduler(&scheduler);
        RowHover hover;

        // Passing over a row in under a second opens nothing.
        hover.rowEntered();
        scheduler.advance(900ms);
        hover.rowExited();
        scheduler.advance(2s);
        QVERIFY(!hover.showPopover());

        hover.rowEntered();
        scheduler.advance(1s);
        QVERIFY(hover.showPopover());
        // From the row into the preview: it stays.
        hover.rowExited();
        scheduler.advance(200ms);
        hover.popoverEntered();
        scheduler.advance(1s);
        QVERIFY(hover.showPopover());
        // Out of both: it closes 0.4 s later.
        hover.popoverExited();
        scheduler.advance(399ms);
        QVERIFY(hover.showPopover());
        scheduler.advance(1ms);
        QVERIFY(!hover.showPopover());
        setViewScheduler(nullptr);
    }

    void previewsAPictureAtTheSizeShownOnce_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("expected");
        // An image row whose bytes do not decode is kept; its preview draws a stand-in.
        QTest::newRow("unreadable") << QByteArray("\x89PNG not really") << QSize(120, 80);
        QTest::newRow("large, fitted") << encodedImage(2400, 800, "png") << QSize(120, 40);
        QTest::newRow("small, as it is") << encodedImage(30, 20, "tiff") << QSize(30, 20);
    }

    void previewsAPictureAtTheSizeShownOnce()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, expected);
        QQmlEngine engine;
        installImageProviders(engine);
        auto *provider = static_cast<QQuickImageProvider *>(engine.imageProvider(u"clip"_s));
        auto item = ClipItem::create(bytes, ClipContentType::Image, u"Image"_s, std::nullopt, std::nullopt,
                                     computeContentHash(ClipContentType::Image, bytes));
        const QString id = ClipImages().picture(item.get()).mid(QStringLiteral("image://clip/").size());
        QSize size;
        const QImage image = provider->requestImage(id, &size, QSize(120, 80));
        QCOMPARE(size, expected);
        QCOMPARE(image.size(), expected);
        // Resting on the row again shows what was decoded the first time.
        const bool decodes = !QImage::fromData(bytes).isNull();
        QCOMPARE(provider->requestImage(id, &size, QSize(120, 80)).cacheKey() == image.cacheKey(), decodes);
    }
};

QTEST_GUILESS_MAIN(TestRowFormat)
#include "tst_rowformat.moc"
