#include "settings/notificationcenter.h"
#include "settings/preferencedefaults.h"
#include "settings/preferencekeys.h"
#include "settings/preferences.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>

using namespace Qt::StringLiterals;

namespace
{
// Writes through the setter that matches the value's type.
void writeValue(Preferences &preferences, const QString &key, const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::LongLong: return preferences.setInteger(key, value.toLongLong());
    case QMetaType::Bool: return preferences.setBoolean(key, value.toBool());
    case QMetaType::QString: return preferences.setString(key, value.toString());
    case QMetaType::QStringList: return preferences.setStringList(key, value.toStringList());
    case QMetaType::QDateTime: return preferences.setDate(key, value.toDateTime());
    default: QFAIL("unexpected value type");
    }
}

// Reads through the reader of the given type; no date reads as a null QVariant.
QVariant readValue(const Preferences &preferences, const QString &key, int typeId)
{
    switch (typeId) {
    case QMetaType::LongLong: return preferences.integer(key);
    case QMetaType::Bool: return preferences.boolean(key);
    case QMetaType::QString: return preferences.string(key);
    case QMetaType::QStringList: return preferences.stringList(key);
    case QMetaType::QDateTime: return preferences.date(key) ? QVariant(*preferences.date(key)) : QVariant();
    default: return {};
    }
}
} // namespace

class PreferencesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void freshStoreReadsDefaults();
    void writesOnlyWhatIsSet();
    void roundTrip_data();
    void roundTrip();
    void unreadableValues_data();
    void unreadableValues();
    void garbageFile_data();
    void garbageFile();
    void notificationsByName();
    void notificationFromWorkerThread();

private:
    [[nodiscard]] std::unique_ptr<Preferences> open() const;
    [[nodiscard]] QByteArray fileContents() const;
    void writeFile(const QByteArray &contents) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void PreferencesTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    // A folder that does not exist yet, as on a first launch.
    m_path = m_dir->filePath(u"jotterly/jotterly.conf"_s);
}

std::unique_ptr<Preferences> PreferencesTest::open() const
{
    auto preferences = std::make_unique<Preferences>(m_path);
    registerPreferenceDefaults(*preferences);
    return preferences;
}

QByteArray PreferencesTest::fileContents() const
{
    QFile file(m_path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void PreferencesTest::writeFile(const QByteArray &contents) const
{
    QVERIFY(QDir().mkpath(QFileInfo(m_path).absolutePath()));
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(contents), contents.size());
}

void PreferencesTest::freshStoreReadsDefaults()
{
    const auto preferences = open();
    QCOMPARE(preferences->integer(PreferenceKeys::historyLimit), 100);
    QCOMPARE(preferences->boolean(PreferenceKeys::launchAtLogin), true);
    QCOMPARE(preferences->string(PreferenceKeys::autoClearOption), AutoClearOption::never);
    QCOMPARE(preferences->integer(PreferenceKeys::shortcutKeyCode), 9);
    QCOMPARE(preferences->integer(PreferenceKeys::shortcutModifiers), 0xa0000);
    QCOMPARE(preferences->boolean(PreferenceKeys::onboardingShown), false);
    QCOMPARE(preferences->string(PreferenceKeys::shortcutKeyChar), QString());
    QCOMPARE(preferences->stringList(PreferenceKeys::excludedAppBundleIDs), QStringList());
    QCOMPARE(preferences->date(PreferenceKeys::lastAutoClearDate), std::nullopt);
    // The update controller registers its own default when it is created.
    QCOMPARE(preferences->registeredDefaults().size(), 6);
    QVERIFY(!preferences->registeredDefaults().contains(PreferenceKeys::automaticallyUpdate));
}

void PreferencesTest::writesOnlyWhatIsSet()
{
    const auto preferences = open();
    preferences->setString(PreferenceKeys::shortcutKeyChar, u"V"_s);
    preferences->setInteger(PreferenceKeys::historyLimit, 50);
    preferences->setDate(PreferenceKeys::lastAutoClearDate, QDateTime(QDate(2024, 7, 1), QTime(12, 0, 0, 250)));
    QVERIFY(fileContents().contains("lastAutoClearDate=2024-07-01T12:00:00.250+02:00\n"));

    preferences->remove(PreferenceKeys::historyLimit);
    preferences->setDate(PreferenceKeys::lastAutoClearDate, QDateTime());
    preferences->remove(QString()); // must not wipe the store
    QCOMPARE(preferences->integer(PreferenceKeys::historyLimit), 100);
    // No registered default ever reaches the file.
    QCOMPARE(fileContents(), "[General]\nshortcutKeyChar=V\n"_ba);
}

void PreferencesTest::roundTrip_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");

    const auto integer = [](qint64 value) { return QVariant(value); };
    QTest::newRow("integer zero") << PreferenceKeys::historyLimit << integer(0);
    QTest::newRow("integer min") << u"n"_s << integer(std::numeric_limits<qint64>::min());
    QTest::newRow("boolean false over true") << PreferenceKeys::launchAtLogin << QVariant(false);
    QTest::newRow("boolean true") << PreferenceKeys::onboardingShown << QVariant(true);
    QTest::newRow("string empty") << PreferenceKeys::autoClearOption << QVariant(QString());
    QTest::newRow("string space") << PreferenceKeys::shortcutKeyChar << QVariant(u" "_s);
    QTest::newRow("string like a list") << PreferenceKeys::shortcutKeyChar << QVariant(u"a, b"_s);
    QTest::newRow("string like INI") << PreferenceKeys::shortcutKeyChar << QVariant(u"[General]\n=\"x\";@Invalid()"_s);
    QTest::newRow("string unicode") << PreferenceKeys::shortcutKeyChar << QVariant(u"⌘ é 😀"_s);
    QTest::newRow("list empty over default") << u"l"_s << QVariant(QStringList());
    QTest::newRow("list of one") << u"l"_s << QVariant(QStringList{u"org.keepassxc.KeePassXC"_s});
    QTest::newRow("list of one empty") << u"l"_s << QVariant(QStringList{QString()});
    QTest::newRow("list") << u"l"_s << QVariant(QStringList{u"a"_s, u"with, comma"_s, u"@x"_s, u" padded "_s});
    QTest::newRow("date utc") << PreferenceKeys::lastAutoClearDate << QVariant(QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59, 999), Qt::UTC));
    QTest::newRow("date offset") << PreferenceKeys::lastAutoClearDate
                                 << QVariant(QDateTime(QDate(2023, 12, 31), QTime(1, 2, 3, 4), Qt::OffsetFromUTC, 19800));
    QTest::newRow("date local") << PreferenceKeys::lastAutoClearDate << QVariant(QDateTime(QDate(2024, 7, 1), QTime(12, 0, 0, 250)));
}

