#pragma once

#include <QObject>

#include <memory>

class OnboardingFlow;
class Preferences;
class QQmlEngine;
class QQuickWindow;
class SettingsViewModel;
class UpdaterController;

/// The program's windows besides the panel: the settings window, made on first use and
/// kept, and the first-run onboarding. Each is centred on the primary screen.
class SecondaryWindows : public QObject
{
    Q_OBJECT

public:
    SecondaryWindows(QQmlEngine *engine, Preferences *preferences, SettingsViewModel *settings,
                     UpdaterController *updater, QObject *parent = nullptr);
    ~SecondaryWindows() override;

    [[nodiscard]] QQuickWindow *settingsWindow() const { return m_settingsWindow.get(); }
    [[nodiscard]] QQuickWindow *onboardingWindow() const { return m_onboardingWindow.get(); }

    /// Shows the settings window, made once and kept.
    void openSettings();
    /// Shows the onboarding unless it was shown before.
    void showOnboardingIfNeeded();
    /// The onboarding is done: recorded, and its window closed.
    void completeOnboarding();
    /// The user left the welcome screen: the next launch shows no onboarding.
    void markOnboardingShown();

private:
    QQmlEngine *m_engine;
    Preferences *m_preferences;
    SettingsViewModel *m_settings;
    UpdaterController *m_updater;
    std::unique_ptr<OnboardingFlow> m_onboardingFlow; // outlives the view that calls it
    std::unique_ptr<QQuickWindow> m_settingsWindow;
    std::unique_ptr<QQuickWindow> m_onboardingWindow;
};
