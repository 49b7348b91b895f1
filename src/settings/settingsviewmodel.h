#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class DesktopEntries;
class LoginItem;
class ModelContext;
class Preferences;

/// The editable preferences while the settings window shows them. Every assignment
/// writes its value at once (even an unchanged one) and has its effect: the history
/// limit and the shortcut are announced, launch at login is applied. Also keeps the
/// excluded applications with their display names and clears the unpinned history.
class SettingsViewModel : public QObject
{
    Q_OBJECT

    Q_PROPERTY(qint64 historyLimit READ historyLimit WRITE setHistoryLimit NOTIFY historyLimitChanged)
    Q_PROPERTY(bool launchAtLogin READ launchAtLogin WRITE setLaunchAtLogin NOTIFY launchAtLoginChanged)
    /// "never", "onQuit", "daily" or "weekly".
    Q_PROPERTY(QString autoClearOption READ autoClearOption WRITE setAutoClearOption NOTIFY autoClearOptionChanged)
    Q_PROPERTY(qint64 shortcutKeyCode READ shortcutKeyCode WRITE setShortcutKeyCode NOTIFY shortcutKeyCodeChanged)
    Q_PROPERTY(qint64 shortcutModifiers READ shortcutModifiers WRITE setShortcutModifiers NOTIFY shortcutModifiersChanged)
    Q_PROPERTY(QString shortcutKeyChar READ shortcutKeyChar WRITE setShortcutKeyChar NOTIFY shortcutKeyCharChanged)
    /// Excluded application ids, in the order they were added.
    Q_PROPERTY(QStringList excludedAppBundleIDs READ excludedAppBundleIDs NOTIFY excludedAppsChanged)
    /// Display names of the excluded applications, by id.
    Q_PROPERTY(QVariantMap excludedAppNames READ excludedAppNamesMap NOTIFY excludedAppsChanged)
    /// The clear-history confirmation is showing.
    Q_PROPERTY(bool showClearConfirmation READ showClearConfirmation WRITE setShowClearConfirmation NOTIFY showClearConfirmationChanged)
    /// Why the last clearing did not happen; empty after one that did.
    Q_PROPERTY(QString clearError READ clearError NOTIFY clearErrorChanged)
    /// The shortcut reaches only X11 windows on this desktop; a compositor key bound to
    /// `jotterly --toggle` opens the panel from Wayland applications.
    Q_PROPERTY(bool shortcutNeedsCompositorKey READ shortcutNeedsCompositorKey NOTIFY desktopLimitsChanged)
    /// Excluded applications are recognised only among X11 applications on this desktop.
    Q_PROPERTY(bool exclusionSeesX11Only READ exclusionSeesX11Only NOTIFY desktopLimitsChanged)
    /// No shortcut can be had on this desktop: only a key bound to `jotterly --toggle`.
    Q_PROPERTY(bool shortcutUnavailable READ shortcutUnavailable NOTIFY desktopLimitsChanged)
    /// The desktop tells no active window: excluded applications are not recognised.
    Q_PROPERTY(bool exclusionUnavailable READ exclusionUnavailable NOTIFY desktopLimitsChanged)

public:
    /// Reads the preferences and the excluded applications' names; writes nothing.
    SettingsViewModel(Preferences *preferences, LoginItem *loginItem, DesktopEntries *applications,
                      QObject *parent = nullptr);

    [[nodiscard]] qint64 historyLimit() const { return m_historyLimit; }
    [[nodiscard]] bool launchAtLogin() const { return m_launchAtLogin; }
    [[nodiscard]] QString autoClearOption() const { return m_autoClearOption; }
    [[nodiscard]] qint64 shortcutKeyCode() const { return m_shortcutKeyCode; }
    [[nodiscard]] qint64 shortcutModifiers() const { return m_shortcutModifiers; }
    [[nodiscard]] QString shortcutKeyChar() const { return m_shortcutKeyChar; }
    [[nodiscard]] QStringList excludedAppBundleIDs() const { return m_excludedAppBundleIDs; }
    [[nodiscard]] QHash<QString, QString> excludedAppNames() const { return m_excludedAppNames; }
    [[nodiscard]] QVariantMap excludedAppNamesMap() const;
    [[nodiscard]] bool showClearConfirmation() const { return m_showClearConfirmation; }
    [[nodiscard]] QString clearError() const { return m_clearError; }
    [[nodiscard]] bool shortcutNeedsCompositorKey() const { return m_limits.shortcutNeedsCompositorKey; }
    [[nodiscard]] bool exclusionSeesX11Only() const { return m_limits.exclusionSeesX11Only; }
    [[nodiscard]] bool shortcutUnavailable() const { return m_limits.shortcutUnavailable; }
    [[nodiscard]] bool exclusionUnavailable() const { return m_limits.exclusionUnavailable; }