void PreferencesTest::roundTrip()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);

    // Defaults for the extra keys, so those rows also show that a stored value wins.
    const QVariantMap fallbacks{{u"l"_s, QStringList{u"fallback"_s}}, {u"n"_s, 7}};
    const auto writer = open();
    writer->registerDefaults(fallbacks);
    writeValue(*writer, key, value);
    QCOMPARE(readValue(*writer, key, value.typeId()), value);

    // Stores on one path share QSettings' cache, so read a copy: it also shows that
    // the value reached the disk while the writer is still open.
    const QString copy = m_dir->filePath(u"copy.conf"_s);
    QVERIFY(QFile::copy(m_path, copy));
    Preferences reader(copy);
    reader.registerDefaults(fallbacks);
    QCOMPARE(readValue(reader, key, value.typeId()), value);
}

void PreferencesTest::unreadableValues_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("expected");

    const auto integer = [](qint64 value) { return QVariant(value); };
    const auto limit = PreferenceKeys::historyLimit;
    QTest::newRow("integer padded") << "historyLimit=  42  "_ba << limit << integer(42);
    // Garbage reads as the registered default, never as a limit of 0.
    QTest::newRow("integer word") << "historyLimit=lots"_ba << limit << integer(100);
    QTest::newRow("integer fraction") << "historyLimit=12.5"_ba << limit << integer(100);
    QTest::newRow("integer empty") << "historyLimit="_ba << limit << integer(100);
    QTest::newRow("integer overflow") << "historyLimit=99999999999999999999"_ba << limit << integer(100);
    QTest::newRow("integer list") << "historyLimit=1, 2"_ba << limit << integer(100);
    QTest::newRow("integer no default") << "n=abc"_ba << u"n"_s << integer(0);
    QTest::newRow("boolean TRUE") << "onboardingShown=TRUE"_ba << PreferenceKeys::onboardingShown << QVariant(true);
    QTest::newRow("boolean 1") << "onboardingShown=1"_ba << PreferenceKeys::onboardingShown << QVariant(true);
    QTest::newRow("boolean False") << "launchAtLogin=False"_ba << PreferenceKeys::launchAtLogin << QVariant(false);
    QTest::newRow("boolean 0") << "launchAtLogin=0"_ba << PreferenceKeys::launchAtLogin << QVariant(false);
    QTest::newRow("boolean yes") << "launchAtLogin=yes"_ba << PreferenceKeys::launchAtLogin << QVariant(true);
    QTest::newRow("boolean no default") << "b=2"_ba << u"b"_s << QVariant(false);
    QTest::newRow("string list") << "autoClearOption=daily, weekly"_ba << PreferenceKeys::autoClearOption << QVariant(AutoClearOption::never);
    QTest::newRow("string bytes") << "shortcutKeyChar=@ByteArray(V)"_ba << PreferenceKeys::shortcutKeyChar << QVariant(QString());
    QTest::newRow("list bytes") << "excludedAppBundleIDs=@ByteArray(x)"_ba << PreferenceKeys::excludedAppBundleIDs << QVariant(QStringList());
    QTest::newRow("date without offset") << "lastAutoClearDate=2024-03-01T10:00:00"_ba << PreferenceKeys::lastAutoClearDate
                                         << QVariant(QDateTime(QDate(2024, 3, 1), QTime(10, 0)));
    QTest::newRow("date out of range") << "lastAutoClearDate=2024-13-45T99:00:00Z"_ba << PreferenceKeys::lastAutoClearDate << QVariant();
    QTest::newRow("date number") << "lastAutoClearDate=1700000000"_ba << PreferenceKeys::lastAutoClearDate << QVariant();
}

