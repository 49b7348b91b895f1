#include "updates/updatercontroller.h"

#include "settings/preferencekeys.h"
#include "settings/preferences.h"
#include "platform/alerts.h"
#include "updates/feedfetch.h"
#include "updates/standardupdatercontroller.h"
#include "updates/standarduserdriver.h"
#include "updates/updater.h"

#include <QNetworkAccessManager>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace
{

// A feed lists a release when its UTF-8 text holds an item element, with or without attributes.
bool listsRelease(const FeedResponse &response)
{
    if (!response.ok || response.body.isEmpty())
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(response.body);
    if (decoder.hasError())
        return false;
    return text.contains("<item>"_L1) || text.contains("<item "_L1);
}

} // namespace

UpdaterController::UpdaterController(Preferences *preferences, UpdateServices services, QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_preferences(preferences)
    , m_network(new QNetworkAccessManager(this))
{
    Q_ASSERT(preferences && m_services.scheduler && m_services.alerts);
    m_preferences->registerDefaults({{PreferenceKeys::automaticallyUpdate, true}});
    m_controller = new StandardUpdaterController(true, m_services, this);
    // Read, not assigned: a setting the user never changed is not written to the file.
    m_automaticallyDownloadsUpdates = m_preferences->boolean(PreferenceKeys::automaticallyUpdate);
    m_controller->updater()->setAutomaticallyDownloadsUpdates(m_automaticallyDownloadsUpdates);

    // Reports reach this object from the event loop, the first one with the current value.
    Updater *updater = m_controller->updater();
    connect(updater, &Updater::canCheckForUpdatesChanged, this, &UpdaterController::setCanCheckForUpdates, Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        this, [this, updater] { setCanCheckForUpdates(updater->canCheckForUpdates()); }, Qt::QueuedConnection);
}

UpdaterController::~UpdaterController() = default;

void UpdaterController::setAutomaticallyDownloadsUpdates(bool automatically)
{
    m_controller->updater()->setAutomaticallyDownloadsUpdates(automatically);
    if (m_preferences)
        m_preferences->setBoolean(PreferenceKeys::automaticallyUpdate, automatically);
    if (m_automaticallyDownloadsUpdates != automatically) {
        m_automaticallyDownloadsUpdates = automatically;
        Q_EMIT automaticallyDownloadsUpdatesChanged();
    }
}

void UpdaterController::checkForUpdates()
{
    // A second click while the feed is on its way would answer twice.
    if (m_readingFeed)
        return;
    const std::optional<QUrl> feed = m_services.application.feedLocation();
    if (!feed) {
        showUpToDateAlert();
        return;
    }
    m_readingFeed = true;
    fetchFeed(m_network, m_services.scheduler, *feed, this, [this](const FeedResponse &response) {
        m_readingFeed = false;
        if (listsRelease(response))
            m_controller->checkForUpdates();
        else
            showUpToDateAlert();
    });
}

void UpdaterController::setCanCheckForUpdates(bool canCheck)
{
    if (m_canCheckForUpdates != canCheck) {
        m_canCheckForUpdates = canCheck;
        Q_EMIT canCheckForUpdatesChanged();
    }
}

void UpdaterController::showUpToDateAlert()
{
    m_services.alerts->run(upToDateAlert(m_services.application));
}
