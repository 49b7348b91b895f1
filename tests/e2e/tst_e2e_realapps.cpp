#include "support/desktopdriver.h"
#include "support/offers.h"

#include <QTest>

using namespace Qt::StringLiterals;

// jotterly beside programs that people copy from and paste into: a file manager
// (PCManFM) and a text editor (Mousepad) run for real; a browser's and an office
// suite's copies are replayed from what they once offered (tests/data/offers).
class TestE2ERealApps : public DesktopTest
{
    Q_OBJECT

    [[nodiscard]] QString path(const QString &relative) const { return m_home.filePath(relative); }

    // A real program, with its settings in the test's folder.
    bool startProgram(QProcess &process, const QString &program, const QStringList &arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_s, path(u"home"_s));
        env.insert(u"XDG_CONFIG_HOME"_s, path(u"home/.config"_s));
        env.insert(u"NO_AT_BRIDGE"_s, u"1"_s);
        process.setProcessEnvironment(env);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(program, arguments);
        return process.waitForStarted();
    }

    // Gives the keyboard to the window titled `title` (a regular expression) and presses keys.
    static bool pressKeysIn(const QString &title, const QString &keys)
    {
        return runShell(u"xdotool search --sync --onlyvisible --name '%1' windowfocus --sync key --delay 60 %2"_s.arg(title, keys));
    }

    // Replays a recorded offer through the test owner, target by target.
    void copyRecorded(QProcess &owner, const QString &name)
    {
        QStringList arguments;
        const auto files = recordedOfferFiles(name);
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            arguments << it.key() + u"=@"_s + it.value();
        QVERIFY(m_app->copyAndWait([&] { return startTestOwner(owner, arguments); }));
    }

    // Copies something else, then puts the item that was newest before it back from the panel.
    void copyOtherThenBack(const QByteArray &other)
    {
        QVERIFY(m_app->copyAndWait([&] { return copyText(other); }));
        QVERIFY(m_app->openPanel());
        QVERIFY(pressKeys(u"ctrl+2"_s));
        QTRY_VERIFY_WITH_TIMEOUT(JotterlyProcess::panelGeometry().width() <= 0, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(clipboardContent(u"UTF8_STRING"_s) != other, 5000);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(startDesktop(true)); }

    void cleanupTestCase() { m_app->finish(); }

    void aFileCopiedInTheFileManagerPastesBackAsAFile()
    {
        QVERIFY(QDir().mkpath(path(u"files/from"_s)) && QDir().mkpath(path(u"files/to"_s)));
        const QString name = u"a b ü.txt"_s;
        const QString file = path(u"files/from/"_s + name);
        QVERIFY(writeFile(file, "hello"));

        QProcess fileManager;
        const auto stop = qScopeGuard([&] { endProcess(fileManager); });
        QVERIFY(startProgram(fileManager, u"pcmanfm"_s, {path(u"files/from"_s)}));
        // PCManFM ends its list with a NUL byte.
        QVERIFY(m_app->copyAndWait([] { return pressKeysIn(u"^from$"_s, u"ctrl+a ctrl+c"_s); }));
        QCOMPARE(m_app->kinds().constFirst(), u"File"_s);
        QCOMPARE(m_app->labels().constFirst(), name);

        copyOtherThenBack("other words");
        // As a file manager offers it: the list of files, and the path for editors and terminals.
        QCOMPARE(clipboardContent(u"UTF8_STRING"_s), file.toUtf8());
        QCOMPARE(clipboardContent(u"text/uri-list"_s), QUrl::fromLocalFile(file).toEncoded() + "\r\n");

        // Pasted into another folder, the file is copied there.
        QVERIFY(pressKeysIn(u"^from$"_s, u"ctrl+l"_s));
        QVERIFY(runShell(u"xdotool type --delay 10 '%1'"_s.arg(path(u"files/to"_s))));
        QVERIFY(pressKeys(u"Return"_s));
        QVERIFY(pressKeysIn(u"^to$"_s, u"ctrl+v"_s));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path(u"files/to/"_s + name)), 10000);
        QVERIFY(saveScreenshot(u"realapps-01-file-pasted"_s));
    }

    void formattedTextKeepsItsFormat_data()
    {
        QTest::addColumn<QString>("offer");
        QTest::addColumn<QString>("target");
        QTest::newRow("browser HTML") << u"firefox-text"_s << u"text/html"_s;
        QTest::newRow("office RTF") << u"libreoffice-text"_s << u"text/rtf"_s;
    }

    void formattedTextKeepsItsFormat()
    {
        QFETCH(QString, offer);
        QFETCH(QString, target);
        QProcess owner;
        copyRecorded(owner, offer);
        QCOMPARE(m_app->kinds().constFirst(), u"Rich Text"_s);

        copyOtherThenBack(offer.toUtf8());
        const auto recorded = recordedOffer(offer);
        QCOMPARE(clipboardContent(target), recorded.value(target));
        QCOMPARE(clipboardContent(u"UTF8_STRING"_s), recorded.value(u"UTF8_STRING"_s));
    }

    void aLinkPastesAsTextIntoAnEditor()
    {
        QProcess owner;
        copyRecorded(owner, u"firefox-link"_s);
        QCOMPARE(m_app->kinds().constFirst(), u"URL"_s);
        const QByteArray link = recordedOffer(u"firefox-link"_s).value(u"UTF8_STRING"_s);

        const QString note = path(u"note.txt"_s);
        QVERIFY(writeFile(note, "before "));
        QProcess editor;
        const auto stop = qScopeGuard([&] { endProcess(editor); });
        QVERIFY(startProgram(editor, u"mousepad"_s, {note}));
        QVERIFY(runShell(u"xdotool search --sync --onlyvisible --name 'note.txt' >/dev/null"_s));

        copyOtherThenBack("other words for the link");
        QCOMPARE(clipboardContent(u"UTF8_STRING"_s), link);
        // Pasted at the end and saved: the link's text is in the file.
        QVERIFY(pressKeysIn(u"note.txt"_s, u"ctrl+End ctrl+v ctrl+s"_s));
        QTRY_COMPARE_WITH_TIMEOUT(readFile(note).trimmed(), "before " + link, 10000);
    }
};

JOTTERLY_X11_TEST_MAIN(TestE2ERealApps)
#include "tst_e2e_realapps.moc"
