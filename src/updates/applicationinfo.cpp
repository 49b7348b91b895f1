#include "updates/applicationinfo.h"

#include "updates/buildinfo.h"

using namespace Qt::StringLiterals;

ApplicationInfo ApplicationInfo::fromBuild()
{
    ApplicationInfo info;
    info.name = QStringLiteral(JOTTERLY_APPLICATION_NAME);
    info.shortVersion = QStringLiteral(JOTTERLY_APPLICATION_VERSION);
    if (const QString feed = QStringLiteral(JOTTERLY_FEED_URL); !feed.isEmpty())
        info.feedURL = feed;
    return info;
}

std::optional<QUrl> ApplicationInfo::feedLocation() const
{
    if (!feedURL)
        return std::nullopt;
    const QUrl url(feedURL->trimmed(), QUrl::StrictMode);
    // Only a web feed gives an HTTP answer; anything else could never pass the checks after it.
    if (!url.isValid() || url.host().isEmpty() || (url.scheme() != "http"_L1 && url.scheme() != "https"_L1))
        return std::nullopt;
    return url;
}
