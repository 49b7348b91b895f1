#include "app/appdelegate.h"

#include "app/autoclear.h"
#include "app/logging.h"
#include "app/messageboxalerts.h"
#include "app/popover.h"
#include "app/rowslog.h"
#include "app/savewatch.h"
#include "app/trayitem.h"
#include "capture/clipboardmonitor.h"
#include "history/clipboardrefill.h"
#include "history/cliplistviewmodel.h"
#include "history/imageproviders.h"
#include "hotkey/hotkeymanager.h"
#include "platform/autostartloginitem.h"
#include "platform/desktopentries.h"
#include "platform/qtscheduler.h"
#include "platform/scheduler.h"
#include "platform/x11/x11globalkeymonitor.h"
#include "platform/x11/x11hotkeyservice.h"
#include "platform/x11/x11pasteboard.h"
#include "platform/x11/x11workspace.h"
#include "queue/pastequeuemanager.h"
#include "settings/notificationcenter.h"
#include "settings/preferencedefaults.h"
#include "settings/preferencekeys.h"
#include "settings/preferences.h"
#include "settings/settingsviewmodel.h"
#include "updates/applicationinfo.h"
#include "updates/installerimage.h"
#include "updates/updatercontroller.h"
#include "updates/updateservices.h"

#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace {

// Builds one of the program's QML views; null, with the reason logged, when it cannot.
QQuickItem *createView(QQmlEngine *engine, const QString &url, const char *what, const QVariantMap &properties = {})
{
    QQmlComponent component(engine, QUrl(url));
    auto *view = component.isError() ? nullptr
                                     : qobject_cast<QQuickItem *>(component.createWithInitialProperties(properties));
    if (!view)
        qWarning() << "jotterly: the" << what << "could not be built:" << component.errorString();
    return view;
}

// A window of its own for `view`, of the given size, in the middle of the primary screen.
std::unique_ptr<QQuickWindow> centredWindowFor(QQuickItem *view, const QString &title, Qt::WindowFlags flags, QSize size)
{
    auto window = std::make_unique<QQuickWindow>();
    window->setTitle(title);
    window->setFlags(flags);
    window->resize(size);
    view->setParentItem(window->contentItem());
    if (QScreen *screen = QGuiApplication::primaryScreen())
        window->setPosition(screen->availableGeometry().center() - QPoint(size.width() / 2, size.height() / 2));
    return window;
}

} // namespace

Q_LOGGING_CATEGORY(lcApp, "jotterly.app", QtInfoMsg)

AppDelegate::AppDelegate(QObject *parent)
    : QObject(parent)
    , m_preferences(std::make_unique<Preferences>(Preferences::defaultFilePath()))
    , m_notifications(std::make_unique<NotificationCenter>())
    , m_scheduler(std::make_unique<QtScheduler>())
    , m_applications(std::make_unique<DesktopEntries>())
    , m_loginItem(std::make_unique<AutostartLoginItem>())
    , m_alerts(std::make_unique<MessageBoxAlerts>())
    , m_updaterController(std::make_unique<UpdaterController>(
          m_preferences.get(),
          UpdateServices{ApplicationInfo::fromBuild(), m_scheduler.get(), m_alerts.get(), desktopUrlOpener()}))
{
}

AppDelegate::~AppDelegate() = default;

bool AppDelegate::applicationDidFinishLaunching(QString *error)
{
    registerPreferenceDefaults(*m_preferences);
    m_store = createHistoryStore(defaultHistoryStorePath(), error);
    if (!m_store)
        return false;
    m_saveWatch = std::make_unique<SaveWatch>(m_store->context.get(), m_scheduler.get());
    connect(m_saveWatch.get(), &SaveWatch::failureBegan, this, &AppDelegate::notifyUser);
    setupManagers();
    setupStatusItem();
    setupPopover();
    reconcileLaunchAtLogin(*m_preferences, *m_loginItem);
    showOnboardingIfNeeded();
    m_clipboardMonitor->startMonitoring();
    qCDebug(lcApp) << "monitoring started";
    runLaunchAutoClearCheck();
    cleanUpInstallerDiskImage(m_scheduler.get(), this);
    m_notifications->observe(Notifications::historyLimitChanged, this, [this] { handleHistoryLimitChanged(); });
    qCDebug(lcApp) << "launched";
    return true;
}

