#include "support/desktopdriver.h"
#include "support/imagetesting.h"

#include <QTest>

using namespace Qt::StringLiterals;

// A person's day with jotterly: the first launch, copies of every kind, the panel from
// the tray and the shortcut, searching, copying back, pinning, deleting and a paste
// queue into another application. One program run (and one restart) for the whole
// case, since every step builds on what the one before left; screenshots are saved.
class TestE2EPanel : public DesktopTest
{
    Q_OBJECT

    // The centre of a row on screen: rows are 46 pixels apart below the search field,
    // and the PINNED and HISTORY headers take 28 pixels each when there are pinned rows.
    QPoint rowCentre(int index)
    {
        const QRect panel = JotterlyProcess::panelGeometry();
        int pinned = 0;
        for (const QJsonValue &row : m_app->rows())
            pinned += row.toObject().value(u"pinned"_s).toBool() ? 1 : 0;
        const int headers = pinned == 0 ? 0 : (index < pinned ? 28 : 56);
        return QPoint(panel.x() + 120, panel.y() + 99 + 46 * index + headers);
    }

    [[nodiscard]] int indexOf(const QString &label) { return int(m_app->labels().indexOf(label)); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(startDesktop(false)); }

    void cleanupTestCase() { m_app->finish(); }

    void greetsTheFirstLaunchOnly()
    {
        const QString welcome = u"--onlyvisible --name '^Welcome to jotterly$'"_s;
        QVERIFY(m_app->completeWelcome(u"Welcome to jotterly"_s, u"01-onboarding-welcome"_s, u"02-onboarding-done"_s));
        QTRY_VERIFY_WITH_TIMEOUT(windowGeometry(welcome).width() <= 0, 5000);

        // Once completed, a restart goes straight to the tray.
        QVERIFY(m_app->stop());
        QVERIFY(m_app->start());
        QTest::qWait(1500);
        QVERIFY(!m_app->log().contains("onboarding shown"));
        QVERIFY(windowGeometry(welcome).width() <= 0);
    }

    void opensFromTheTrayAndTheShortcut()
    {
        qsizetype from = m_app->mark();
        QVERIFY(clickAt(TrayHost::iconCentre()));
        QVERIFY(m_app->waitForLog("panel drawn", 10000, from));
        QTRY_VERIFY_WITH_TIMEOUT(JotterlyProcess::panelGeometry().width() == 320, 5000);
        QVERIFY(JotterlyProcess::panelGeometry().top() >= TrayHost::geometry().bottom()); // under the icon
        QVERIFY(saveScreenshot(u"03-empty"_s));
        QVERIFY(m_app->closePanel());

        // The shortcut opens and closes it.
        QVERIFY(m_app->openPanel());
        QVERIFY(JotterlyProcess::panelGeometry().width() == 320);
        from = m_app->mark();
        QVERIFY(pressKeys(u"alt+shift+v"_s));
        QVERIFY(m_app->waitForLog("panel closed", 10000, from));
    }

