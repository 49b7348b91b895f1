#include "updates/standarduserdriver.h"

#include "platform/alerts.h"
#include "updates/appcast.h"

using namespace Qt::StringLiterals;

Alert upToDateAlert(const ApplicationInfo &application)
{
    const QString name = application.name.value_or(u"This app"_s);
    const QString version = application.shortVersion.value_or(u"1.0"_s);
    return {u"You're up to date!"_s, name + u' ' + version + u" is the latest version."_s, {u"OK"_s}};
}

StandardUserDriver::StandardUserDriver(UpdateServices services)
    : m_services(std::move(services))
{
}

QString StandardUserDriver::applicationName() const
{
    return m_services.application.name.value_or(u"This app"_s);
}

void StandardUserDriver::showUpdateFound(const AppcastItem &item) const
{
    Alert alert;
    alert.text = u"A new version of %1 is available!"_s.arg(applicationName());
    alert.informativeText = u"%1 %2 is now available; you have %3. Would you like to download it?"_s.arg(
        applicationName(), item.displayVersion, m_services.application.shortVersion.value_or(u"1.0"_s));
    alert.buttons << u"Download"_s;
    const bool hasNotes = !item.releaseNotesLocation.isEmpty();
    if (hasNotes)
        alert.buttons << u"Release Notes"_s;
    alert.buttons << u"Later"_s;

    const int choice = m_services.alerts->run(alert);
    if (choice == 0)
        m_services.openUrl(item.downloadLocation);
    else if (hasNotes && choice == 1)
        m_services.openUrl(item.releaseNotesLocation);
}

void StandardUserDriver::showUpToDate() const
{
    m_services.alerts->run(upToDateAlert(m_services.application));
}

void StandardUserDriver::showUpdaterError() const
{
    m_services.alerts->run({u"Update Error!"_s,
                            u"%1 could not read its update information. Please try again later."_s.arg(applicationName()),
                            {u"OK"_s}});
}
