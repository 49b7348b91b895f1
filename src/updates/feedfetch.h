#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <chrono>
#include <functional>

class QNetworkAccessManager;
class QObject;
class QUrl;
class Scheduler;

/// The largest feed read. An appcast takes a few kilobytes per release; 8 MiB holds
/// thousands of releases with their notes and keeps a hostile feed from filling memory.
inline constexpr qint64 feedSizeLimit = 8 * 1024 * 1024;

/// The longest a feed download may take from request to last byte. The user has just
/// clicked and sees nothing until the answer: a feed arrives in well under a second on
/// a working connection, and 15 s still covers a slow one (DNS retries, a TLS handshake
/// on a poor mobile link) without leaving the user waiting on a dead one.
inline constexpr std::chrono::seconds feedTimeLimit{15};

/// The outcome of a feed download.
struct FeedResponse
{
    /// A whole HTTP 200 answer arrived within the size and time limits.
    bool ok = false;
    /// The body of that answer; empty unless ok.
    QByteArray body;
};

/// Fetches @p url with a GET request, reading at most feedSizeLimit bytes and giving up
/// after feedTimeLimit on @p scheduler. Calls @p done exactly once, always later from the
/// event loop, never inside this call; not at all when @p context is destroyed first.
void fetchFeed(QNetworkAccessManager *network, Scheduler *scheduler, const QUrl &url, QObject *context,
               std::function<void(const FeedResponse &)> done);
