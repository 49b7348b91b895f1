#pragma once

#include <QString>
#include <QtGlobal>

/// Names of the keys in the preference store. Stored values keep the same keys and
/// encodings on every platform, so a preference file means the same everywhere.
namespace PreferenceKeys
{
inline const QString historyLimit = QStringLiteral("historyLimit"); ///< integer
inline const QString launchAtLogin = QStringLiteral("launchAtLogin"); ///< boolean
inline const QString autoClearOption = QStringLiteral("autoClearOption"); ///< string, one of AutoClearOption
inline const QString lastAutoClearDate = QStringLiteral("lastAutoClearDate"); ///< date
inline const QString shortcutKeyCode = QStringLiteral("shortcutKeyCode"); ///< integer, ANSI virtual key code
inline const QString shortcutModifiers = QStringLiteral("shortcutModifiers"); ///< integer, ShortcutModifier bits
inline const QString shortcutKeyChar = QStringLiteral("shortcutKeyChar"); ///< string shown for the key
inline const QString excludedAppBundleIDs = QStringLiteral("excludedAppBundleIDs"); ///< string list of application ids
inline const QString onboardingShown = QStringLiteral("onboardingShown"); ///< boolean
/// Boolean owned by the update controller; the name is the update feed convention's.
inline const QString automaticallyUpdate = QStringLiteral("SUAutomaticallyUpdate");
} // namespace PreferenceKeys

/// Values of PreferenceKeys::autoClearOption. Any other stored value clears nothing.
namespace AutoClearOption
{
inline const QString never = QStringLiteral("never");
inline const QString onQuit = QStringLiteral("onQuit");
inline const QString daily = QStringLiteral("daily");
inline const QString weekly = QStringLiteral("weekly");
} // namespace AutoClearOption

/// Bits of PreferenceKeys::shortcutModifiers. On Linux command is Ctrl, option is
/// Alt, control is Super and shift is Shift.
namespace ShortcutModifier
{
inline constexpr qint64 shift = 0x20000;
inline constexpr qint64 control = 0x40000;
inline constexpr qint64 option = 0x80000;
inline constexpr qint64 command = 0x100000;
} // namespace ShortcutModifier
