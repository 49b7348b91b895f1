#include "app/appdelegate.h"
#include "app/commandline.h"
#include "app/logging.h"
#include "app/singleinstance.h"
#include "app/unixsignalwatcher.h"
#include "platform/platformservices.h"
#include "store/historystore.h"

#include <QApplication>
#include <QClipboard>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>

#include <csignal>
#include <cstdio>
#include <malloc.h>

using namespace Qt::StringLiterals;

Q_IMPORT_QML_PLUGIN(Jotterly_ComponentsPlugin)
Q_IMPORT_QML_PLUGIN(Jotterly_HistoryPlugin)
Q_IMPORT_QML_PLUGIN(Jotterly_HotkeyPlugin)
Q_IMPORT_QML_PLUGIN(Jotterly_SettingsPlugin)
Q_IMPORT_QML_PLUGIN(Jotterly_OnboardingPlugin)
Q_IMPORT_QML_PLUGIN(Jotterly_QueuePlugin)
Q_IMPORT_QML_PLUGIN(Jotterly_UpdatesPlugin)

// Loads jotterly's own texts and Qt's (buttons of its dialogs) in the desktop's language:
// QLocale::system() follows LANGUAGE, LC_ALL, LC_MESSAGES and LANG. English, the
// language of the sources, needs no catalogue.
static void installTranslations(QCoreApplication &app)
{
    const QLocale locale = QLocale::system();
    auto *own = new QTranslator(&app);
    if (own->load(locale, u"jotterly"_s, u"_"_s, u":/i18n"_s))
        QCoreApplication::installTranslator(own);
    auto *qt = new QTranslator(&app);
    if (qt->load(locale, u"qtbase"_s, u"_"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
}

int main(int argc, char *argv[])
{
    // Copied pictures pass through in blocks of many megabytes. Left to itself, glibc
    // raises its mmap threshold after the first such block is freed and keeps later ones
    // in the heap, where the memory stays after use; a fixed threshold gives it back.
    mallopt(M_MMAP_THRESHOLD, 512 * 1024);
    if (const std::optional<int> status = answerCommandLine(argc, argv))
        return *status;
    QString reason;
    if (!prepareDesktopSession(&reason)) {
        std::fprintf(stderr, "jotterly: %s\n", qPrintable(reason));
        return EXIT_FAILURE;
    }

    // A list like the panel's draws fast in software, and a tray utility that runs all day
    // should not keep a GL context: far less memory.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QQuickStyle::setStyle(u"Fusion"_s);
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"jotterly"_s);
    QApplication::setApplicationVersion(QStringLiteral(JOTTERLY_VERSION));
    // Names the installed desktop entry, which shells use to find the windows' icon.
    QApplication::setDesktopFileName(QStringLiteral(JOTTERLY_APP_ID));
    QApplication::setQuitOnLastWindowClosed(false);
    installTranslations(app);
    // Qt's text fields answer every clipboard change by asking the new owner for its
    // formats, on the main thread, waiting up to five seconds for one that never
    // answers: a stuck application would freeze the panel. jotterly watches the
    // clipboard on a thread of its own and needs none of Qt's change signals.
    QGuiApplication::clipboard()->blockSignals(true);

    // A second launch asks the running jotterly for its panel and leaves.
    SingleInstance instance;
    const SingleInstance::Request request = requestForRunningInstance(argc, argv);
    switch (instance.claim(request)) {
    case SingleInstance::Claim::Running:
        break;
    case SingleInstance::Claim::HandedOver:
        return EXIT_SUCCESS;
    case SingleInstance::Claim::Failed:
        std::fprintf(stderr, "jotterly: %s\n", qPrintable(instance.errorString()));
        return EXIT_FAILURE;
    }

    AppDelegate delegate;
    const auto answer = [&delegate](SingleInstance::Request request, const QByteArray &activationToken) {
        // Qt's Wayland windows hand this token to the compositor when they ask for focus.
        if (!activationToken.isEmpty()) {
            qCDebug(lcApp) << "activation token" << activationToken;
            qputenv("XDG_ACTIVATION_TOKEN", activationToken);
        }
        switch (request) {
        case SingleInstance::Request::Activate:
            delegate.activate();
            break;
        case SingleInstance::Request::Toggle:
            qCDebug(lcApp) << "toggle requested";
            delegate.togglePopover();
            break;
        case SingleInstance::Request::Show:
            qCDebug(lcApp) << "show requested";
            delegate.showPopover();
            break;
        }
    };
    QObject::connect(&instance, &SingleInstance::requestReceived, &delegate, answer);
    QString error;
    if (!delegate.applicationDidFinishLaunching(&error)) {
        std::fprintf(stderr, "%s%s\n", historyStoreFailurePrefix, qPrintable(error));
        return EXIT_FAILURE;
    }
    // Started by the compositor's key for the panel while none ran: the panel is wanted.
    if (request != SingleInstance::Request::Activate)
        delegate.showPopover();

    // Logout, shutdown (SIGTERM) and Ctrl+C (SIGINT) end the event loop, so the
    // termination sequence runs before the process exits.
    UnixSignalWatcher quitSignals({SIGINT, SIGTERM});
    QObject::connect(&quitSignals, &UnixSignalWatcher::signalReceived, &app, &QCoreApplication::quit);

    const int status = QApplication::exec();
    // Copies that could never be saved are lost: the exit status says so.
    if (!delegate.applicationWillTerminate())
        return EXIT_FAILURE;
    return status;
}
