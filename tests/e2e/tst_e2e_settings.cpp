#include "support/desktopdriver.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The settings as a person changes them in the settings window, and what each change
// does to the running program, its files and the next launch.
class TestE2ESettings : public DesktopTest
{
    Q_OBJECT

    QRect m_settings;

    QString settingsText() const { return QString::fromUtf8(readFile(m_app->configPath())); }

    [[nodiscard]] QStringList storedPinned() const
    {
        return DiskView(m_app->storePath()).column(u"SELECT textPreview FROM ClipItem WHERE isPinned ORDER BY timestamp DESC"_s);
    }

    // Copies a text with xclip and waits until it is recorded.
    void copyRecorded(const QByteArray &text)
    {
        const int before = m_app->count(recordedLine);
        const qsizetype from = m_app->mark();
        QVERIFY(copyText(text));
        QVERIFY2(m_app->waitForLog(recordedLine, 10000, from), text.constData());
        QCOMPARE(m_app->count(recordedLine), before + 1);
    }

    void openSettings()
    {
        QVERIFY(m_app->openPanel());
        m_settings = m_app->openSettings();
        QVERIFY(!m_settings.isEmpty());
    }

    QPoint inSettings(int x, int y) const { return m_settings.topLeft() + QPoint(x, y); }

    // Chooses in a combo box of the settings window with the arrow keys.
    void choose(const QPoint &combo, const QString &keys)
    {
        QVERIFY(clickAndWaitForPopup(combo));
        QVERIFY(pressKeys(keys + u" Return"_s));
        QTest::qWait(300);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Someone who has been through the welcome before, with one application besides
        // jotterly installed: the pastepad.
        QVERIFY(writeFile(m_home.filePath(u"data/applications/pastepad.desktop"_s),
                          "[Desktop Entry]\nType=Application\nName=Pastepad\nExec=pastepad\n"));
        // And Mousepad, as its package installs it.
        QDir().mkpath(m_home.filePath(u"system/applications"_s));
        QVERIFY(QFile::copy(u"/usr/share/applications/org.xfce.mousepad.desktop"_s,
                            m_home.filePath(u"system/applications/org.xfce.mousepad.desktop"_s)));

        QProcessEnvironment env;
        env.insert(u"XDG_DATA_DIRS"_s, m_home.filePath(u"system"_s));
        QVERIFY(startDesktop(true, env));
        QVERIFY(!m_app->log().contains("onboarding shown"));
    }

    void cleanupTestCase() { m_app->finish(); }

    void trimsToTheChosenHistorySizeAtTheNextCopy()
    {
        for (int i = 1; i <= 55; ++i)
            copyRecorded(u"copy %1"_s.arg(i).toUtf8());
        QCOMPARE(m_app->stored().size(), 55);

        openSettings();
        QVERIFY(saveScreenshot(u"20-settings"_s));
        choose(inSettings(188, 124), u"Up"_s); // History size: 100 -> 50
        QTRY_VERIFY_WITH_TIMEOUT(settingsText().contains(u"historyLimit=50"_s), 5000);
        QCOMPARE(m_app->stored().size(), 55); // nothing is deleted until the next copy

        copyRecorded("copy 56");
        QTRY_COMPARE_WITH_TIMEOUT(m_app->stored().size(), 50, 5000);
        QCOMPARE(m_app->stored().constFirst(), u"copy 56"_s);
        QCOMPARE(m_app->stored().constLast(), u"copy 7"_s);
        QVERIFY(m_app->waitForRows([](const QJsonArray &rows) { return rows.size() == 50; }));
    }