    void setHistoryLimit(qint64 limit);
    void setLaunchAtLogin(bool launch);
    void setAutoClearOption(const QString &option);
    void setShortcutKeyCode(qint64 keyCode);
    void setShortcutModifiers(qint64 modifiers);
    void setShortcutKeyChar(const QString &keyChar);
    void setShowClearConfirmation(bool show);
    /// Where clearAllHistory() deletes.
    void setModelContext(ModelContext *context);
    /// What the desktop's services cannot do, as the settings tell the user.
    struct DesktopLimits {
        bool shortcutNeedsCompositorKey = false;
        bool exclusionSeesX11Only = false;
        bool shortcutUnavailable = false;
        bool exclusionUnavailable = false;
        bool operator==(const DesktopLimits &) const = default;
    };
    void setDesktopLimits(const DesktopLimits &limits);

    /// Stores a shortcut the recorder delivered, key code, modifiers and key text
    /// together, and announces it once: the hot key is registered again only with the
    /// whole new shortcut, never with the new key and the old modifiers.
    Q_INVOKABLE void recordShortcut(qint64 keyCode, qint64 modifiers, const QString &keyChar);
    /// Adds an application to the excluded list, unless it is there already.
    Q_INVOKABLE void addExcludedApp(const QString &bundleID, const QString &displayName);
    /// Removes an application from the excluded list.
    Q_INVOKABLE void removeExcludedApp(const QString &bundleID);
    /// Deletes every unpinned item and saves. When the deletion cannot be saved it is
    /// taken back (the items stay listed) and clearError() says why; returns false then.
    Q_INVOKABLE bool clearAllHistory();
    /// The installed applications a user can pick to exclude, by name: each a map with
    /// "id" and "name".
    Q_INVOKABLE QVariantList installedApplications() const;
    /// The display name of an excluded application (its id when it has none).
    Q_INVOKABLE QString excludedAppName(const QString &bundleID) const;

    /// Registers or unregisters the login item as launchAtLogin says; a refusal is dropped.
    void applyLaunchAtLogin();

Q_SIGNALS:
    void historyLimitChanged();
    void launchAtLoginChanged();
    void autoClearOptionChanged();
    void shortcutKeyCodeChanged();
    void shortcutModifiersChanged();
    void shortcutKeyCharChanged();
    void excludedAppsChanged();
    void showClearConfirmationChanged();
    void clearErrorChanged();
    void desktopLimitsChanged();
    /// "historyLimit" was written, changed or not: whoever follows it reads it again.
    void historyLimitStored();
    /// "shortcutKeyCode" or "shortcutModifiers" was written (once for a recorded
    /// shortcut), changed or not: the hot key is registered again.
    void shortcutStored();

private:
    void loadExcludedAppNames();

    Preferences *m_preferences;
    LoginItem *m_loginItem;
    DesktopEntries *m_applications;
    QPointer<ModelContext> m_modelContext;

    qint64 m_historyLimit = 0;
    bool m_launchAtLogin = false;
    QString m_autoClearOption;
    qint64 m_shortcutKeyCode = 0;
    qint64 m_shortcutModifiers = 0;
    QString m_shortcutKeyChar;
    QStringList m_excludedAppBundleIDs;
    QHash<QString, QString> m_excludedAppNames;
    bool m_showClearConfirmation = false;
    QString m_clearError;
    DesktopLimits m_limits;
};

/// At launch: brings the login item in line with the "launchAtLogin" preference. When
/// the system refuses, the preference is set to what the system really does.
void reconcileLaunchAtLogin(Preferences &preferences, LoginItem &loginItem);
