#include "platform/desktopentries.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The installed application a window belongs to, with the desktop entries and the
// window properties of real programs. The entries in applications/ keep the keys read
// here from the Debian 12 packages; the windows' properties were read with xprop from
// the running programs under Xvfb with openbox, started with and without a D-Bus
// session (GTK announces _GTK_APPLICATION_ID only when registered on the bus). Writer's
// "org.libreoffice" is what it announces with LibreOffice's GTK 3 plugin.
class TestDesktopEntries : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void resolvesWindowsToTheirInstalledEntry_data()
    {
        QTest::addColumn<QStringList>("announced"); // _GTK_APPLICATION_ID, _KDE_NET_WM_DESKTOP_FILE
        QTest::addColumn<QString>("instance");
        QTest::addColumn<QString>("windowClass");
        QTest::addColumn<QString>("id"); // empty: none
        const auto row = [](const char *name, const QString &gtk, const QString &instance, const QString &windowClass,
                            const QString &id) { QTest::newRow(name) << QStringList{gtk, QString()} << instance << windowClass << id; };
        row("LibreOffice Writer, GTK 3", u"org.libreoffice"_s, u"libreoffice"_s, u"libreoffice-writer"_s, u"libreoffice-writer"_s);
        row("Firefox ESR", {}, u"Navigator"_s, u"firefox-esr"_s, u"firefox-esr"_s);
        row("Mousepad on the session bus", u"org.xfce.mousepad"_s, u"mousepad"_s, u"Mousepad"_s, u"org.xfce.mousepad"_s);
        row("Mousepad without a session bus", {}, u"mousepad"_s, u"Mousepad"_s, u"org.xfce.mousepad"_s);
        row("FeatherPad", {}, u"featherpad"_s, u"FeatherPad"_s, u"featherpad"_s);
        row("XTerm", {}, u"xterm"_s, u"XTerm"_s, u"debian-xterm"_s);
        row("not installed", u"org.example.Tool"_s, u"tool"_s, u"Tool"_s, u"Tool"_s);
        row("only an instance", {}, u"tool"_s, {}, u"tool"_s);
        row("nothing said", {}, {}, {}, {});
        QTest::newRow("a Qt 6 program's desktop file") << QStringList{QString(), u"featherpad"_s} << u"other"_s
                                                      << u"Other"_s << u"featherpad"_s;
    }

    void resolvesWindowsToTheirInstalledEntry()
    {
        QFETCH(QStringList, announced);
        QFETCH(QString, instance);
        QFETCH(QString, windowClass);
        QFETCH(QString, id);
        DesktopEntries applications({QStringLiteral(APPLICATIONS_DIR)});
        const std::optional<QString> resolved = applications.idForWindow({announced, instance, windowClass});
        QCOMPARE(resolved.value_or(QString()), id);
        // What the window resolves to is what the application picker lists.
        if (!id.isEmpty() && id != windowClass && id != instance)
            QVERIFY(applications.find(id));
    }
};

QTEST_GUILESS_MAIN(TestDesktopEntries)
#include "tst_desktopentries.moc"