    void listsEveryKindNewestFirst()
    {
        const QString png = m_home.filePath(u"picture.png"_s);
        QVERIFY(writeFile(png, encodedImage(240, 160, "png")));

        QVERIFY(m_app->copyAndWait([] { return runShell(u"printf 'plain words' | xsel --clipboard --input"_s); }));
        // Rich text comes with its plain form, which xclip cannot offer at the same time.
        QProcess owner;
        const QString rtf = m_home.filePath(u"words.rtf"_s);
        QVERIFY(writeFile(rtf, R"({\rtf1\ansi {\b bold} words})"));
        QVERIFY(m_app->copyAndWait([&] { return startTestOwner(owner, {u"UTF8_STRING=bold words"_s, u"text/rtf=@"_s + rtf}); }));
        QVERIFY(m_app->copyAndWait([&] { return runShell(u"xclip -selection clipboard -t image/png < "_s + png); }));
        QVERIFY(m_app->copyAndWait(
            [] { return copyText("file:///etc/hosts\r\nfile:///etc/passwd\r\nfile:///etc/group\r\n", u"text/uri-list"_s); }));
        QVERIFY(m_app->copyAndWait([] { return copyText("https://example.org/page"); }));

        QCOMPARE(m_app->kinds(), (QStringList{u"URL"_s, u"File"_s, u"Image"_s, u"Rich Text"_s, u"Text"_s}));
        // Three files make one item for the first; a picture is labelled by its kind.
        QCOMPARE(m_app->labels(), (QStringList{u"https://example.org/page"_s, u"hosts"_s, u"Image"_s, u"bold words"_s, u"plain words"_s}));
        // The picture is stored whole, and its thumbnail beside it once made.
        const QString picture = u"SELECT length(content) || ' ' || (thumbnailData IS NOT NULL) FROM ClipItem "
                                u"JOIN ClipContent ON ClipContent.id = contentId WHERE contentTypeRaw = 'image'"_s;
        QTRY_COMPARE_WITH_TIMEOUT(DiskView(m_app->storePath()).column(picture), QStringList{u"%1 1"_s.arg(QFileInfo(png).size())}, 10000);

        QVERIFY(m_app->openPanel());
        QVERIFY(saveScreenshot(u"04-history"_s));
        // Resting on a row shows its preview.
        const QPoint first = rowCentre(0);
        QVERIFY(runShell(u"xdotool mousemove %1 %2"_s.arg(first.x()).arg(first.y())));
        QTest::qWait(1600);
        QVERIFY(saveScreenshot(u"05-preview"_s));
        QVERIFY(runShell(u"xdotool mousemove 10 700"_s)); // away: the preview closes
        QVERIFY(m_app->closePanel());
    }

    void searchesAndCopiesBackWithTheKeyboard()
    {
        const int recorded = m_app->count(recordedLine);
        QVERIFY(m_app->openPanel());
        QVERIFY(runShell(u"xdotool type --delay 40 words"_s));
        QVERIFY(m_app->waitForRows([](const QJsonArray &rows) { return rows.size() == 2; }));
        QCOMPARE(m_app->labels(), (QStringList{u"bold words"_s, u"plain words"_s}));
        QVERIFY(saveScreenshot(u"06-search"_s));
        QVERIFY(pressKeys(u"Down Down"_s));
        QTRY_COMPARE_WITH_TIMEOUT(m_app->selectedRow(), 1, 5000);
        QVERIFY(pressKeys(u"Return"_s));
        QTRY_VERIFY_WITH_TIMEOUT(JotterlyProcess::panelGeometry().width() <= 0, 5000); // closed by the copy
        QCOMPARE(clipboardContent(), "plain words");

        // Copied back, not recorded again: the item moves to the top. The panel opens
        // again on the same search, until it is cleared.
        QTest::qWait(1500);
        QCOMPARE(m_app->count(recordedLine), recorded);
        QVERIFY(m_app->openPanel());
        QCOMPARE(m_app->labels(), (QStringList{u"plain words"_s, u"bold words"_s}));
        QVERIFY(pressKeys(u"ctrl+a BackSpace"_s));
        QVERIFY(m_app->waitForRowCount(5));
        QCOMPARE(m_app->labels().constFirst(), u"plain words"_s);

        // Ctrl+2 copies the second row.
        QCOMPARE(m_app->labels().at(1), u"https://example.org/page"_s);
        QVERIFY(pressKeys(u"ctrl+2"_s));
        QTRY_COMPARE_WITH_TIMEOUT(shellOutput(u"xsel --clipboard --output"_s), u"https://example.org/page"_s, 5000);
        QTest::qWait(1500);
        QCOMPARE(m_app->count(recordedLine), recorded);
        QCOMPARE(m_app->rows().size(), 5);
    }

