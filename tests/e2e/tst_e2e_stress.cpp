#include "support/desktopdriver.h"
#include "support/storetesting.h"
#include "../../bench/xtestkeyboard.h" // the benchmarks' XTEST keyboard

#include <QCryptographicHash>
#include <QFileInfo>
#include <QImageWriter>
#include <QTest>

using namespace Qt::StringLiterals;

// The real program under what a day can throw at it: killed in the middle of a burst
// of copies, copies faster than anyone types, a 50 MB text, a 40-megapixel picture and
// a clipboard owner that never answers. It must keep what it announced, keep its store
// sound, and keep opening its panel at once; the times are printed.
class TestE2EStress : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<JotterlyProcess> m_app;
    QMap<QString, QList<qint64>> m_openTimes;
    XTestKeyboard m_keyboard;

    [[nodiscard]] QStringList stored() const { return DiskView(m_app->storePath()).previews(); }

    // Opens and closes the panel, recording how long it took to appear under `phase`:
    // from the key press reaching the X server, which this process makes itself (a
    // command-line tool would add its own start-up to every figure).
    void openAndClose(const QString &phase)
    {
        const qsizetype from = m_app->mark();
        QElapsedTimer sincePress;
        sincePress.start();
        m_keyboard.chord({XTestKeyboard::altL, XTestKeyboard::shiftL, XTestKeyboard::v});
        const qint64 elapsed = m_app->waitForLog("panel drawn", 10000, from) ? sincePress.elapsed() : -1;
        QVERIFY2(elapsed >= 0, qPrintable(u"the panel did not open during: "_s + phase));
        // A hang, not a slow opening: the figures are printed at the end.
        QVERIFY2(elapsed < 10000, qPrintable(u"the panel took %1 ms during: %2"_s.arg(elapsed).arg(phase)));
        m_openTimes[phase] << elapsed;
        QVERIFY(m_app->closePanel());
    }

    // Opens the panel again and again while `running` holds.
    void openWhile(const QString &phase, const std::function<bool()> &running)
    {
        do {
            openAndClose(phase);
            QTest::qWait(100);
        } while (running());
    }

    [[nodiscard]] static QByteArray hashOf(const QByteArray &kind, const QByteArray &content)
    {
        return QCryptographicHash::hash(kind + content, QCryptographicHash::Sha256).toHex();
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_app = std::make_unique<JotterlyProcess>(m_home.path());
        QVERIFY(writeFile(m_app->configPath(), "[General]\nonboardingShown=true\n")); // seen the welcome before
        QVERIFY(m_app->start());
    }

    void cleanupTestCase()
    {
        for (auto it = m_openTimes.begin(); it != m_openTimes.end(); ++it) {
            QList<qint64> times = it.value();
            std::sort(times.begin(), times.end());
            qInfo("shortcut -> panel on screen during %s: %lld openings, median %lld ms, max %lld ms", qPrintable(it.key()),
                  qint64(times.size()), times.at(times.size() / 2), times.constLast());
        }
        m_app->finish();
    }

    void keepsEverythingAnnouncedWhenKilledMidBurst()
    {
        // Copies one after another, as fast as xclip goes, while the program is killed.
        QProcess burst;
        burst.start(u"sh"_s, {u"-c"_s, u"for i in $(seq 1 400); do printf 'killed burst %s' $i | xclip -selection clipboard; done"_s});
        QVERIFY(burst.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(m_app->count(recordedLine) >= 20, 20000);
        m_app->kill();
        const QByteArray log = m_app->log();
        burst.waitForFinished(60000);

        QSet<QString> announced;
        static const QByteArray recorded = recordedLine;
        for (const QByteArray &line : log.split('\n')) {
            if (const qsizetype at = line.indexOf(recorded); at >= 0)
                announced.insert(QString::fromLatin1(line.mid(at + recorded.size()).replace('"', "")));
        }
        QVERIFY(announced.size() >= 20);

        QVERIFY(m_app->start());
        DiskView disk(m_app->storePath());
        QCOMPARE(disk.column(u"PRAGMA integrity_check"_s), QStringList{u"ok"_s});
        const QStringList hashes = disk.column(u"SELECT contentHash FROM ClipItem"_s);
        for (const QString &hash : announced)
            QVERIFY2(hashes.contains(hash), qPrintable(hash));
        qInfo("killed after %lld announced copies; %lld items in the store after the restart", qint64(announced.size()),
              qint64(hashes.size()));
    }

    void keepsUpWithTwoHundredCopiesInTenSeconds()
    {
        QVERIFY(m_app->openPanel() >= 0); // first opening after the launch: not measured
        QVERIFY(m_app->closePanel());
        QProcess burst;
        burst.start(u"sh"_s, {u"-c"_s, u"for i in $(seq 1 200); do printf 'burst %s' $i | xclip -selection clipboard; sleep 0.05; done"_s});
        QVERIFY(burst.waitForStarted());
        openWhile(u"200 copies in 10 s"_s, [&] { return burst.state() == QProcess::Running; });
        QCOMPARE(burst.exitCode(), 0);

        // The newest copy is on top and the history keeps its limit, newest first.
        QTRY_COMPARE_WITH_TIMEOUT(stored().value(0), u"burst 200"_s, 5000);
        const QStringList history = stored();
        QCOMPARE(history.size(), 100);
        int previous = 201;
        for (const QString &text : history) {
            const int number = text.section(u' ', -1).toInt();
            QVERIFY2(text.startsWith(u"burst "_s) && number < previous, qPrintable(text));
            previous = number;
        }
        qInfo("200 copies in 10 s: %lld recorded", qint64(m_app->count(recordedLine)));
    }

    void takesAFiftyMegabyteText()
    {
        QByteArray text;
        text.reserve(50 * 1024 * 1024);
        const QByteArray line = "fifty megabytes of words, line after line, to see the whole of it kept.\n";
        while (text.size() + line.size() <= 50 * 1024 * 1024)
            text += line;
        const QString file = m_home.filePath(u"large.txt"_s);
        QVERIFY(writeFile(file, text));

        const qsizetype from = m_app->mark();
        QVERIFY(runShell(u"xclip -selection clipboard < %1"_s.arg(file)));
        QElapsedTimer timer;
        timer.start();
        openWhile(u"a 50 MB text"_s, [&] { return timer.elapsed() < 4000; });
        QVERIFY(m_app->waitForLog(recordedLine, 60000, from));
        QVERIFY(m_app->log().indexOf(hashOf("text", text), from) > 0);
        DiskView disk(m_app->storePath());
        QCOMPARE(disk.column(u"SELECT length(content) FROM ClipItem JOIN ClipContent ON ClipContent.id = contentId ORDER BY timestamp DESC LIMIT 1"_s),
                 QStringList{QString::number(text.size())});
        QVERIFY(m_app->waitForRows([](const QJsonArray &rows) {
            return rows.at(0).toObject().value(u"label"_s).toString().startsWith(u"fifty megabytes"_s);
        }));

        // Its preview shows the beginning, and the panel still answers.
        QVERIFY(m_app->openPanel() >= 0);
        const QRect panel = JotterlyProcess::panelGeometry();
        QVERIFY(runShell(u"xdotool mousemove %1 %2"_s.arg(panel.x() + 120).arg(panel.y() + 99)));
        QTest::qWait(1600);
        QVERIFY(saveScreenshot(u"30-large-text-preview"_s));
        QVERIFY(runShell(u"xdotool mousemove 10 700"_s));
        QVERIFY(m_app->closePanel());
        openAndClose(u"after the 50 MB text's preview"_s);
    }

    void takesAFortyMegapixelPicture()
    {
        QImage image(8000, 5000, QImage::Format_RGB32);
        image.fill(QColor(30, 140, 60));
        for (int y = 0; y < image.height(); y += 50)
            std::fill_n(reinterpret_cast<QRgb *>(image.scanLine(y)), image.width(), qRgb(240, 240, 240));
        // Written without compression, as some tools do: 120 MB to move and store.
        QImageWriter writer(m_home.filePath(u"large.png"_s), "png");
        writer.setCompression(0);
        QVERIFY(writer.write(image));
        qInfo("the picture: %lld bytes of PNG", qint64(QFileInfo(m_home.filePath(u"large.png"_s)).size()));

        const qsizetype from = m_app->mark();
        QVERIFY(runShell(u"xclip -selection clipboard -t image/png < %1"_s.arg(m_home.filePath(u"large.png"_s))));
        QElapsedTimer timer;
        timer.start();
        openWhile(u"a 40-megapixel picture"_s, [&] { return timer.elapsed() < 4000; });
        QVERIFY(m_app->waitForLog(recordedLine, 60000, from));
        QVERIFY(m_app->waitForRows([](const QJsonArray &rows) { return rows.at(0).toObject().value(u"kind"_s) == u"Image"_s; }));
        // The thumbnail is made away from the panel and stored with the item.
        DiskView disk(m_app->storePath());
        QTRY_VERIFY_WITH_TIMEOUT(
            disk.column(u"SELECT thumbnailData IS NOT NULL FROM ClipItem ORDER BY timestamp DESC LIMIT 1"_s) == QStringList{u"1"_s},
            30000);
        openAndClose(u"a 40-megapixel picture"_s);
    }

    void shrugsOffAnOwnerThatNeverAnswers()
    {
        const int recorded = m_app->count(recordedLine);
        QProcess owner;
        QVERIFY(startTestOwner(owner, {u"--silent"_s, u"UTF8_STRING=never sent"_s}));
        QElapsedTimer timer;
        timer.start();
        openWhile(u"an owner that never answers"_s, [&] { return timer.elapsed() < 5000; });
        QCOMPARE(m_app->count(recordedLine), recorded);
        owner.kill();
        owner.waitForFinished();

        // The next copy is recorded as usual.
        QVERIFY(copyText("after the silent owner"));
        QTRY_COMPARE_WITH_TIMEOUT(stored().value(0), u"after the silent owner"_s, 10000);
        QVERIFY(m_app->stop());
    }
};

JOTTERLY_X11_TEST_MAIN(TestE2EStress)
#include "tst_e2e_stress.moc"
