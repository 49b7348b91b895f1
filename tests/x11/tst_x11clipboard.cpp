#include "capture/clipboardmonitor.h"
#include "history/cliplistviewmodel.h"
#include "platform/desktopentries.h"
#include "platform/qtscheduler.h"
#include "platform/x11/x11clipboardwatcher.h"
#include "platform/x11/x11pasteboard.h"
#include "platform/x11/x11workspace.h"
#include "settings/preferencedefaults.h"
#include "settings/preferencekeys.h"
#include "settings/preferences.h"
#include "store/historystore.h"
#include "support/imagetesting.h"
#include "support/x11testing.h"

#include <QCryptographicHash>
#include <QDir>
#include <QImage>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// The clipboard monitor on the real X server, with clipboard clients no one here wrote
// (xclip, xsel) and a test owner that offers several types at once, sends far more
// than usual in increments, or misbehaves. (bench_x11capture measures how long large
// copies hold the main thread.)
class TestX11Clipboard : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::optional<HistoryStore> m_store;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<DesktopEntries> m_applications;
    std::unique_ptr<QtScheduler> m_scheduler;
    std::unique_ptr<X11Pasteboard> m_pasteboard;
    std::unique_ptr<X11Workspace> m_workspace;
    std::unique_ptr<ClipboardMonitor> m_monitor;

    QString file(const QString &name, const QByteArray &bytes)
    {
        QFile out(m_dir.filePath(name));
        out.open(QIODevice::WriteOnly);
        out.write(bytes);
        return out.fileName();
    }

    qsizetype storedCount() { return m_store->context->fetchCount({}).value_or(-1); }

    // Copies a marker with xclip and waits for it: everything copied before has been
    // dealt with by then.
    ClipItemPtr settle()
    {
        static int marker = 0;
        const QString text = u"marker %1"_s.arg(++marker);
        runShell(u"printf '%1' | xclip -selection clipboard"_s.arg(text));
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT(fetchNewestItem(*m_store->context)
                                         && fetchNewestItem(*m_store->context)->textPreview() == text, 10000);
        }();
        return fetchNewestItem(*m_store->context);
    }

    // Reads what the clipboard offers under `target`, the way another application would.
    QByteArray paste(const QString &target)
    {
        QProcess xclip;
        xclip.start(u"xclip"_s, {u"-o"_s, u"-selection"_s, u"clipboard"_s, u"-t"_s, target});
        // Our own clipboard is served from this thread: keep the event loop running.
        [&] { QTRY_VERIFY_WITH_TIMEOUT(xclip.state() == QProcess::NotRunning, 10000); }();
        return xclip.readAllStandardOutput();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        m_store = createHistoryStore(m_dir.filePath(u"data/history.sqlite"_s), &error);
        QVERIFY2(m_store, qPrintable(error));
        m_preferences = std::make_unique<Preferences>(m_dir.filePath(u"jotterly.conf"_s));
        registerPreferenceDefaults(*m_preferences);
        QDir().mkpath(m_dir.filePath(u"applications"_s));
        file(u"applications/org.example.Notes.desktop"_s,
             "[Desktop Entry]\nType=Application\nName=Notes\nStartupWMClass=notes-app\n");
        m_applications = std::make_unique<DesktopEntries>(QStringList{m_dir.filePath(u"applications"_s)});
        m_scheduler = std::make_unique<QtScheduler>();
        m_pasteboard = std::make_unique<X11Pasteboard>();
        QVERIFY(m_pasteboard->isWatching());
        m_workspace = std::make_unique<X11Workspace>(m_applications.get());
        m_monitor = std::make_unique<ClipboardMonitor>(m_pasteboard.get(), m_scheduler.get(), m_preferences.get(),
                                                       m_workspace.get());
        m_monitor->setModelContext(m_store->context.get());
        m_monitor->setHistoryLimit(1000);
        m_monitor->startMonitoring();
    }

    void cleanupTestCase() { m_monitor->stopMonitoring(); }

    void recordsWhatRealClientsCopy_data()
    {
        // A shell command, or "owner" and the test owner's arguments; $DIR is the test's folder.
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("kind");    // empty: nothing is recorded
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("preview");
        QTest::addColumn<bool>("thumbnail");

        const QByteArray png = encodedImage(30, 10, "png");
        const QByteArray tiff = encodedImage(30, 10, "tiff");
        file(u"picture.png"_s, png);
        file(u"picture.tiff"_s, tiff);

        const auto row = [](const char *name, const QString &command, const QString &kind, const QByteArray &content,
                            const QString &preview, bool thumbnail = false) {
            QTest::newRow(name) << command << kind << content << preview << thumbnail;
        };
        row("an empty string", u"printf '' | xclip -selection clipboard"_s, QString(), {}, {});
        row("tiff", u"xclip -selection clipboard -t image/tiff < $DIR/picture.tiff"_s, u"image"_s, tiff, u"Image"_s, true);
        row("png and tiff", u"owner image/tiff=@$DIR/picture.tiff image/png=@$DIR/picture.png"_s, u"image"_s, png, u"Image"_s, true);
    }

    void recordsWhatRealClientsCopy()
    {
        QFETCH(QString, command);
        QFETCH(QString, kind);
        QFETCH(QByteArray, content);
        QFETCH(QString, preview);
        QFETCH(bool, thumbnail);

        const ClipItemPtr before = settle();
        QProcess owner;
        const auto stopOwner = qScopeGuard([&] {
            owner.kill();
            owner.waitForFinished();
        });
        command.replace(u"$DIR"_s, m_dir.path());
        if (command.startsWith(u"owner "_s))
            QVERIFY(startTestOwner(owner, QProcess::splitCommand(command).mid(1)));
        else
            QVERIFY(runShell(command));

        if (kind.isEmpty()) {
            // Nothing is recorded: the next thing stored is the next marker.
            const qsizetype count = storedCount();
            settle();
            QCOMPARE(storedCount(), count + 1);
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(fetchNewestItem(*m_store->context) != before, 10000);
        const ClipItemPtr item = fetchNewestItem(*m_store->context);
        QCOMPARE(item->contentTypeRaw(), kind);
        QCOMPARE(item->content(), content);
        QCOMPARE(item->textPreview(), preview);
        QVERIFY(!item->richTextData());
        QCOMPARE(item->contentHash(),
                 QString::fromLatin1(QCryptographicHash::hash(kind.toUtf8() + content, QCryptographicHash::Sha256).toHex()));
        QVERIFY(!item->isPinned());
        if (thumbnail)
            QTRY_COMPARE_WITH_TIMEOUT(QImage::fromData(item->thumbnailData().value_or(QByteArray())).size(), QSize(60, 20), 10000);
        else
            QVERIFY(!item->thumbnailData());
    }

    void pastesBackEachKindWithoutRecordingIt_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QByteArray>("pasted");
        const QByteArray png = encodedImage(5, 5, "png");
        const QByteArray tiff = encodedImage(5, 5, "tiff");
        QTest::newRow("image") << u"image"_s << png << u"image/png"_s << png;
        QTest::newRow("tiff image") << u"image"_s << tiff << u"image/tiff"_s << tiff;
        QTest::newRow("file") << u"fileURL"_s << QByteArray("/etc/hosts") << u"x-special/gnome-copied-files"_s
                              << QByteArray("copy\nfile:///etc/hosts");
        // No URL list: programs here read one as files to open.
        QTest::newRow("link") << u"url"_s << QByteArray("https://example.org/x") << u"TARGETS"_s << QByteArray();
    }

    void pastesBackEachKindWithoutRecordingIt()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, content);
        QFETCH(QString, target);
        QFETCH(QByteArray, pasted);
        auto item = ClipItem::create(content, ClipContentType::Text, kind, std::nullopt, std::nullopt, u"paste back %1"_s.arg(kind));
        item->setContentTypeRaw(kind);
        m_store->context->insert(item);
        QVERIFY(m_store->context->save());
        ClipListViewModel list(m_pasteboard.get(), m_scheduler.get());
        list.configure(m_store->context.get(), m_monitor.get(), *m_preferences);
        const qsizetype count = storedCount();

        list.copyToClipboard(item);
        if (target == u"TARGETS"_s) {
            const QByteArray targets = paste(target);
            QVERIFY2(targets.contains("UTF8_STRING") && !targets.contains("uri-list") && !targets.contains("moz-url"), targets);
            QCOMPARE(paste(u"UTF8_STRING"_s), content);
        } else {
            QCOMPARE(paste(target), pasted);
        }
        QTest::qWait(int(ClipListViewModel::resumeDelay.count()) + 100);
        QVERIFY(!m_monitor->isPaused());
        QCOMPARE(storedCount(), count);
        QCOMPARE(fetchNewestItem(*m_store->context), item); // moved to the top
    }

    // An owner that dies halfway through a large transfer.
    void survivesAnOwnerThatDiesMidTransfer()
    {
        QStringList arguments{u"--die-mid-transfer"_s, u"UTF8_STRING=@%1/big.txt"_s};
        file(u"big.txt"_s, QByteArray(1 << 20, 'b'));
        arguments.replaceInStrings(u"%1"_s, m_dir.path());
        const qsizetype count = storedCount();
        StallProbe probe;
        QProcess owner;
        const auto stopOwner = qScopeGuard([&] {
            owner.kill();
            owner.waitForFinished();
        });
        QVERIFY(startTestOwner(owner, arguments));
        QTest::qWait(300);
        // The main thread kept running throughout (a wait for the owner would stall it for
        // the whole reply timeout, 3 s; the bound leaves room for a loaded machine); the
        // change is dropped, the next is kept.
        QVERIFY2(probe.longestStallMs() < 1000, qPrintable(QString::number(probe.longestStallMs())));
        settle();
        QCOMPARE(storedCount(), count + 1);
    }


    // A copy beyond the size kept is dropped, and said to be: never silently.
    void saysWhenACopyIsTooLarge()
    {
        X11ClipboardWatcher::Options options;
        options.groups = {{{u"UTF8_STRING"_s}, true}};
        options.maximumBytes = 64 << 10;
        X11ClipboardWatcher watcher(options);
        QVERIFY(watcher.isWatching());
        QSignalSpy tooLarge(&watcher, &X11ClipboardWatcher::copyTooLarge);
        QSignalSpy changed(&watcher, &X11ClipboardWatcher::contentChanged);
        const QString large = file(u"large.txt"_s, QByteArray(256 << 10, 'l'));
        QVERIFY(runShell(u"xclip -selection clipboard < %1"_s.arg(large)));
        QVERIFY(tooLarge.wait(10000));
        QCOMPARE(tooLarge.at(0).at(0).toLongLong(), qint64(64) << 10);
        settle(); // a small copy is read as usual, and is not called too large
        QTRY_VERIFY_WITH_TIMEOUT(!changed.isEmpty(), 10000);
        QCOMPARE(tooLarge.size(), 1);
    }
};

JOTTERLY_X11_TEST_MAIN(TestX11Clipboard)

#include "tst_x11clipboard.moc"