    void ignoresCopiesFromAnExcludedApplication()
    {
        QVERIFY(clickAndWaitForPopup(inSettings(63, 454))); // "Add App..."
        QTest::qWait(300); // the dialog fades in
        QVERIFY(saveScreenshot(u"21-settings-add-app"_s));
        // The picker lists the installed applications, Mousepad first; the desktop-file
        // id is what it stores.
        QVERIFY(clickAt(inSettings(225, 104)));
        QTRY_VERIFY_WITH_TIMEOUT(settingsText().contains(u"org.xfce.mousepad"_s), 5000);
        QVERIFY(saveScreenshot(u"22-settings-excluded"_s));

        // Mousepad's window (WM_CLASS "mousepad", "Mousepad"; no D-Bus session here, so
        // no announced id) is resolved to its entry: its copy is not recorded.
        const int before = m_app->count(recordedLine);
        const QString document = m_home.filePath(u"secret.txt"_s);
        QVERIFY(writeFile(document, "a password"));
        QProcess mousepad;
        QVERIFY(startActive(mousepad, u"mousepad"_s, {document}));
        QVERIFY(pressKeys(u"ctrl+a ctrl+c"_s));
        QTRY_COMPARE_WITH_TIMEOUT(clipboardContent(), QByteArray("a password"), 5000);
        const QByteArray rich = clipboardContent(u"application/x-gtk-text-buffer-rich-text"_s);
        QVERIFY(!rich.isEmpty());
        QTest::qWait(1500);
        QCOMPARE(m_app->count(recordedLine), before);

        // Quitting, Mousepad hands its clipboard over: it stays, in all the forms GTK
        // gives to other programs, its own rich text among them.
        QVERIFY(pressKeys(u"ctrl+q"_s));
        QVERIFY(mousepad.waitForFinished(10000));
        QCOMPARE(clipboardContent(), QByteArray("a password"));
        QCOMPARE(clipboardContent(u"application/x-gtk-text-buffer-rich-text"_s), rich);
        QVERIFY(!m_app->stored().contains(u"a password"_s));

        // With Mousepad gone, copies are recorded again.
        copyRecorded("after the password");
    }

    void launchAtLoginWritesAndRemovesTheAutostartEntry()
    {
        // On by default: the launch wrote the entry, starting this very program.
        const QByteArray text = readFile(m_app->autostartPath());
        QVERIFY2(text.contains(JOTTERLY_PATH), text.constData());

        openSettings();
        QVERIFY(clickAt(inSettings(178, 194)));
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(m_app->autostartPath()), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(settingsText().contains(u"launchAtLogin=false"_s), 5000);
        QVERIFY(clickAt(inSettings(178, 194)));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_app->autostartPath()), 5000);
    }

    void clearsOnQuitAndOnSigtermKeepingPinnedItems()
    {
        choose(inSettings(198, 158), u"Down"_s); // Auto-clear: Never -> On Quit
        QTRY_VERIFY_WITH_TIMEOUT(settingsText().contains(u"autoClearOption=onQuit"_s), 5000);

        // Pin the newest item from its row menu.
        QVERIFY(m_app->openPanel());
        const QRect panel = JotterlyProcess::panelGeometry();
        QVERIFY(clickAndWaitForPopup(QPoint(panel.x() + 120, panel.y() + 99), 3));
        QVERIFY(pressKeys(u"Down Return"_s));
        QTRY_COMPARE_WITH_TIMEOUT(storedPinned(), QStringList{u"after the password"_s}, 5000);

        // The power button quits (the panel has grown by the section headers).
        QTest::qWait(300);
        const QRect grown = JotterlyProcess::panelGeometry();
        QVERIFY(saveScreenshot(u"23-pinned-before-quit"_s));
        QVERIFY(clickAt(QPoint(grown.right() - 24, grown.bottom() - 17)));
        QVERIFY(m_app->process().waitForFinished(20000));
        QCOMPARE(m_app->process().exitCode(), 0);
        QCOMPARE(m_app->stored(), QStringList{u"after the password"_s});

        // The next run starts with only the pinned item; SIGTERM clears as quitting does.
        QVERIFY(m_app->start());
        QVERIFY(m_app->waitForRowCount(1));
        copyRecorded("one more");
        copyRecorded("and another");
        QCOMPARE(m_app->stored().size(), 3);
        QVERIFY(m_app->stop(SIGTERM));
        QCOMPARE(m_app->stored(), QStringList{u"after the password"_s});
    }
};

JOTTERLY_X11_TEST_MAIN(TestE2ESettings)
#include "tst_e2e_settings.moc"
