#include "platform/desktopentries.h"
#include "platform/fakeloginitem.h"
#include "settings/preferencedefaults.h"
#include "settings/preferencekeys.h"
#include "settings/preferences.h"
#include "settings/settingsviewmodel.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestSettingsViewModel : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Preferences> m_preferences;
    FakeLoginItem m_loginItem;
    std::unique_ptr<DesktopEntries> m_applications;

    std::unique_ptr<SettingsViewModel> makeModel()
    {
        return std::make_unique<SettingsViewModel>(m_preferences.get(), &m_loginItem, m_applications.get());
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_preferences = std::make_unique<Preferences>(m_dir->filePath(u"jotterly.conf"_s));
        registerPreferenceDefaults(*m_preferences);
        QDir().mkpath(m_dir->filePath(u"applications"_s));
        QFile entry(m_dir->filePath(u"applications/org.gnome.TextEditor.desktop"_s));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nName=Text Editor\n");
        entry.close();
        m_applications = std::make_unique<DesktopEntries>(QStringList{m_dir->filePath(u"applications"_s)});
        m_loginItem = {};
    }

    // The user's choice is kept, on screen and on disk, even when the system refuses it.
    void aRefusedLoginItemKeepsTheChoice()
    {
        auto model = makeModel();
        model->setLaunchAtLogin(false);
        QVERIFY(!m_loginItem.enabled);
        m_loginItem.refuses = true;
        model->setLaunchAtLogin(true);
        QVERIFY(model->launchAtLogin());
        QVERIFY(Preferences(m_preferences->filePath()).boolean(PreferenceKeys::launchAtLogin));
    }

    void keepsExcludedApplicationsWithNames()
    {
        m_preferences->setStringList(PreferenceKeys::excludedAppBundleIDs,
                                     {u"org.gnome.TextEditor"_s, u"org.uninstalled.App"_s});
        auto model = makeModel();
        QCOMPARE(model->excludedAppNames().value(u"org.gnome.TextEditor"_s), u"Text Editor"_s);
        QCOMPARE(model->excludedAppNames().value(u"org.uninstalled.App"_s), u"org.uninstalled.App"_s);

        model->addExcludedApp(u"org.gnome.TextEditor"_s, u"Other Name"_s);
        QCOMPARE(model->excludedAppNames().value(u"org.gnome.TextEditor"_s), u"Text Editor"_s);
        model->addExcludedApp(u"org.keepassxc.KeePassXC"_s, u"KeePassXC"_s);
        model->removeExcludedApp(u"org.uninstalled.App"_s);
        model->removeExcludedApp(u"not.in.the.list"_s);
        QCOMPARE(m_preferences->stringList(PreferenceKeys::excludedAppBundleIDs),
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
        m_preferences->setBoolean(PreferenceKeys::launchAtLogin, wanted);
        m_loginItem.enabled = enabled;
        m_loginItem.refuses = refuses;
        reconcileLaunchAtLogin(*m_preferences, m_loginItem);
        QCOMPARE(m_loginItem.enabled, enabledAfter);
        QCOMPARE(m_preferences->boolean(PreferenceKeys::launchAtLogin), wantedAfter);
    }
};

QTEST_GUILESS_MAIN(TestSettingsViewModel)
#include "tst_settingsviewmodel.moc"
