#include "app/appdelegate.h"

#include "app/autoclear.h"
#include "app/logging.h"
#include "app/messageboxalerts.h"
#include "app/popover.h"
#include "app/rowslog.h"
#include "app/savewatch.h"
#include "app/toolargenotice.h"
#include "app/secondarywindows.h"
#include "app/trayitem.h"
#include "capture/clipboardmonitor.h"
#include "history/clipboardrefill.h"
#include "history/cliplistviewmodel.h"
#include "history/imageproviders.h"
#include "hotkey/hotkeymanager.h"
#include "platform/autostartloginitem.h"
#include "platform/desktopentries.h"
#include "platform/pasteboard.h"
#include "platform/platformservices.h"
#include "platform/qtscheduler.h"
#include "platform/scheduler.h"
#include "queue/pastequeuemanager.h"
#include "settings/preferencedefaults.h"
#include "settings/preferencekeys.h"
#include "settings/preferences.h"
#include "settings/settingsviewmodel.h"
#include "updates/applicationinfo.h"
#include "updates/installerimage.h"
#include "updates/updatercontroller.h"
#include "updates/updateservices.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QQmlComponent>
#include <QPointer>
#include <QQmlEngine>
#include <QQuickWindow>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcApp, "jotterly.app", QtInfoMsg)

AppDelegate::AppDelegate(QObject *parent)
    : QObject(parent)
    , m_preferences(std::make_unique<Preferences>(Preferences::defaultFilePath()))
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
    // The icon asks the tray to take it before the rest is made: the tray does its part
    // while the managers are set up, and the icon is up as soon as the event loop runs.
    setupStatusItem();
    setupManagers();
    setupPopover();
    reconcileLaunchAtLogin(*m_preferences, *m_loginItem);
    m_windows->showOnboardingIfNeeded();
    m_clipboardMonitor->startMonitoring();
    qCDebug(lcApp) << "monitoring started";
    m_autoClear->runLaunchCheck();
    cleanUpInstallerDiskImage(m_scheduler.get(), this);
    qCDebug(lcApp).noquote() << "launched on" << QGuiApplication::platformName();
    // Once per run: what this desktop does not offer, and what works instead.
    if (!m_platform->unavailable.isEmpty())
        notifyUser(tr("Not everything works on this desktop"), m_platform->unavailable.join(u'\n'));
    return true;
}

void AppDelegate::setupManagers()
{
    m_platform = createPlatformServices(m_applications.get());
    Pasteboard *pasteboard = m_platform->pasteboard.get();

    m_clipboardMonitor = std::make_unique<ClipboardMonitor>(pasteboard, m_scheduler.get(), m_preferences.get(),
                                                            m_platform->workspace.get());
    m_clipboardMonitor->setModelContext(m_store->context.get());
    m_clipboardMonitor->setHistoryLimit(storedHistoryLimit(*m_preferences));

    m_pasteQueueManager = std::make_unique<PasteQueueManager>(pasteboard, m_scheduler.get(),
                                                              m_platform->globalKeyMonitor.get(), m_alerts.get());
    m_pasteQueueManager->setClipboardMonitor(m_clipboardMonitor.get());

    m_clipListViewModel = std::make_unique<ClipListViewModel>(pasteboard, m_scheduler.get());
    m_clipListViewModel->configure(m_store->context.get(), m_clipboardMonitor.get(), *m_preferences);
    connect(m_clipListViewModel.get(), &ClipListViewModel::queueStartRequested, m_pasteQueueManager.get(),
            &PasteQueueManager::startQueue);
    m_clipboardRefill = std::make_unique<ClipboardRefill>(pasteboard, m_clipboardMonitor.get(),
                                                          m_store->context.get());

    m_settingsViewModel = std::make_unique<SettingsViewModel>(m_preferences.get(), m_loginItem.get(),
                                                              m_applications.get());
    m_settingsViewModel->setModelContext(m_store->context.get());
    m_settingsViewModel->setDesktopLimits({m_platform->shortcutNeedsCompositorKey, m_platform->exclusionSeesX11Only,
                                           m_platform->shortcutUnavailable, m_platform->exclusionUnavailable});

    m_rowsLog = std::make_unique<RowsLog>(m_clipListViewModel.get());
    m_hotkeyManager = std::make_unique<HotkeyManager>(m_platform->hotkeyService.get(), m_preferences.get());
    m_autoClear = std::make_unique<AutoClear>(m_preferences.get(), m_settingsViewModel.get());
    m_tooLargeNotice = std::make_unique<TooLargeNotice>(pasteboard, m_clipboardMonitor.get());
    connectParts();
    m_hotkeyManager->setup();
}