void AppDelegate::setupManagers()
{
    m_pasteboard = std::make_unique<X11Pasteboard>();
    m_workspace = std::make_unique<X11Workspace>(m_applications.get());
    m_globalKeyMonitor = std::make_unique<X11GlobalKeyMonitor>();
    m_hotkeyService = std::make_unique<X11HotkeyService>();
    QPointer<AppDelegate> self(this);

    m_clipboardMonitor = std::make_unique<ClipboardMonitor>(m_pasteboard.get(), m_scheduler.get(), m_preferences.get(),
                                                            m_workspace.get());
    m_clipboardMonitor->setModelContext(m_store->context.get());
    m_clipboardMonitor->setHistoryLimit(storedHistoryLimit(*m_preferences));

    m_pasteQueueManager = std::make_unique<PasteQueueManager>(m_pasteboard.get(), m_scheduler.get(),
                                                              m_globalKeyMonitor.get(), m_alerts.get());
    m_pasteQueueManager->setClipboardMonitor(m_clipboardMonitor.get());
    m_pasteQueueManager->setOnQueueStateChanged([self] {
        if (self)
            self->updateStatusItemIcon();
    });
    m_pasteQueueManager->setOnQueueExhausted([self] {
        if (self)
            self->updateStatusItemIcon();
    });

    m_clipListViewModel = std::make_unique<ClipListViewModel>(m_pasteboard.get(), m_scheduler.get());
    m_clipListViewModel->configure(m_store->context.get(), m_clipboardMonitor.get(), *m_preferences);
    m_clipboardRefill = std::make_unique<ClipboardRefill>(m_pasteboard.get(), m_clipboardMonitor.get(),
                                                          m_store->context.get());

    m_settingsViewModel = std::make_unique<SettingsViewModel>(m_preferences.get(), m_notifications.get(),
                                                              m_loginItem.get(), m_applications.get());
    m_settingsViewModel->setModelContext(m_store->context.get());

    m_rowsLog = std::make_unique<RowsLog>(m_clipListViewModel.get());

    m_clipboardMonitor->setOnNewItem([self] {
        if (self)
            self->m_clipListViewModel->loadItems();
    });
    // A copy too large to keep is dropped, but never silently: told once, until a copy is
    // kept again.
    connect(m_pasteboard.get(), &X11Pasteboard::copyTooLarge, this, [this](qint64 maximumBytes) {
        const QString size = QLocale().formattedDataSize(maximumBytes, 0);
        qCWarning(lcApp).noquote() << "a copy was not kept: it is larger than" << size;
        if (m_tooLargeTold)
            return;
        m_tooLargeTold = true;
        notifyUser(tr("A copy was not kept"),
                   tr("What you copied is larger than %1, more than jotterly keeps. Everything else is recorded as usual.")
                       .arg(size));
    });
    connect(m_clipboardMonitor.get(), &ClipboardMonitor::itemStored, this, [this] { m_tooLargeTold = false; });
    // The hash names what was stored without printing it; only what reached the file is
    // "recorded".
    connect(m_clipboardMonitor.get(), &ClipboardMonitor::itemStored, this,
            [](const QString &hash, const QString &saveError) {
                if (saveError.isNull())
                    qCDebug(lcApp) << "recorded" << hash;
                else
                    qCDebug(lcApp) << "kept unsaved" << hash;
            });

    m_hotkeyManager = std::make_unique<HotkeyManager>(m_hotkeyService.get(), m_notifications.get(), m_preferences.get());
    m_hotkeyManager->setOnHotkeyPressed([self] {
        if (self)
            self->togglePopover();
    });
    // The alert waits for the event loop: launch goes on and capture runs while it is up,
    // which at login may be for hours before anyone sees it.
    m_hotkeyManager->setOnRegistrationFailed([self] {
        qCDebug(lcApp) << "shortcut unavailable";
        if (self)
            QMetaObject::invokeMethod(self, &AppDelegate::showShortcutUnavailableAlert, Qt::QueuedConnection);
    });
    m_hotkeyManager->setup();
}

