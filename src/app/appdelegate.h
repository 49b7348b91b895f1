#pragma once

#include "store/historystore.h"

#include <QObject>

#include <memory>
#include <optional>

class Alerts;
class AutoClear;
class AutostartLoginItem;
class ClipListViewModel;
class ClipboardMonitor;
class ClipboardRefill;
class DesktopEntries;
class HotkeyManager;
class PasteQueueManager;
struct PlatformServices;
class QQuickWindow;
class Popover;
class QQmlEngine;
class TrayItem;
class Preferences;
class QtScheduler;
class RowsLog;
class SaveWatch;
class SecondaryWindows;
class SettingsViewModel;
class TooLargeNotice;
class UpdaterController;

/// The application shell: owns every long-lived object, runs the launch sequence in its
/// fixed order, wires the parts together, and runs the termination sequence. Lives on the main thread for the whole process.
class AppDelegate : public QObject
{
    Q_OBJECT

public:
    explicit AppDelegate(QObject *parent = nullptr);
    ~AppDelegate() override;

    /// The launch sequence. False, with the reason in `error`, when the history store
    /// cannot be opened: the application must not run then.
    [[nodiscard]] bool applicationDidFinishLaunching(QString *error);
    /// The termination sequence: stops capture, clears on quit when asked to and writes
    /// what is still unsaved. Runs once. False when changes to the history were lost.
    bool applicationWillTerminate();
    /// Another launch asked for the panel.
    void activate();
    /// Opens the panel, or closes it when it is open.
    void togglePopover();
    /// Opens the panel unless it is open already.
    void showPopover();

    [[nodiscard]] Popover *popover() const { return m_popover.get(); }
    [[nodiscard]] TrayItem *tray() const { return m_tray.get(); }
    [[nodiscard]] SecondaryWindows *windows() const { return m_windows.get(); }

    [[nodiscard]] ClipListViewModel *clipListViewModel() const { return m_clipListViewModel.get(); }
    [[nodiscard]] SettingsViewModel *settingsViewModel() const { return m_settingsViewModel.get(); }
    [[nodiscard]] PasteQueueManager *pasteQueueManager() const { return m_pasteQueueManager.get(); }
    [[nodiscard]] UpdaterController *updaterController() const { return m_updaterController.get(); }

private:
    void setupManagers();
    void setupStatusItem();
    void setupPopover();
    void updateStatusItemIcon();
    void showShortcutUnavailableAlert();
    /// Tells the user something went wrong without stopping them: a tray message, or a
    /// window that does not block the program when there is no tray.
    void notifyUser(const QString &title, const QString &message);
    void connectParts();
    void shortcutRegistrationFailed();
    static void logItemStored(const QString &contentHash, const QString &saveError);
    /// Gives the monitor and the list the stored history limit, and lists again.
    void followHistoryLimit();

    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<QtScheduler> m_scheduler;
    std::unique_ptr<DesktopEntries> m_applications;
    std::unique_ptr<AutostartLoginItem> m_loginItem;
    std::unique_ptr<Alerts> m_alerts;
    std::unique_ptr<UpdaterController> m_updaterController;
    std::unique_ptr<PlatformServices> m_platform;
    std::optional<HistoryStore> m_store;
    std::unique_ptr<SaveWatch> m_saveWatch;
    std::unique_ptr<ClipboardMonitor> m_clipboardMonitor;
    std::unique_ptr<HotkeyManager> m_hotkeyManager;
    std::unique_ptr<PasteQueueManager> m_pasteQueueManager;
    std::unique_ptr<ClipListViewModel> m_clipListViewModel;
    std::unique_ptr<ClipboardRefill> m_clipboardRefill;
    std::unique_ptr<SettingsViewModel> m_settingsViewModel;
    std::unique_ptr<RowsLog> m_rowsLog;
    std::unique_ptr<AutoClear> m_autoClear;
    std::unique_ptr<TooLargeNotice> m_tooLargeNotice;
    std::unique_ptr<QQmlEngine> m_engine;
    std::unique_ptr<TrayItem> m_tray;
    std::unique_ptr<Popover> m_popover;
    std::unique_ptr<SecondaryWindows> m_windows;
    bool m_terminated = false;
    bool m_shortcutAlertShowing = false;
};
