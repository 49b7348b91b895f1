#include "capture/capturesteps.h"
#include "capture/imagecapture.h"
#include "history/clipboardrefill.h"
#include "history/cliplistviewmodel.h"
#include "history/imageproviders.h"
#include "history/pasteback.h"
#include "history/rowformat.h"
#include "history/rowhover.h"
#include "platform/manualscheduler.h"
#include "support/capturerig.h"
#include "support/imagetesting.h"
#include "support/storetesting.h"

#include <QAbstractItemModelTester>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

class TestClipListViewModel : public QObject
{
    Q_OBJECT

    std::optional<CaptureRig> m_rig;
    std::unique_ptr<ClipListViewModel> m_model;
    qint64 m_clock = 1'000'000;

    ClipItemPtr add(const QString &text, bool pinned = false)
    {
        auto item = makeTextItem(text, m_clock += 1000, pinned);
        m_rig->store->context->insert(item);
        return item;
    }

    QStringList rows() const { return previewsOf(m_model->displayedItems()); }

    QString selected() const
    {
        for (const auto &item : m_model->displayedItems()) {
            if (item->id() == m_model->selectedItemID())
                return item->textPreviewOrEmpty();
        }
        return {};
    }

    QStringList search(const QString &text)
    {
        m_model->setSearchText(text);
        m_model->loadItems();
        return rows();
    }

private Q_SLOTS:
    void init()
    {
        m_rig.emplace();
        m_model = std::make_unique<ClipListViewModel>(&m_rig->pasteboard, &m_rig->scheduler);
        new QAbstractItemModelTester(m_model->displayedRows(), QAbstractItemModelTester::FailureReportingMode::QtTest, m_model.get());
    }

    void cleanup()
    {
        m_model.reset();
        m_rig.reset();
    }

