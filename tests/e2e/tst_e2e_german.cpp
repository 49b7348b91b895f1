#include "support/desktopdriver.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The program on a German desktop: the welcome, the panel and the settings speak German,
// found by the windows' titles and the rows' kinds; screenshots show that the longer
// words fit the fixed-size windows.
class TestE2EGerman : public DesktopTest
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QProcessEnvironment env;
        env.insert(u"LANG"_s, u"de_DE.UTF-8"_s);
        env.insert(u"LANGUAGE"_s, u"de"_s);
        env.insert(u"LC_ALL"_s, QString());
        env.insert(u"LC_MESSAGES"_s, QString());
        QVERIFY(startDesktop(false, env));
    }

    void cleanupTestCase() { m_app->finish(); }

    void welcomes()
    {
        QVERIFY(m_app->completeWelcome(u"Willkommen bei jotterly"_s, u"60-de-welcome"_s, u"61-de-welcome-done"_s));
    }

    void showsThePanelAndTheSettings()
    {
        QVERIFY(copyText("file:///etc/hosts\r\n", u"text/uri-list"_s));
        QVERIFY(m_app->waitForRowCount(1));
        QVERIFY(copyText("ein paar Wörter"));
        QVERIFY(m_app->waitForRowCount(2));
        QCOMPARE(m_app->kinds(), (QStringList{u"Text"_s, u"Datei"_s}));

        QVERIFY(m_app->openPanel());
        QVERIFY(saveScreenshot(u"62-de-panel"_s));

        const QRect settings = m_app->openSettings(u"jotterly-Einstellungen"_s);
        QVERIFY(!settings.isEmpty());
        QVERIFY(saveScreenshot(u"63-de-settings"_s));
        QVERIFY(clickAt(settings.topLeft() + QPoint(330, 34))); // the "Über" tab
        QVERIFY(saveScreenshot(u"64-de-about"_s));
    }
};

JOTTERLY_X11_TEST_MAIN(TestE2EGerman)
#include "tst_e2e_german.moc"
