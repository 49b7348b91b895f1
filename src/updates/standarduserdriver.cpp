#include "updates/standarduserdriver.h"

#include "platform/alerts.h"
#include "updates/appcast.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

Alert upToDateAlert(const ApplicationInfo &application)
{
    const QString name = application.name.value_or(QCoreApplication::translate("StandardUserDriver", "This app"));
    const QString version = application.shortVersion.value_or(u"1.0"_s);
    return {QCoreApplication::translate("StandardUserDriver", "You're up to date!"), QCoreApplication::translate("StandardUserDriver", "%1 %2 is the latest version.").arg(name, version), {QCoreApplication::translate("StandardUserDriver", "OK")}};
}

StandardUserDriver::StandardUserDriver(UpdateServices services)
    : m_services(std::move(services))
{
}

QString StandardUserDriver::applicationName() const
{
    return m_services.application.name.value_or(QCoreApplication::translate("StandardUserDriver", "This app"));
}

void StandardUserDriver::showUpdateFound(const AppcastItem &item) const
{
    Alert alert;
    alert.text = QCoreApplication::translate("StandardUserDriver", "A new version of %1 is available!").arg(applicationName());
    alert.informativeText = QCoreApplication::translate("StandardUserDriver", "%1 %2 is now available; you have %3. Would you like to download it?").arg(
        applicationName(), item.displayVersion, m_services.application.shortVersion.value_or(u"1.0"_s));
    alert.buttons << QCoreApplication::translate("StandardUserDriver", "Download");
    const bool hasNotes = !item.releaseNotesLocation.isEmpty();
    if (hasNotes)
        alert.buttons << QCoreApplication::translate("StandardUserDriver", "Release Notes");
    alert.buttons << QCoreApplication::translate("StandardUserDriver", "Later");

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
    m_services.alerts->run({QCoreApplication::translate("StandardUserDriver", "Update Error!"),
                            QCoreApplication::translate("StandardUserDriver", "%1 could not read its update information. Please try again later.").arg(applicationName()),
                            {QCoreApplication::translate("StandardUserDriver", "OK")}});
}
