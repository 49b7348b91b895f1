#include "platform/manualscheduler.h"
#include "support/testhelpers.h"
#include "updates/installerimage.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

class TestInstallerImage : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    ManualScheduler m_scheduler;

    [[nodiscard]] QString path(const QString &relative) const { return m_dir->filePath(relative); }
    [[nodiscard]] QString toolLog() const { return QString::fromUtf8(readFile(path(u"tool.log"_s))); }
    [[nodiscard]] InstallerImageEnvironment environment(const QString &bundle = u"Applications/jotterly"_s) const
    {
        return {path(bundle), {u"/nonexistent/Applications"_s, path(u"Applications"_s)}, path(u"hdiutil"_s)};
    }

    // The fake disk-image tool: logs its arguments, then runs @p body (the listing is in info.plist).
    void writeTool(const QByteArray &body)
    {
        const QString tool = path(u"hdiutil"_s);
        QVERIFY(writeFile(tool, "#!/bin/sh\necho \"$@\" >> '" + path(u"tool.log"_s).toUtf8() + "'\n" + body + "\n"));
        QVERIFY(QFile::setPermissions(tool, QFile::permissions(tool) | QFile::ExeOwner));
    }
    // The tool's listing of images; "@" stands for the test's folder.
    static QByteArray entry(const QByteArray &imagePath, const QByteArray &entities)
    {
        return "<dict><key>image-path</key>" + imagePath + "<key>system-entities</key>" + entities + "</dict>";
    }
    static QByteArray mounts(const QByteArray &volume)
    {
        return "<array><dict><key>mount-point</key><string>@/" + volume + "</string></dict></array>";
    }
    static QByteArray image(const QByteArray &name, const QByteArray &volume)
    {
        return entry("<string>@/" + name + "</string>", mounts(volume));
    }
    static QByteArray listing(const QByteArray &images)
    {
        return "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>images</key><array>" + images + "</array></dict></plist>";
    }
    [[nodiscard]] QString trashed(const QString &name) const
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Trash/files/"_s + name;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The Trash of a home inside the test's folder, so nothing reaches the user's.
        static QTemporaryDir home;
        qputenv("HOME", home.path().toUtf8());
        QStandardPaths::setTestModeEnabled(true);
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>(QDir::home().filePath(u"cleanup-XXXXXX"_s));
        QVERIFY(QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)));
        for (const QString &folder : {u"Applications/jotterly"_s, u"elsewhere/jotterly"_s, u"volumes/plain"_s, u"volumes/first/jotterly"_s,
                                      u"volumes/second/jotterly"_s})
            QVERIFY(QDir(m_dir->path()).mkpath(folder));
        for (const QString &name : {u"images/plain.dmg"_s, u"images/first.dmg"_s, u"images/second.dmg"_s})
            QVERIFY(writeFile(path(name), {}));
        QVERIFY(writeFile(path(u"info.plist"_s), listing(image("images/plain.dmg", "volumes/plain") + image("images/first.dmg", "volumes/first")
                                                         + image("images/second.dmg", "volumes/second"))
                                                     .replace("@", m_dir->path().toUtf8())));
    }

    void detachesAndTrashesTheFirstMatchingImage()
    {
        // The detach fails: the image file is trashed all the same.
        writeTool("case \"$1\" in info) cat '" + path(u"info.plist"_s).toUtf8() + "';; detach) exit 1;; esac");
        QPointer<InstallerImageCleanup> cleanup = cleanUpInstallerDiskImage(&m_scheduler, this, environment());
        QVERIFY(cleanup);
        QSignalSpy finished(cleanup.data(), &InstallerImageCleanup::finished);
        m_scheduler.advance(installerImageCleanupDelay - 1ms);
        QVERIFY(toolLog().isEmpty());
        m_scheduler.advance(1ms);
        QVERIFY(finished.wait());
        QCOMPARE(toolLog(), u"info -plist\ndetach %1 -quiet\n"_s.arg(path(u"volumes/first"_s)));
        QVERIFY(!QFile::exists(path(u"images/first.dmg"_s)));
        QVERIFY(QFile::exists(trashed(u"first.dmg"_s)));
        QVERIFY(QFile::exists(path(u"images/plain.dmg"_s)));
        QVERIFY(QFile::exists(path(u"images/second.dmg"_s)));
        QTRY_VERIFY(!cleanup);
    }

    void startsNothingOutsideTheApplicationsFolders()
    {
        writeTool("cat '" + path(u"info.plist"_s).toUtf8() + "'");
        QVERIFY(!cleanUpInstallerDiskImage(&m_scheduler, this, environment(u"elsewhere/jotterly"_s)));
        m_scheduler.advance(1min);
        QCoreApplication::processEvents();
        QVERIFY(toolLog().isEmpty());
    }

    void failuresEndSilently_data()
    {
        QTest::addColumn<QByteArray>("tool"); // empty: there is no tool
        QTest::addColumn<bool>("hangs");
        QTest::newRow("no tool") << QByteArray() << false;
        QTest::newRow("endless output") << QByteArray("exec yes '<string>x</string>'") << false;
        QTest::newRow("never exits") << QByteArray("exec sleep 600") << true;
    }
    void failuresEndSilently()
    {
        QFETCH(QByteArray, tool);
        QFETCH(bool, hangs);
        if (!tool.isEmpty())
            writeTool(tool);
        QPointer<InstallerImageCleanup> cleanup = cleanUpInstallerDiskImage(&m_scheduler, this, environment());
        QSignalSpy finished(cleanup.data(), &InstallerImageCleanup::finished);
        m_scheduler.advance(installerImageCleanupDelay);
        if (hangs) {
            QTRY_VERIFY(!toolLog().isEmpty());
            QCOMPARE(finished.count(), 0);
            m_scheduler.advance(diskImageToolTimeLimit);
        }
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(!toolLog().contains(u"detach"_s));
        for (const QString &name : {u"plain.dmg"_s, u"first.dmg"_s, u"second.dmg"_s})
            QVERIFY(QFile::exists(path(u"images/"_s + name)));
    }

    // Entries of the wrong type are passed over; anything but a list of images yields nothing.
    void findsTheInstallerImage_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<bool>("found"); // the second image, on the second volume
        const QByteArray second = image("images/second.dmg", "volumes/second");
        // Data holding a path's bytes must not pass for the path.
        QTest::newRow("image path not a string")
            << listing(entry("<data>" + QByteArray("@/images/first.dmg").toBase64() + "</data>", mounts("volumes/first")) + second)
            << true;
        QTest::newRow("entities not an array") << listing(entry("<string>@/images/first.dmg</string>", "<dict/>") + second) << true;
        QTest::newRow("images hold a number") << listing(second + "<integer>2</integer>") << false;
        QTest::newRow("malformed") << listing(second).chopped(8) << false;
        QTest::newRow("deeply nested") << listing(QByteArray("<array>").repeated(100000) + QByteArray("</array>").repeated(100000))
                                       << false;
    }
    void findsTheInstallerImage()
    {
        QFETCH(QByteArray, output);
        QFETCH(bool, found);
        output.replace("@", m_dir->path().toUtf8());
        const auto image = findMountedInstallerImage(output, u"jotterly"_s);
        QCOMPARE(image, found ? std::optional(MountedInstallerImage{path(u"images/second.dmg"_s), path(u"volumes/second"_s)})
                              : std::nullopt);
        QVERIFY(!findMountedInstallerImage(output, QString())); // without a name nothing matches
    }
};

QTEST_GUILESS_MAIN(TestInstallerImage)
#include "tst_installerimage.moc"
