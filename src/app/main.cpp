#include "app/graphicalsession.h"
#include "app/unixsignalwatcher.h"
#include "capture/clipboardmonitor.h"
#include "platform/desktopentries.h"
#include "platform/qtscheduler.h"
#include "platform/x11/x11pasteboard.h"
#include "platform/x11/x11workspace.h"
#include "settings/preferencedefaults.h"
#include "settings/preferencekeys.h"
#include "settings/preferences.h"
#include "store/historystore.h"

#include <QApplication>

#include <csignal>
#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QString reason;
    if (!hasGraphicalSession(&reason)) {
        std::fprintf(stderr, "jotterly: %s\n", qPrintable(reason));
        return EXIT_FAILURE;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(u"jotterly"_s);
    QApplication::setApplicationVersion(QStringLiteral(JOTTERLY_VERSION));
    QApplication::setDesktopFileName(u"jotterly"_s);
    QApplication::setQuitOnLastWindowClosed(false);

    Preferences preferences(Preferences::defaultFilePath());
    registerPreferenceDefaults(preferences);

    QString error;
    std::optional<HistoryStore> store = createHistoryStore(defaultHistoryStorePath(), &error);
    if (!store) {
        std::fprintf(stderr, "%s%s\n", historyStoreFailurePrefix, qPrintable(error));
        return EXIT_FAILURE;
    }

    QtScheduler scheduler;
    DesktopEntries applications;
    X11Pasteboard pasteboard;
    X11Workspace workspace(&applications);
    ClipboardMonitor monitor(&pasteboard, &scheduler, &preferences, &workspace);
    monitor.setModelContext(store->context.get());
    monitor.setHistoryLimit(preferences.integer(PreferenceKeys::historyLimit));
    monitor.startMonitoring();

    // Logout, shutdown and Ctrl+C end the event loop, so shutdown work runs normally.
    UnixSignalWatcher quitSignals({SIGINT, SIGTERM});
    QObject::connect(&quitSignals, &UnixSignalWatcher::signalReceived, &app, &QCoreApplication::quit);

    const int status = QApplication::exec();
    monitor.stopMonitoring();
    return status;
}