void AppDelegate::setupStatusItem()
{
    m_tray = std::make_unique<TrayItem>();
    connect(m_tray.get(), &TrayItem::clicked, this, &AppDelegate::togglePopover);
}

void AppDelegate::setupPopover()
{
    m_engine = std::make_unique<QQmlEngine>();
    // Our QML modules are compiled in: their qmldir files live at the resource root.
    m_engine->addImportPath(u"qrc:/"_s);
    installImageProviders(*m_engine);
    // The panel's power button calls Qt.quit(): the application ends through its event
    // loop, so the termination sequence runs as it does for SIGTERM.
    connect(m_engine.get(), &QQmlEngine::quit, QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    setViewScheduler(m_scheduler.get());
    m_popover = std::make_unique<Popover>(m_engine.get(), m_clipListViewModel.get(), m_pasteQueueManager.get());
    connect(m_popover.get(), &Popover::settingsRequested, this, &AppDelegate::openSettings);
}

void AppDelegate::openSettings()
{
    if (m_popover)
        m_popover->close();
    if (!m_settingsWindow) {
        QQuickItem *view = createView(m_engine.get(), u"qrc:/Jotterly/Settings/SettingsView.qml"_s, "settings",
                                      {{u"viewModel"_s, QVariant::fromValue<QObject *>(m_settingsViewModel.get())},
                                       {u"updaterController"_s, QVariant::fromValue<QObject *>(m_updaterController.get())}});
        if (!view)
            return;
        m_settingsWindow = centredWindowFor(view, tr("jotterly Settings"),
                                            Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint, QSize(450, 520));
        m_settingsWindow->setMinimumSize(QSize(450, 520));
        m_settingsWindow->setMaximumSize(QSize(450, 520));
    }
    m_settingsWindow->show();
    m_settingsWindow->raise();
    m_settingsWindow->requestActivate();
    qCDebug(lcApp) << "settings shown";
}

void AppDelegate::showOnboardingIfNeeded()
{
    if (m_preferences->boolean(PreferenceKeys::onboardingShown))
        return;
    QQuickItem *view = createView(m_engine.get(), u"qrc:/Jotterly/Onboarding/OnboardingView.qml"_s, "onboarding");
    if (!view)
        return;
    // Leaving the welcome screen counts: closing the window afterwards does not bring it back.
    connect(view, SIGNAL(getStartedPressed()), this, SLOT(markOnboardingShown()));
    connect(view, SIGNAL(completed()), this, SLOT(completeOnboarding()));
    // A window the window manager decorates, so its close button and Alt+F4 close it;
    // it floats above ordinary windows and keeps its size.
    m_onboardingWindow = centredWindowFor(view, tr("Welcome to jotterly"),
                                          Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                                              | Qt::WindowStaysOnTopHint,
                                          QSize(520, 420));
    m_onboardingWindow->setMinimumSize(QSize(520, 420));
    m_onboardingWindow->setMaximumSize(QSize(520, 420));
    m_onboardingWindow->setColor(QColor(13, 17, 23));
    m_onboardingWindow->show();
    m_onboardingWindow->requestActivate();
    qCDebug(lcApp) << "onboarding shown";
}

void AppDelegate::markOnboardingShown()
{
    m_preferences->setBoolean(PreferenceKeys::onboardingShown, true);
}

void AppDelegate::completeOnboarding()
{
    markOnboardingShown();
    if (m_onboardingWindow) {
        m_onboardingWindow->close();
        m_onboardingWindow.release()->deleteLater(); // the press that got us here is still on its way
    }
    qCDebug(lcApp) << "onboarding completed";
}

void AppDelegate::activate()
{
    qCDebug(lcApp) << "activation requested";
    togglePopover();
}

void AppDelegate::togglePopover()
{
    if (!m_popover)
        return;
    if (m_popover->isShown()) {
        m_popover->close();
        qCDebug(lcApp) << "panel closed";
        return;
    }
    // An item copied while the panel was closed is listed at once.
    m_clipListViewModel->loadItems();
    const bool hasTray = m_tray && m_tray->isAvailable();
    m_popover->show(hasTray ? m_tray->geometry() : QRect(), !hasTray);
    qCDebug(lcApp) << "panel shown";
    // When the panel is first on screen: how long the shortcut takes, seen from outside.
    if (lcApp().isDebugEnabled() && m_popover->window()) {
        connect(m_popover->window(), &QQuickWindow::frameSwapped, this, [] { qCDebug(lcApp) << "panel drawn"; },
                static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
    }
}

void AppDelegate::updateStatusItemIcon()
{
    const bool active = m_pasteQueueManager->isActive();
    qCDebug(lcApp) << "paste queue" << (active ? "running" : "idle");
    if (m_tray)
        m_tray->setQueueActive(active);
}

void AppDelegate::showShortcutUnavailableAlert()
{
    // Two failed registrations in a row (key and modifiers changed) show one alert.
    if (m_shortcutAlertShowing)
        return;
    m_shortcutAlertShowing = true;
    qCDebug(lcApp) << "shortcut alert shown";
    m_alerts->run({tr("Shortcut Unavailable"),
                   tr("The global shortcut could not be registered. It may conflict with another app or system "
                      "shortcut. You can change it in Settings."),
                   {tr("OK")}, Alert::Style::Warning});
    m_shortcutAlertShowing = false;
}

void AppDelegate::notifyUser(const QString &title, const QString &message)
{
    qCInfo(lcApp).noquote() << "told the user:" << title;
    if (m_tray && m_tray->isAvailable()) {
        m_tray->showMessage(title, message);
        return;
    }
    auto *box = new QMessageBox(QMessageBox::Warning, QGuiApplication::applicationDisplayName(), title);
    box->setTextFormat(Qt::PlainText);
    box->setInformativeText(message);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void AppDelegate::runLaunchAutoClearCheck()
{
    const QString option = storedAutoClearOption(*m_preferences);
    if (option != AutoClearOption::daily && option != AutoClearOption::weekly)
        return;
    const QDateTime now = QDateTime::currentDateTime();
    if (isLaunchClearDue(option, m_preferences->date(PreferenceKeys::lastAutoClearDate), now)) {
        qCDebug(lcApp) << "clearing the history:" << option;
        if (!m_settingsViewModel->clearAllHistory())
            qCWarning(lcApp).noquote() << m_settingsViewModel->clearError();
    }
    m_preferences->setDate(PreferenceKeys::lastAutoClearDate, now);
}

void AppDelegate::handleHistoryLimitChanged()
{
    const qint64 limit = storedHistoryLimit(*m_preferences);
    QPointer<AppDelegate> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, limit] {
            if (!self)
                return;
            self->m_clipboardMonitor->setHistoryLimit(limit);
            self->m_clipListViewModel->setHistoryLimit(limit);
            self->m_clipListViewModel->loadItems();
        },
        Qt::QueuedConnection);
}

bool AppDelegate::applicationWillTerminate()
{
    if (m_terminated || !m_store)
        return true;
    m_terminated = true;
    m_clipboardMonitor->stopMonitoring();
    // Copies on their way to the file are in it before the history is cleared or closed.
    m_store->context->waitForWrites();
    m_hotkeyManager->unregister();
    if (storedAutoClearOption(*m_preferences) == AutoClearOption::onQuit) {
        qCDebug(lcApp) << "clearing the history on quit";
        if (!m_settingsViewModel->clearAllHistory())
            qCWarning(lcApp).noquote() << m_settingsViewModel->clearError();
    }
    // Whatever earlier saves could not write gets a last try.
    const bool saved = m_saveWatch->finish();
    qCDebug(lcApp) << "terminated";
    return saved;
}