void PreferencesTest::unreadableValues()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, key);
    QFETCH(QVariant, expected);

    writeFile("[General]\n" + line + '\n');
    const int type = key == PreferenceKeys::lastAutoClearDate ? QMetaType::QDateTime : expected.typeId();
    QCOMPARE(readValue(*open(), key, type), expected);
}

void PreferencesTest::garbageFile_data()
{
    QTest::addColumn<QByteArray>("contents");

    QByteArray random(8192, Qt::Uninitialized);
    QRandomGenerator generator(20240301);
    for (char &byte : random) {
        byte = char(generator.bounded(256));
    }
    QTest::newRow("random bytes") << random;
    QTest::newRow("nul bytes") << QByteArray(512, '\0');
    QTest::newRow("nonsense lines") << "[[[\n=\nhistoryLimit\n[General\nlaunchAtLogin=\"unterminated\n"
                                       "excludedAppBundleIDs=@Variant(\\0\\0\\0\\x7f\\0\\0)\n"
                                       "lastAutoClearDate=@DateTime(garbage)\n\xff\xfe\xfd=\xc3\x28\n"_ba;
}

void PreferencesTest::garbageFile()
{
    QFETCH(QByteArray, contents);
    writeFile(contents);

    auto preferences = open();
    QCOMPARE(preferences->integer(PreferenceKeys::historyLimit), 100);
    QCOMPARE(preferences->boolean(PreferenceKeys::launchAtLogin), true);
    QCOMPARE(preferences->string(PreferenceKeys::autoClearOption), AutoClearOption::never);
    QCOMPARE(preferences->string(PreferenceKeys::shortcutKeyChar), QString());
    QCOMPARE(preferences->stringList(PreferenceKeys::excludedAppBundleIDs), QStringList());
    QCOMPARE(preferences->date(PreferenceKeys::lastAutoClearDate), std::nullopt);

    // The store stays writable: what it could not parse is kept, the new value reads back.
    preferences->setInteger(PreferenceKeys::historyLimit, 200);
    const QString copy = m_dir->filePath(u"copy.conf"_s);
    QVERIFY(QFile::copy(m_path, copy));
    QCOMPARE(Preferences(copy).integer(PreferenceKeys::historyLimit), 200);
}

void PreferencesTest::notificationsByName()
{
    NotificationCenter center;
    QString calls;
    auto receiver = std::make_unique<QObject>();
    center.observe(Notifications::historyLimitChanged, receiver.get(), [&] { calls += u'L'; });
    center.observe(Notifications::shortcutChanged, receiver.get(), [&] { calls += u'S'; });
    QObject other;
    const auto connection = center.observe(Notifications::shortcutChanged, &other, [&] { calls += u'o'; });

    // Delivered before post() returns when posted on the receiver's thread.
    center.post(Notifications::shortcutChanged);
    center.post(Notifications::hotKeyFired);
    QCOMPARE(calls, u"So"_s);

    receiver.reset();
    QObject::disconnect(connection);
    center.post(Notifications::shortcutChanged);
    center.post(Notifications::historyLimitChanged);
    QCOMPARE(calls, u"So"_s);
}

void PreferencesTest::notificationFromWorkerThread()
{
    NotificationCenter center;
    QObject receiver;
    QThread *handlerThread = nullptr;
    center.observe(Notifications::hotKeyFired, &receiver, [&] { handlerThread = QThread::currentThread(); });

    std::unique_ptr<QThread> worker(QThread::create([&] { center.post(Notifications::hotKeyFired); }));
    worker->start();
    QVERIFY(worker->wait(5000));
    QCOMPARE(handlerThread, nullptr); // queued for the receiver, not run on the worker
    QTRY_COMPARE(handlerThread, QThread::currentThread());
}

QTEST_GUILESS_MAIN(PreferencesTest)

#include "tst_preferences.moc"
