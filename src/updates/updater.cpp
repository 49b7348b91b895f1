#include "updates/updater.h"

#include "updates/appcast.h"
#include "updates/feedfetch.h"

#include <QNetworkAccessManager>
#include <QVersionNumber>

using namespace Qt::StringLiterals;

Updater::Updater(UpdateServices services, QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_userDriver(m_services)
    , m_network(new QNetworkAccessManager(this))
{
    Q_ASSERT(m_services.scheduler && m_services.alerts && m_services.openUrl);
}

Updater::~Updater() = default;

void Updater::start()
{
    if (m_started)
        return;
    m_started = true;
    setCanCheckForUpdates(true);
}

void Updater::setAutomaticallyDownloadsUpdates(bool automatically)
{
    m_automaticallyDownloadsUpdates = automatically;
}

void Updater::checkForUpdates()
{
    if (!m_canCheckForUpdates)
        return;
    setCanCheckForUpdates(false);
    const std::optional<QUrl> feed = m_services.application.feedLocation();
    if (!feed) {
        m_userDriver.showUpdaterError();
        setCanCheckForUpdates(true);
        return;
    }
    fetchFeed(m_network, m_services.scheduler, *feed, this, [this, location = *feed](const FeedResponse &response) {
        present(response, location);
        setCanCheckForUpdates(true);
    });
}

void Updater::present(const FeedResponse &response, const QUrl &feedLocation)
{
    const Appcast appcast = response.ok ? readAppcast(response.body, feedLocation) : Appcast{};
    if (!appcast.readable) {
        m_userDriver.showUpdaterError();
        return;
    }
    const QVersionNumber current = QVersionNumber::fromString(m_services.application.shortVersion.value_or(u"1.0"_s));
    if (appcast.newest && appcast.newest->version > current)
        m_userDriver.showUpdateFound(*appcast.newest);
    else
        m_userDriver.showUpToDate();
}

void Updater::setCanCheckForUpdates(bool canCheck)
{
    if (m_canCheckForUpdates != canCheck) {
        m_canCheckForUpdates = canCheck;
        Q_EMIT canCheckForUpdatesChanged(canCheck);
    }
}
