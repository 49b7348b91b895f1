#include "platform/autostartloginitem.h"
#include "support/testhelpers.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The autostart entry as sessions read it: desktop-file-validate checks its syntax and
// GLib's launcher (gio, what GNOME's and Xfce's sessions use) starts what it names.
class TestAutostartLoginItem : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QByteArray m_path = qgetenv("PATH");

    // A stand-in program named jotterly in `folder` that records the path it was started as.
    QString makeProgram(const QString &folder)
    {
        const QString path = m_dir.filePath(folder + u"/jotterly"_s);
        // Written aside and renamed, so that the marker appears complete.
        if (!writeFile(path, "#!/bin/sh\nprintf %s \"$0\" > \"$JOTTERLY_TEST_MARKER.new\" && mv \"$JOTTERLY_TEST_MARKER.new\" \"$JOTTERLY_TEST_MARKER\"\n"))
            return {};
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
        return path;
    }

private Q_SLOTS:
    void cleanup() { qputenv("PATH", m_path); }

    void startsTheProgramItNames_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("onPath");
        QTest::addColumn<QString>("exec"); // @ stands for the temporary folder
        QTest::addColumn<bool>("glibCanStart");
        QTest::newRow("installed, found on PATH") << u"bin"_s << true << u"jotterly"_s << true;
        QTest::newRow("build folder") << u"build/src/app"_s << false << u"@/build/src/app/jotterly"_s << true;
        QTest::newRow("space") << u"my builds"_s << false << u"\"@/my builds/jotterly\""_s << true;
        QTest::newRow("quote, backtick, dollar, backslash")
            << u"a\"b`c$d\\e"_s << false << u"\"@/a\\\\\"b\\\\`c\\\\$d\\\\\\\\e/jotterly\""_s << true;
        QTest::newRow("shell characters") << u"x';#~&|<>()*?"_s << false << u"\"@/x';#~&|<>()*?/jotterly\""_s << true;
        QTest::newRow("non-ASCII") << u"Schöne Grüße"_s << false << u"\"@/Schöne Grüße/jotterly\""_s << true;
        // GLib looks for the program before it turns %% back into %, so it cannot start
        // these; the entry is still what the desktop-entry rules ask for.
        QTest::newRow("percent") << u"100%"_s << false << u"@/100%%/jotterly"_s << false;
        QTest::newRow("percent and space") << u"50 %u"_s << false << u"\"@/50 %%u/jotterly\""_s << false;
    }

    void startsTheProgramItNames()
    {
        QFETCH(QString, folder);
        QFETCH(bool, onPath);
        QFETCH(QString, exec);
        QFETCH(bool, glibCanStart);
        const QString program = makeProgram(folder);
        QVERIFY(!program.isEmpty());
        if (onPath)
            qputenv("PATH", QFile::encodeName(QFileInfo(program).absolutePath()) + ':' + m_path);

        const QString entryPath = m_dir.filePath(u"autostart/%1.desktop"_s.arg(QString::fromUtf8(QTest::currentDataTag())));
        AutostartLoginItem item(entryPath, program);
        QVERIFY(item.enable());
        QVERIFY(item.isEnabled());
        const QByteArray text = readFile(entryPath);
        const qsizetype at = text.indexOf("\nExec=") + 6;
        QCOMPARE(QString::fromUtf8(text.mid(at, text.indexOf('\n', at) - at)), exec.replace(u'@', m_dir.path()));

        QProcess validate;
        validate.start(u"desktop-file-validate"_s, {entryPath});
        QVERIFY2(validate.waitForFinished(10000), "desktop-file-validate (desktop-file-utils) is missing");
        QCOMPARE(validate.exitCode(), 0);
        QCOMPARE(validate.readAll(), QByteArray());

        if (glibCanStart) {
            const QString marker = m_dir.filePath(u"started"_s);
            QFile::remove(marker);
            QProcess gio;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(u"JOTTERLY_TEST_MARKER"_s, marker);
            gio.setProcessEnvironment(env);
            gio.start(u"gio"_s, {u"launch"_s, entryPath});
            QVERIFY2(gio.waitForFinished(10000), "gio (libglib2.0-bin) is missing");
            QVERIFY2(gio.exitCode() == 0, gio.readAllStandardError().constData());
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 5000);
            QCOMPARE(QFileInfo(QString::fromUtf8(readFile(marker).trimmed())).canonicalFilePath(), QFileInfo(program).canonicalFilePath());
        }

        QVERIFY(item.disable());
        QVERIFY(!QFile::exists(entryPath));
    }

    // Another jotterly earlier on PATH must not be the one that starts at login.
    void namesItsOwnPathWhenPathFindsAnotherJotterly()
    {
        const QString other = makeProgram(u"other/bin"_s);
        const QString mine = makeProgram(u"mine"_s);
        qputenv("PATH", QFile::encodeName(QFileInfo(other).absolutePath()) + ':' + m_path);
        QCOMPARE(AutostartLoginItem::execValue(mine), mine);
    }

    // A path with a line break cannot be put on an Exec line: the switch reports the
    // refusal and the entry written before stays as it was.
    void refusesAPathWithALineBreak()
    {
        const QString entryPath = m_dir.filePath(u"autostart/refused.desktop"_s);
        QVERIFY(AutostartLoginItem(entryPath, makeProgram(u"good"_s)).enable());
        const QByteArray before = readFile(entryPath);
        QVERIFY(!AutostartLoginItem(entryPath, m_dir.filePath(u"bad\nExec=rm -rf ~/jotterly"_s)).enable());
        QCOMPARE(readFile(entryPath), before);
    }
};

QTEST_GUILESS_MAIN(TestAutostartLoginItem)
#include "tst_autostartloginitem.moc"
