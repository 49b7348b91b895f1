#include "platform/desktopentries.h"
#include "platform/fakeloginitem.h"
#include "settings/preferencedefaults.h"
#include "settings/preferencekeys.h"
#include "settings/preferences.h"
#include "settings/settingsviewmodel.h"
#include "support/testhelpers.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>

using namespace Qt::StringLiterals;
namespace Keys = PreferenceKeys;

// Reads through the reader of the given type; no date reads as a null QVariant.
static QVariant readValue(const Preferences &preferences, const QString &key, int typeId)
{
    switch (typeId) {
    case QMetaType::LongLong: return preferences.integer(key);
    case QMetaType::Bool: return preferences.boolean(key);
    case QMetaType::QString: return preferences.string(key);
    case QMetaType::QStringList: return preferences.stringList(key);
    default: return preferences.date(key) ? QVariant(*preferences.date(key)) : QVariant();
    }
}

class PreferencesTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_run = 0;
    QString m_path;
    // The application's defaults, plus one for the test key "l" that a stored list must win over.
    std::unique_ptr<Preferences> open(const QString &path = {}) const
    {
        auto preferences = std::make_unique<Preferences>(path.isEmpty() ? m_path : path);
        registerPreferenceDefaults(*preferences);
        preferences->registerDefaults({{u"l"_s, QStringList{u"fallback"_s}}});
        return preferences;
    }
    // Stores on one path share QSettings' cache, so reading a copy shows what reached the disk.
    std::unique_ptr<Preferences> openCopy() const { return QFile::copy(m_path, m_path + u".copy"_s) ? open(m_path + u".copy"_s) : nullptr; }