    // Each letter is one item. A view that follows only the model's signals (as QML's does)
    // ends up with the rows, sections and Ctrl+digit numbers of a fresh read, without a reset.
    void rowsChangeInPlace_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("pinnedBefore");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("pinnedAfter");
        QTest::newRow("a copy arrives, the oldest is trimmed") << u"abcdefghij"_s << 0 << u"xabcdefghi"_s << 0;
        QTest::newRow("copied back to the top") << u"abcd"_s << 0 << u"cabd"_s << 0;
        QTest::newRow("the first pin") << u"abcd"_s << 0 << u"cabd"_s << 1;
        QTest::newRow("unpinned in place") << u"abcd"_s << 2 << u"abcd"_s << 1;
        QTest::newRow("a search narrows") << u"abcdefghijk"_s << 1 << u"bdfk"_s << 0;
        QTest::newRow("reversed") << u"abcdef"_s << 0 << u"fedcba"_s << 0;
        QTest::newRow("all new") << u"abc"_s << 1 << u"xyz"_s << 0;
        QTest::newRow("emptied") << u"abc"_s << 0 << QString() << 0;
    }

    void rowsChangeInPlace()
    {
        QFETCH(QString, before);
        QFETCH(int, pinnedBefore);
        QFETCH(QString, after);
        QFETCH(int, pinnedAfter);
        QHash<QChar, ClipItemPtr> pool;
        const auto itemsOf = [&](const QString &letters) {
            QList<ClipItemPtr> items;
            for (const QChar letter : letters) {
                if (!pool.contains(letter))
                    pool.insert(letter, makeTextItem(letter, 0));
                items << pool.value(letter);
            }
            return items;
        };
        ClipListModel model;
        new QAbstractItemModelTester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest, &model);
        model.setItems(itemsOf(before), pinnedBefore);

        const auto read = [&](int row) {
            const QModelIndex index = model.index(row);
            return u"%1 %2 %3"_s.arg(index.data(ClipListModel::TextPreviewRole).toString(),
                                     index.data(ClipListModel::SectionRole).toString(),
                                     index.data(ClipListModel::NumberRole).toString());
        };
        QStringList view;
        for (int row = 0; row < model.rowCount(); ++row)
            view << read(row);
        connect(&model, &QAbstractItemModel::rowsInserted, this, [&](const QModelIndex &, int first, int last) {
            for (int row = first; row <= last; ++row)
                view.insert(row, read(row));
        });
        connect(&model, &QAbstractItemModel::rowsRemoved, this,
                [&](const QModelIndex &, int first, int last) { view.remove(first, last - first + 1); });
        connect(&model, &QAbstractItemModel::rowsMoved, this, [&](const QModelIndex &, int from, int, const QModelIndex &, int to) {
            view.move(from, to > from ? to - 1 : to);
        });
        connect(&model, &QAbstractItemModel::dataChanged, this, [&](const QModelIndex &first, const QModelIndex &last) {
            for (int row = first.row(); row <= last.row(); ++row)
                view[row] = read(row);
        });
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

        model.setItems(itemsOf(after), pinnedAfter);
        QCOMPARE(model.items(), itemsOf(after));
        QCOMPARE(resets.count(), 0);
        QStringList fresh;
        for (int row = 0; row < model.rowCount(); ++row)
            fresh << read(row);
        QCOMPARE(view, fresh);
    }

    void searchLooksAtPreviewsOnly()
    {
        add(u"Red car"_s);
        add(u"tired"_s, true);
        add(u"blue"_s);
        m_rig->store->context->insert(ClipItem::create("red", ClipContentType::Text, std::nullopt, {}, {}, u"h"_s));
        m_model->configure(m_rig->store->context.get(), &m_rig->monitor, m_rig->preferences);
        QCOMPARE(rows().size(), 4);
        QCOMPARE(search(u"  ReD \n"_s), (QStringList{u"tired"_s, u"Red car"_s}));
        QCOMPARE(search(u" \n\t"_s).size(), 4); // blank: no filter, the item without preview too
    }

    void searchCoversOnlyTheNewestHistory()
    {
        for (int i = 0; i < 150; ++i)
            add(u"item %1"_s.arg(i));
        add(u"item pinned"_s, true);
        m_rig->preferences.setInteger(u"historyLimit"_s, 100);
        m_model->configure(m_rig->store->context.get(), &m_rig->monitor, m_rig->preferences);
        // item 4 and items 40 to 49 are among the 50 oldest, beyond the limit.
        QCOMPARE(search(u"item 4"_s), QStringList());
        QCOMPARE(search(u"item"_s).size(), 101);
        QCOMPARE(search(u"pinned"_s), QStringList{u"item pinned"_s});
    }

    void selectionMovesWithoutWrapping()
    {
        const auto third = add(u"third"_s);
        add(u"second"_s);
        add(u"first"_s, true);
        m_model->configure(m_rig->store->context.get(), &m_rig->monitor, m_rig->preferences);
        QCOMPARE(rows(), (QStringList{u"first"_s, u"second"_s, u"third"_s}));

        // Each letter moves the selection up (u) or down (d); neither end wraps round.
        const auto move = [&](const QString &moves) {
            for (const QChar step : moves)
                step == u'u' ? m_model->moveSelectionUp() : m_model->moveSelectionDown();
            return selected();
        };
        QCOMPARE(move(u"u"_s), u"third"_s);
        QCOMPARE(move(u"d"_s), u"third"_s);
        QCOMPARE(move(u"uuu"_s), u"first"_s);
        move(u"dd"_s);
        m_model->deleteItem(third);
        QVERIFY(!m_model->selectedItemID().isNull()); // the id stays, matching no row
        QCOMPARE(move(u"d"_s), u"first"_s);
        move(u"d"_s);
        m_model->deleteItem(m_model->displayedItems().at(1));
        QCOMPARE(move(u"u"_s), u"first"_s); // the last row is now the first
    }

    void writesEachKindBack_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("rich");
        QTest::addColumn<ClipboardContent>("expected");

        const auto text = [](const QByteArray &bytes) { return ClipboardContent{{u"text/plain;charset=utf-8"_s, bytes}}; };
        const QByteArray rtf = "{\\rtf1 words}";
        const QByteArray html = "<meta charset=\"utf-8\"><b>words</b>";
        const QByteArray png = encodedImage(4, 3, "png");
        const QByteArray tiff = encodedImage(4, 3, "tiff");
        const QByteArray path = u"/tmp/a b ü.txt"_s.toUtf8();
        const QByteArray link = "https://Example.com/%7euser?q=a%20b";
        QTest::newRow("text") << u"text"_s << QByteArray("words") << QByteArray() << text("words");
        QTest::newRow("rich text with RTF") << u"richText"_s << QByteArray("words") << rtf
                                            << ClipboardContent{{u"application/rtf"_s, rtf}, {u"text/plain;charset=utf-8"_s, "words"},
                                                                {u"text/richtext"_s, rtf}, {u"text/rtf"_s, rtf}};
        QTest::newRow("rich text with HTML") << u"richText"_s << QByteArray("words") << html
                                             << ClipboardContent{{u"text/html"_s, html}, {u"text/plain;charset=utf-8"_s, "words"}};
        QTest::newRow("rich text without rich data") << u"richText"_s << QByteArray("words") << QByteArray() << text("words");
        QTest::newRow("PNG picture") << u"image"_s << png << QByteArray() << ClipboardContent{{u"image/png"_s, png}};
        QTest::newRow("TIFF picture under its own type") << u"image"_s << tiff << QByteArray() << ClipboardContent{{u"image/tiff"_s, tiff}};
        QTest::newRow("file: URL lists and the path as text")
            << u"fileURL"_s << path << QByteArray()
            << ClipboardContent{{u"text/plain;charset=utf-8"_s, path},
                                {u"text/uri-list"_s, "file:///tmp/a%20b%20%C3%BC.txt\r\n"},
                                {u"x-special/gnome-copied-files"_s, "copy\nfile:///tmp/a%20b%20%C3%BC.txt"}};
        QTest::newRow("link: text only, as written") << u"url"_s << link << QByteArray() << text(link);
        QTest::newRow("unknown kind as text") << u"Text"_s << QByteArray("words") << QByteArray() << text("words");
        QTest::newRow("invalid UTF-8 text") << u"text"_s << QByteArray("bad \xff") << QByteArray() << ClipboardContent();
        QTest::newRow("invalid UTF-8 rich text") << u"richText"_s << QByteArray("bad \xff") << rtf
                                                 << ClipboardContent{{u"application/rtf"_s, rtf}, {u"text/richtext"_s, rtf}, {u"text/rtf"_s, rtf}};
    }

    void writesEachKindBack()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, rich);
        QFETCH(ClipboardContent, expected);
        auto item = ClipItem::create(content, ClipContentType::Text, std::nullopt, std::nullopt,
                                     rich.isNull() ? std::nullopt : std::optional<QByteArray>(rich), {});
        item->setContentTypeRaw(kind);
        m_rig->pasteboard.replaceContent({{u"UTF8_STRING"_s, "previous"}});
        writeItemToPasteboard(m_rig->pasteboard, *item);
        QCOMPARE(m_rig->pasteboard.content(), expected);

        // Copied again from there, it is the same item (a rich text that lost its rich
        // data long ago comes back as plain text).
        if ((expected.contains(u"text/plain;charset=utf-8"_s) || kind == u"image"_s) && (kind != u"richText"_s || !rich.isNull())) {
            ClipItemPtr again = captureImage(m_rig->pasteboard, nullptr);
            for (const auto step : {captureFileURL, captureURL, captureText})
                again = again ? again : step(m_rig->pasteboard);
            QVERIFY(again);
            QCOMPARE(again->contentType(), item->contentType());
            QCOMPARE(again->content(), content);
            QCOMPARE(again->richTextData(), item->richTextData());
        }
    }

    // The owner of the clipboard went away: the newest item goes back on it, pinned or
    // not, without being recorded again or moved; an empty history leaves it empty.
    void refillsAClipboardItsOwnerEmptied()
    {
        ClipboardRefill refill(&m_rig->pasteboard, &m_rig->monitor, m_rig->store->context.get());
        m_rig->monitor.startMonitoring();
        Q_EMIT m_rig->pasteboard.emptiedByOwnerExit();
        QVERIFY(m_rig->pasteboard.content().isEmpty());

        add(u"older"_s);
        const ClipItemPtr newest = add(u"newest"_s, true);
        QVERIFY(m_rig->store->context->save());
        const QDateTime stamp = newest->timestamp();
        m_rig->pasteboard.replaceContent({});
        Q_EMIT m_rig->pasteboard.emptiedByOwnerExit();
        QCOMPARE(m_rig->pasteboard.string(PasteboardType::String).value_or(QString()), u"newest"_s);
        m_rig->scheduler.advance(ClipboardMonitor::pollingInterval);
        QCOMPARE(m_rig->store->context->fetchCount({}).value_or(-1), qsizetype(2));
        QCOMPARE(newest->timestamp(), stamp);
        // A copy right after is recorded; a pause another writer began stays theirs.
        m_rig->pasteboard.replaceContent({{u"text/plain"_s, "right after"}});
        m_rig->scheduler.advance(ClipboardMonitor::pollingInterval);
        m_rig->store->context->waitForWrites();
        QCOMPARE(m_rig->store->context->fetchCount({}).value_or(-1), qsizetype(3));
        m_rig->monitor.setIsPaused(true);
        Q_EMIT m_rig->pasteboard.emptiedByOwnerExit();
        QVERIFY(m_rig->monitor.isPaused());
    }

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
        auto item = ClipItem::create("x", ClipContentType::Text, preview, std::nullopt, std::nullopt, {});
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

    // Passing over a row in under a second opens nothing; from the row into the preview
    // it stays open, and leaving the preview closes it.
    void thePreviewFollowsThePointer()
    {
        ManualScheduler scheduler;
        setViewScheduler(&scheduler);
        RowHover hover;
        hover.rowEntered();
        scheduler.advance(900ms);
        hover.rowExited();
        scheduler.advance(2s);
        QVERIFY(!hover.showPopover());
        hover.rowEntered();
        scheduler.advance(1s);
        hover.rowExited();
        scheduler.advance(200ms);
        hover.popoverEntered();
        scheduler.advance(1s);
        QVERIFY(hover.showPopover());
        hover.popoverExited();
        scheduler.advance(1s);
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
        // A closed panel keeps neither the picture's bytes nor its preview.
        releasePictureMemory();
        QCOMPARE(provider->requestImage(id, &size, QSize(120, 80)).size(), QSize(120, 80));
        QVERIFY(provider->requestImage(id, &size, QSize(120, 80)).cacheKey() != image.cacheKey());
    }
};

QTEST_GUILESS_MAIN(TestClipListViewModel)
#include "tst_cliplistviewmodel.moc"
