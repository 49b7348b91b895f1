#include "settings/settingsviewmodel.h"

#include "platform/desktopentries.h"
#include "platform/loginitem.h"
#include "settings/preferencedefaults.h"
#include "settings/preferencekeys.h"
#include "settings/preferences.h"
#include "store/modelcontext.h"

SettingsViewModel::SettingsViewModel(Preferences *preferences, LoginItem *loginItem, DesktopEntries *applications,
                                     QObject *parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_loginItem(loginItem)
    , m_applications(applications)
{
    m_historyLimit = storedHistoryLimit(*m_preferences);
    m_launchAtLogin = m_preferences->boolean(PreferenceKeys::launchAtLogin);
    m_autoClearOption = storedAutoClearOption(*m_preferences);
    m_shortcutKeyCode = m_preferences->integer(PreferenceKeys::shortcutKeyCode);
    m_shortcutModifiers = m_preferences->integer(PreferenceKeys::shortcutModifiers);
    m_shortcutKeyChar = m_preferences->string(PreferenceKeys::shortcutKeyChar);
    m_excludedAppBundleIDs = m_preferences->stringList(PreferenceKeys::excludedAppBundleIDs);
    loadExcludedAppNames();
}

void SettingsViewModel::setModelContext(ModelContext *context)
{
    m_modelContext = context;
}

void SettingsViewModel::setDesktopLimits(const DesktopLimits &limits)
{
    if (limits == m_limits)
        return;
    m_limits = limits;
    Q_EMIT desktopLimitsChanged();
}

QVariantMap SettingsViewModel::excludedAppNamesMap() const
{
    QVariantMap names;
    for (auto it = m_excludedAppNames.cbegin(); it != m_excludedAppNames.cend(); ++it)
        names.insert(it.key(), it.value());
    return names;
}

// Each setter writes and has its effect on every assignment; observers hear only of
// real changes.

void SettingsViewModel::setHistoryLimit(qint64 limit)
{
    const bool changed = m_historyLimit != limit;
    m_historyLimit = limit;
    m_preferences->setInteger(PreferenceKeys::historyLimit, limit);
    Q_EMIT historyLimitStored();
    if (changed)
        Q_EMIT historyLimitChanged();
}

void SettingsViewModel::setLaunchAtLogin(bool launch)
{
    const bool changed = m_launchAtLogin != launch;
    m_launchAtLogin = launch;
    m_preferences->setBoolean(PreferenceKeys::launchAtLogin, launch);
    applyLaunchAtLogin();
    if (changed)
        Q_EMIT launchAtLoginChanged();
}

void SettingsViewModel::setAutoClearOption(const QString &option)
{
    const bool changed = m_autoClearOption != option;
    m_autoClearOption = option;
    m_preferences->setString(PreferenceKeys::autoClearOption, option);
    if (changed)
        Q_EMIT autoClearOptionChanged();
}

void SettingsViewModel::setShortcutKeyCode(qint64 keyCode)
{
    const bool changed = m_shortcutKeyCode != keyCode;
    m_shortcutKeyCode = keyCode;
    m_preferences->setInteger(PreferenceKeys::shortcutKeyCode, keyCode);
    Q_EMIT shortcutStored();
    if (changed)
        Q_EMIT shortcutKeyCodeChanged();
}

void SettingsViewModel::setShortcutModifiers(qint64 modifiers)
{
    const bool changed = m_shortcutModifiers != modifiers;
    m_shortcutModifiers = modifiers;
    m_preferences->setInteger(PreferenceKeys::shortcutModifiers, modifiers);
    Q_EMIT shortcutStored();
    if (changed)
        Q_EMIT shortcutModifiersChanged();
}

void SettingsViewModel::setShortcutKeyChar(const QString &keyChar)
{
    const bool changed = m_shortcutKeyChar != keyChar;
    m_shortcutKeyChar = keyChar;
    m_preferences->setString(PreferenceKeys::shortcutKeyChar, keyChar);
    if (changed)
        Q_EMIT shortcutKeyCharChanged();
}

void SettingsViewModel::recordShortcut(qint64 keyCode, qint64 modifiers, const QString &keyChar)
{
    const bool keyCodeChanged = m_shortcutKeyCode != keyCode;
    const bool modifiersChanged = m_shortcutModifiers != modifiers;
    const bool keyCharChanged = m_shortcutKeyChar != keyChar;
    m_shortcutKeyCode = keyCode;
    m_shortcutModifiers = modifiers;
    m_shortcutKeyChar = keyChar;
    m_preferences->setInteger(PreferenceKeys::shortcutKeyCode, keyCode);
    m_preferences->setInteger(PreferenceKeys::shortcutModifiers, modifiers);
    m_preferences->setString(PreferenceKeys::shortcutKeyChar, keyChar);
    Q_EMIT shortcutStored();
    if (keyCodeChanged)
        Q_EMIT shortcutKeyCodeChanged();
    if (modifiersChanged)
        Q_EMIT shortcutModifiersChanged();
    if (keyCharChanged)
        Q_EMIT shortcutKeyCharChanged();
}

void SettingsViewModel::setShowClearConfirmation(bool show)
{
    if (m_showClearConfirmation == show)
        return;
    m_showClearConfirmation = show;
    Q_EMIT showClearConfirmationChanged();
}

void SettingsViewModel::applyLaunchAtLogin()
{
    // A refusal is dropped: the switch and the preference keep the user's choice.
    if (m_launchAtLogin)
        m_loginItem->enable();
    else
        m_loginItem->disable();
}

void SettingsViewModel::loadExcludedAppNames()
{
    for (const QString &id : std::as_const(m_excludedAppBundleIDs)) {
        const auto entry = m_applications ? m_applications->find(id) : std::nullopt;
        m_excludedAppNames.insert(id, entry ? entry->name : id);
    }
}

void SettingsViewModel::addExcludedApp(const QString &bundleID, const QString &displayName)
{
    if (m_excludedAppBundleIDs.contains(bundleID))
        return;
    m_excludedAppBundleIDs.append(bundleID);
    m_excludedAppNames.insert(bundleID, displayName);
    m_preferences->setStringList(PreferenceKeys::excludedAppBundleIDs, m_excludedAppBundleIDs);
    Q_EMIT excludedAppsChanged();
}

void SettingsViewModel::removeExcludedApp(const QString &bundleID)
{
    const bool removed = m_excludedAppBundleIDs.removeAll(bundleID) > 0;
    m_excludedAppNames.remove(bundleID);
    m_preferences->setStringList(PreferenceKeys::excludedAppBundleIDs, m_excludedAppBundleIDs);
    if (removed)
        Q_EMIT excludedAppsChanged();
}

bool SettingsViewModel::clearAllHistory()
{
    if (!m_modelContext)
        return false;
    // A copy still on its way to the file belongs to the history being cleared; one made
    // after this moment is kept.
    m_modelContext->waitForWrites();
    FetchDescriptor unpinned;
    unpinned.isPinned = false;
    unpinned.sort = FetchDescriptor::Sort::None;
    const FetchResult result = m_modelContext->fetch(unpinned);
    QString error = result.error;
    if (result.ok()) {
        for (const auto &item : result.items)
            m_modelContext->remove(item);
        error = m_modelContext->saveAndWait().error;
        // Unsaved, the rows would vanish from the panel yet stay in the file and come
        // back at the next launch: take the deletion back and say why.
        if (!error.isNull()) {
            for (const auto &item : result.items)
                m_modelContext->insert(item);
        }
    }
    const QString message = error.isNull() ? QString() : tr("The history could not be cleared: %1").arg(error);
    if (m_clearError != message) {
        m_clearError = message;
        Q_EMIT clearErrorChanged();
    }
    return error.isNull();
}

void reconcileLaunchAtLogin(Preferences &preferences, LoginItem &loginItem)
{
    const bool wanted = preferences.boolean(PreferenceKeys::launchAtLogin);
    const bool enabled = loginItem.isEnabled();
    if (wanted == enabled)
        return;
    const bool done = wanted ? loginItem.enable() : loginItem.disable();
    if (!done)
        preferences.setBoolean(PreferenceKeys::launchAtLogin, enabled);
}

QVariantList SettingsViewModel::installedApplications() const
{
    QList<DesktopEntry> entries = m_applications ? m_applications->all() : QList<DesktopEntry>();
    entries.removeIf([](const DesktopEntry &entry) { return entry.noDisplay; });
    std::sort(entries.begin(), entries.end(), [](const DesktopEntry &a, const DesktopEntry &b) {
        return QString::localeAwareCompare(a.name, b.name) < 0;
    });
    QVariantList applications;
    for (const DesktopEntry &entry : std::as_const(entries))
        applications << QVariantMap{{QStringLiteral("id"), entry.id}, {QStringLiteral("name"), entry.name}};
    return applications;
}

QString SettingsViewModel::excludedAppName(const QString &bundleID) const
{
    return m_excludedAppNames.value(bundleID, bundleID);
}
