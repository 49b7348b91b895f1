// Runs the QML tests of this folder: one ctest per file, each with its QML modules and
// the panel's fixture.

#include "history/imageproviders.h"
#include "panelfixture.h"

#include <QQmlContext>
#include <QQmlEngine>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest>

Q_IMPORT_QML_PLUGIN(Jotterly_ComponentsPlugin)
Q_IMPORT_QML_PLUGIN(Jotterly_HotkeyPlugin)
Q_IMPORT_QML_PLUGIN(Jotterly_HistoryPlugin)
Q_IMPORT_QML_PLUGIN(Jotterly_QueuePlugin)
Q_IMPORT_QML_PLUGIN(Jotterly_SettingsPlugin)
Q_IMPORT_QML_PLUGIN(Jotterly_UpdatesPlugin)

class Setup : public QObject
{
    Q_OBJECT

public Q_SLOTS:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        installImageProviders(*engine);
        engine->rootContext()->setContextProperty(QStringLiteral("fixture"), &m_fixture);
    }

private:
    PanelFixture m_fixture;
};

QUICK_TEST_MAIN_WITH_SETUP(jotterly, Setup)

#include "tst_qml.moc"