private Q_SLOTS:
    // A fresh folder that does not exist yet, as on a first launch.
    void init() { m_path = m_dir.filePath(u"%1/jotterly/jotterly.conf"_s.arg(++m_run)); }

    void registeredDefaultsAreNeverWritten()
    {
        const auto preferences = open();
        preferences->setString(Keys::shortcutKeyChar, u"V"_s);
        preferences->setInteger(Keys::historyLimit, 50);
        preferences->setDate(Keys::lastAutoClearDate, QDateTime(QDate(2024, 7, 1), QTime(12, 0)));
        preferences->remove(Keys::historyLimit);
        preferences->setDate(Keys::lastAutoClearDate, QDateTime());
        preferences->remove(QString()); // must not wipe the store
        QCOMPARE(preferences->integer(Keys::historyLimit), 100);
        QCOMPARE(readFile(m_path), "[General]\nshortcutKeyChar=V\n"_ba);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("list") << u"l"_s << QVariant(QStringList{u"a"_s, u"with, comma"_s, u"@x"_s});
        QTest::newRow("list empty over default") << u"l"_s << QVariant(QStringList());
        QTest::newRow("date offset") << Keys::lastAutoClearDate
                                     << QVariant(QDateTime(QDate(2023, 12, 31), QTime(1, 2, 3, 4), Qt::OffsetFromUTC, 19800));
    }
    void roundTrip()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        const auto writer = open();
        if (value.typeId() == QMetaType::QStringList) writer->setStringList(key, value.toStringList());
        if (value.typeId() == QMetaType::QDateTime) writer->setDate(key, value.toDateTime());
        QCOMPARE(readValue(*writer, key, value.typeId()), value);
        const auto reader = openCopy();
        QVERIFY(reader);
        QCOMPARE(readValue(*reader, key, value.typeId()), value);
        if (value.typeId() == QMetaType::QDateTime) // the same instant is not enough: the offset is kept too
            QCOMPARE(reader->date(key)->offsetFromUtc(), value.toDateTime().offsetFromUtc());
    }

    void wrongType_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("expected");
        // Garbage reads as the registered default: a limit of 0 would delete the history.
        QTest::newRow("integer garbage") << "historyLimit=lots"_ba << Keys::historyLimit << QVariant(qint64(100));
        QTest::newRow("boolean TRUE") << "onboardingShown=TRUE"_ba << Keys::onboardingShown << QVariant(true);
        QTest::newRow("boolean garbage") << "onboardingShown=yes"_ba << Keys::onboardingShown << QVariant(false);
        QTest::newRow("string holding a list") << "autoClearOption=daily, weekly"_ba << Keys::autoClearOption
                                               << QVariant(AutoClearOption::never);
        QTest::newRow("date garbage") << "lastAutoClearDate=2024-13-45T99:00:00Z"_ba << Keys::lastAutoClearDate << QVariant();
    }
    void wrongType()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, key);
        QFETCH(QVariant, expected);
        QVERIFY(writeFile(m_path, "[General]\n" + line + '\n'));
        QCOMPARE(readValue(*open(), key, expected.isValid() ? expected.typeId() : QMetaType::QDateTime), expected);
    }

    // Only what the settings offer is honoured; anything else reads as the default and is
    // named in the log. A hand-written 0 would otherwise delete the unpinned history.
    void valuesOutsideTheOfferedOnes_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<QString>("autoClear");
        QTest::addColumn<bool>("warned");
        QTest::newRow("offered") << "historyLimit=500\nautoClearOption=weekly"_ba << qint64(500) << u"weekly"_s << false;
        QTest::newRow("limit 0") << "historyLimit=0"_ba << qint64(100) << u"never"_s << true;
        QTest::newRow("auto-clear misspelt") << "autoClearOption=Daily"_ba << qint64(100) << u"never"_s << true;
    }
    void valuesOutsideTheOfferedOnes()
    {
        QFETCH(QByteArray, line);
        QFETCH(qint64, limit);
        QFETCH(QString, autoClear);
        QFETCH(bool, warned);
        QVERIFY(writeFile(m_path, "[General]\n" + line + '\n'));
        const auto preferences = open();
        if (warned)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"is not one jotterly offers"_s));
        else
            QTest::failOnWarning(QRegularExpression(u"."_s));
        QCOMPARE(storedHistoryLimit(*preferences), limit);
        QCOMPARE(storedAutoClearOption(*preferences), autoClear);
    }

    void garbageFile()
    {
        QList<quint32> random(2048);
        QRandomGenerator(20240301).fillRange(random.data(), random.size());
        QVERIFY(writeFile(m_path, QByteArray(reinterpret_cast<const char *>(random.constData()), 8192)));
        const auto preferences = open();
        QCOMPARE(preferences->integer(Keys::historyLimit), 100);
        QCOMPARE(preferences->stringList(Keys::excludedAppBundleIDs), QStringList());
        preferences->setInteger(Keys::historyLimit, 200); // the store stays writable
        const auto reader = openCopy();
        QVERIFY(reader);
        QCOMPARE(reader->integer(Keys::historyLimit), 200);
    }

    // The user's choice is kept, on screen and on disk, even when the system refuses it.
    void aRefusedLoginItemKeepsTheChoice()
    {
        const auto preferences = open();
        FakeLoginItem loginItem;
        SettingsViewModel model(preferences.get(), &loginItem, nullptr);
        model.setLaunchAtLogin(false);
        QVERIFY(!loginItem.enabled);
        loginItem.refuses = true;
        model.setLaunchAtLogin(true);
        QVERIFY(model.launchAtLogin());
        QVERIFY(openCopy()->boolean(Keys::launchAtLogin));
    }

    void keepsExcludedApplicationsWithNames()
    {
        QVERIFY(writeFile(m_dir.filePath(u"applications/org.gnome.TextEditor.desktop"_s), "[Desktop Entry]\nType=Application\nName=Text Editor\n"));
        DesktopEntries applications(QStringList{m_dir.filePath(u"applications"_s)});
        const auto preferences = open();
        preferences->setStringList(Keys::excludedAppBundleIDs, {u"org.gnome.TextEditor"_s, u"org.uninstalled.App"_s});
        FakeLoginItem loginItem;
        SettingsViewModel model(preferences.get(), &loginItem, &applications);
        QCOMPARE(model.excludedAppNames().value(u"org.gnome.TextEditor"_s), u"Text Editor"_s);
        QCOMPARE(model.excludedAppNames().value(u"org.uninstalled.App"_s), u"org.uninstalled.App"_s);

        model.addExcludedApp(u"org.gnome.TextEditor"_s, u"Other Name"_s);
        QCOMPARE(model.excludedAppNames().value(u"org.gnome.TextEditor"_s), u"Text Editor"_s);
        model.addExcludedApp(u"org.keepassxc.KeePassXC"_s, u"KeePassXC"_s);
        model.removeExcludedApp(u"org.uninstalled.App"_s);
        model.removeExcludedApp(u"not.in.the.list"_s);
        QCOMPARE(preferences->stringList(Keys::excludedAppBundleIDs),
                 (QStringList{u"org.gnome.TextEditor"_s, u"org.keepassxc.KeePassXC"_s}));
    }

    void reconcilingFollowsThePreferenceOrTheSystem_data()
    {
        QTest::addColumn<bool>("wanted");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("refuses");
        QTest::addColumn<bool>("enabledAfter");
        QTest::addColumn<bool>("wantedAfter");
        QTest::newRow("first launch registers") << true << false << false << true << true;
        QTest::newRow("turned off") << false << true << false << false << false;
        QTest::newRow("refused to register") << true << false << true << false << false;
        QTest::newRow("refused to unregister") << false << true << true << true << true;
    }
    void reconcilingFollowsThePreferenceOrTheSystem()
    {
        QFETCH(bool, wanted);
        QFETCH(bool, enabled);
        QFETCH(bool, refuses);
        QFETCH(bool, enabledAfter);
        QFETCH(bool, wantedAfter);
        const auto preferences = open();
        preferences->setBoolean(Keys::launchAtLogin, wanted);
        FakeLoginItem loginItem;
        loginItem.enabled = enabled;
        loginItem.refuses = refuses;
        reconcileLaunchAtLogin(*preferences, loginItem);
        QCOMPARE(loginItem.enabled, enabledAfter);
        QCOMPARE(preferences->boolean(Keys::launchAtLogin), wantedAfter);
    }
};

QTEST_GUILESS_MAIN(PreferencesTest)

#include "tst_preferences.moc"
