#include "app/secondarywindows.h"

#include "app/logging.h"
#include "onboarding/onboardingflow.h"
#include "settings/preferencekeys.h"
#include "settings/preferences.h"
#include "settings/settingsviewmodel.h"
#include "updates/updatercontroller.h"

#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace {

// Builds one of the program's QML views; null, with the reason logged, when it cannot.
QQuickItem *createView(QQmlEngine *engine, const QString &url, const char *what, const QVariantMap &properties)
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

SecondaryWindows::SecondaryWindows(QQmlEngine *engine, Preferences *preferences, SettingsViewModel *settings,
                                   UpdaterController *updater, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_preferences(preferences)
    , m_settings(settings)
    , m_updater(updater)
{
}

SecondaryWindows::~SecondaryWindows() = default;

void SecondaryWindows::openSettings()
{
    if (!m_settingsWindow) {
        QQuickItem *view = createView(m_engine, u"qrc:/Jotterly/Settings/SettingsView.qml"_s, "settings",
                                      {{u"viewModel"_s, QVariant::fromValue(m_settings)},
                                       {u"updaterController"_s, QVariant::fromValue(m_updater)}});
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

void SecondaryWindows::showOnboardingIfNeeded()
{
    if (m_preferences->boolean(PreferenceKeys::onboardingShown))
        return;
    m_onboardingFlow = std::make_unique<OnboardingFlow>();
    // Leaving the welcome screen counts: closing the window afterwards does not bring it back.
    connect(m_onboardingFlow.get(), &OnboardingFlow::getStartedPressed, this, &SecondaryWindows::markOnboardingShown);
    connect(m_onboardingFlow.get(), &OnboardingFlow::completed, this, &SecondaryWindows::completeOnboarding);
    QQuickItem *view = createView(m_engine, u"qrc:/Jotterly/Onboarding/OnboardingView.qml"_s, "onboarding",
                                  {{u"flow"_s, QVariant::fromValue(m_onboardingFlow.get())}});
    if (!view)
        return;
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

void SecondaryWindows::markOnboardingShown()
{
    m_preferences->setBoolean(PreferenceKeys::onboardingShown, true);
}

void SecondaryWindows::completeOnboarding()
{
    markOnboardingShown();
    if (m_onboardingWindow) {
        m_onboardingWindow->close();
        m_onboardingWindow.release()->deleteLater(); // the press that got us here is still on its way
    }
    qCDebug(lcApp) << "onboarding completed";
}
