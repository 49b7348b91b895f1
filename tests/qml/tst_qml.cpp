// Runs the QML tests of this folder: one ctest per file, each with its QML modules.

#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest>

Q_IMPORT_QML_PLUGIN(Jotterly_HotkeyPlugin)

QUICK_TEST_MAIN(jotterly)
