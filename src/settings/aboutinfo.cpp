#include "settings/aboutinfo.h"

#include "settings/aboutbuildinfo.h"

QString AboutInfo::websiteUrl() const
{
    return QStringLiteral(JOTTERLY_WEBSITE_URL);
}

QString AboutInfo::makerUrl() const
{
    return QStringLiteral(JOTTERLY_MAKER_URL);
}

QString AboutInfo::contact() const
{
    return QStringLiteral(JOTTERLY_CONTACT);
}

QString AboutInfo::finePrint() const
{
    return QStringLiteral(JOTTERLY_FINE_PRINT);
}