// Who hears whom, in one place.
void AppDelegate::connectParts()
{
    connect(m_clipboardMonitor.get(), &ClipboardMonitor::historyChanged, m_clipListViewModel.get(),
            &ClipListViewModel::loadItems);
    connect(m_clipboardMonitor.get(), &ClipboardMonitor::itemStored, this, &AppDelegate::logItemStored);
    connect(m_tooLargeNotice.get(), &TooLargeNotice::noticeRequested, this, &AppDelegate::notifyUser);
    connect(m_pasteQueueManager.get(), &PasteQueueManager::queueStateChanged, this, &AppDelegate::updateStatusItemIcon);
    connect(m_pasteQueueManager.get(), &PasteQueueManager::queueExhausted, this, &AppDelegate::updateStatusItemIcon);
    connect(m_hotkeyManager.get(), &HotkeyManager::hotkeyPressed, this, &AppDelegate::togglePopover);
    connect(m_hotkeyManager.get(), &HotkeyManager::registrationFailed, this, &AppDelegate::shortcutRegistrationFailed);
    connect(m_settingsViewModel.get(), &SettingsViewModel::shortcutStored, m_hotkeyManager.get(),
            &HotkeyManager::registerHotkey);
    // Applied once the setting's own change has run its course.
    connect(m_settingsViewModel.get(), &SettingsViewModel::historyLimitStored, this, &AppDelegate::followHistoryLimit,
            Qt::QueuedConnection);
}

// The hash names what was stored without printing it; only what reached the file is
// "recorded".
void AppDelegate::logItemStored(const QString &contentHash, const QString &saveError)
{
    if (saveError.isNull())
        qCDebug(lcApp) << "recorded" << contentHash;
    else
        qCDebug(lcApp) << "kept unsaved" << contentHash;
}

void AppDelegate::shortcutRegistrationFailed()
{
    qCDebug(lcApp) << "shortcut unavailable";
    // Where the desktop has no shortcut to give, the user was told so at launch; an
    // alert about a conflicting key would not be true.
    if (m_platform->shortcutUnavailable)
        return;
    // The alert waits for the event loop: launch goes on and capture runs while it is up,
    // which at login may be for hours before anyone sees it.
    QMetaObject::invokeMethod(this, &AppDelegate::showShortcutUnavailableAlert, Qt::QueuedConnection);
}

void AppDelegate::setupStatusItem()
{
    m_tray = std::make_unique<TrayItem>();
    connect(m_tray.get(), &TrayItem::clicked, this, &AppDelegate::togglePopover);
    // Sends the request to dock now rather than when the event loop next runs.
    QGuiApplication::sync();
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
    m_windows = std::make_unique<SecondaryWindows>(m_engine.get(), m_preferences.get(), m_settingsViewModel.get(),
                                                   m_updaterController.get());
    // The panel makes way for the settings window.
    connect(m_popover.get(), &Popover::settingsRequested, m_popover.get(), &Popover::close);
    connect(m_popover.get(), &Popover::settingsRequested, m_windows.get(), &SecondaryWindows::openSettings);
    // The panel is built a moment after launch, once the tray icon is up and drawn (the
    // build holds the event loop for a while and would keep the icon from the tray), so
    // the shortcut finds it ready; a press before that builds it at once.
    m_scheduler->after(std::chrono::seconds(1), m_popover.get(), [popover = m_popover.get()] { popover->prepare(); });
}

void AppDelegate::activate()
{
    qCDebug(lcApp) << "activation requested";
    togglePopover();
}

void AppDelegate::showPopover()
{
    if (m_popover && !m_popover->isShown())
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

void AppDelegate::followHistoryLimit()
{
    const qint64 limit = storedHistoryLimit(*m_preferences);
    m_clipboardMonitor->setHistoryLimit(limit);
    m_clipListViewModel->setHistoryLimit(limit);
    m_clipListViewModel->loadItems();
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
    m_autoClear->runQuitCheck();
    // Whatever earlier saves could not write gets a last try.
    const bool saved = m_saveWatch->finish();
    qCDebug(lcApp) << "terminated";
    return saved;
}