    void pinsAndDeletesFromTheRowMenu()
    {
        QVERIFY(m_app->openPanel());
        // The row menu: Pin, Copy, a separator, Delete.
        QVERIFY(clickAndWaitForPopup(rowCentre(indexOf(u"bold words"_s)), 3));
        QVERIFY(pressKeys(u"Down Return"_s));
        QVERIFY(m_app->waitForRows([](const QJsonArray &rows) { return rows.at(0).toObject().value(u"pinned"_s).toBool(); }));
        QCOMPARE(m_app->labels().constFirst(), u"bold words"_s);

        QVERIFY(clickAndWaitForPopup(rowCentre(indexOf(u"hosts"_s)), 3));
        QVERIFY(pressKeys(u"Down Down Down"_s));
        QVERIFY(saveScreenshot(u"07-row-menu-delete"_s)); // Delete in the negative colour
        QVERIFY(pressKeys(u"Return"_s));
        QVERIFY(m_app->waitForRowCount(4));
        QCOMPARE(m_app->labels(), (QStringList{u"bold words"_s, u"https://example.org/page"_s, u"plain words"_s, u"Image"_s}));
        QVERIFY(saveScreenshot(u"07-pinned"_s));
        QVERIFY(m_app->closePanel());

        // Both survive a restart.
        QVERIFY(m_app->stop());
        QVERIFY(m_app->start());
        QVERIFY(m_app->waitForRowCount(4));
        QCOMPARE(m_app->labels(), (QStringList{u"bold words"_s, u"https://example.org/page"_s, u"plain words"_s, u"Image"_s}));
        QVERIFY(m_app->rows().at(0).toObject().value(u"pinned"_s).toBool());
    }

    void runsAQueueIntoAnotherApplication()
    {
        const int recorded = m_app->count(recordedLine);
        const QRect icon(TrayHost::iconCentre() - QPoint(10, 10), QSize(20, 20));
        const QImage idleIcon = grabScreen(icon);
        QVERIFY(!idleIcon.isNull());

        QVERIFY(m_app->openPanel());
        // Marked out of order; pasted in the order of the list.
        for (const QString &label : {u"plain words"_s, u"bold words"_s, u"https://example.org/page"_s})
            QVERIFY(clickAt(rowCentre(indexOf(label)), u"ctrl"_s));
        QVERIFY(m_app->waitForRows([](const QJsonArray &rows) {
            int marked = 0;
            for (const QJsonValue &row : rows)
                marked += row.toObject().value(u"queued"_s).toBool() ? 1 : 0;
            return marked == 3;
        }));
        QVERIFY(saveScreenshot(u"08-marks"_s));
        const QRect panel = JotterlyProcess::panelGeometry();
        const qsizetype from = m_app->mark();
        QVERIFY(clickAt(QPoint(panel.right() - 45, panel.bottom() - 54))); // "Start Queue", right of the queue bar
        QVERIFY(m_app->waitForLog("paste queue running", 10000, from));
        QTRY_VERIFY_WITH_TIMEOUT(JotterlyProcess::panelGeometry().width() <= 0, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(grabScreen(icon) != idleIcon, 5000); // the tray shows the queue
        QVERIFY(saveScreenshot(u"09-queue-running"_s));

        // A terminal pastes with Ctrl+Shift+V or Shift+Insert: each paste moves the queue on.
        Terminal terminal;
        QVERIFY(terminal.start(m_home.filePath(u"pasted.txt"_s)));
        QString expected;
        const QStringList keys{u"ctrl+shift+v"_s, u"shift+Insert"_s, u"ctrl+shift+v"_s};
        const QStringList texts{u"bold words"_s, u"https://example.org/page"_s, u"plain words"_s};
        for (int i = 0; i < 3; ++i) {
            QVERIFY(pressKeys(keys.at(i)));
            expected += texts.at(i);
            QTRY_COMPARE_WITH_TIMEOUT(terminal.pasted(), expected, 5000);
            if (i == 0) {
                // A read by a program that is not the active window is no paste.
                QTRY_COMPARE_WITH_TIMEOUT(clipboardContent(), texts.at(1).toUtf8(), 5000);
                QTest::qWait(300);
            }
        }
        QVERIFY(m_app->waitForLog("paste queue idle", 5000, 0));
        QTRY_VERIFY_WITH_TIMEOUT(grabScreen(icon) == idleIcon, 5000);
        QVERIFY(saveScreenshot(u"10-pasted"_s));

        // A fourth paste pastes the last item again; nothing was recorded or moved.
        QVERIFY(pressKeys(u"shift+Insert"_s));
        QTRY_COMPARE_WITH_TIMEOUT(terminal.pasted(), expected + u"plain words"_s, 5000);
        QTest::qWait(1000);
        QCOMPARE(m_app->count(recordedLine), recorded);
        QCOMPARE(m_app->labels(), (QStringList{u"bold words"_s, u"https://example.org/page"_s, u"plain words"_s, u"Image"_s}));
    }
};

JOTTERLY_X11_TEST_MAIN(TestE2EPanel)
#include "tst_e2e_panel.moc"
