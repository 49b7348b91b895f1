#include "app/appdelegate.h"
#include "app/graphicalsession.h"
#include "app/singleinstance.h"
#include "app/unixsignalwatcher.h"
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

    // A second launch asks the running jotterly for its panel and leaves.
    SingleInstance instance;
    if (!instance.claim())
        return EXIT_SUCCESS;

    AppDelegate delegate;
    QObject::connect(&instance, &SingleInstance::activationRequested, &delegate, &AppDelegate::activate);
    QString error;
    if (!delegate.applicationDidFinishLaunching(&error)) {
        std::fprintf(stderr, "%s%s\n", historyStoreFailurePrefix, qPrintable(error));
        return EXIT_FAILURE;
    }

    // Logout, shutdown (SIGTERM) and Ctrl+C (SIGINT) end the event loop, so the
    // termination sequence runs before the process exits.
    UnixSignalWatcher quitSignals({SIGINT, SIGTERM});
    QObject::connect(&quitSignals, &UnixSignalWatcher::signalReceived, &app, &QCoreApplication::quit);

    const int status = QApplication::exec();
    delegate.applicationWillTerminate();
    return status;
}
