#include "updates/feedfetch.h"

#include "platform/scheduler.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

namespace
{

// Lives as the reply's child, so it goes when the reply (or its manager) goes.
class FeedDownload : public QObject
{
public:
    FeedDownload(QNetworkReply *reply, Scheduler *scheduler, QObject *context, std::function<void(const FeedResponse &)> done)
        : QObject(reply)
        , m_reply(reply)
        , m_context(context)
        , m_done(std::move(done))
    {
        connect(reply, &QNetworkReply::metaDataChanged, this, [this] {
            // A declared length over the limit need not be downloaded to be refused.
            const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
            if (length.isValid() && length.toLongLong() > feedSizeLimit)
                fail();
        });
        connect(reply, &QNetworkReply::readyRead, this, [this] { take(); });
        connect(reply, &QNetworkReply::finished, this, [this] { complete(); });
        // A server that accepts and never answers, or answers a byte at a time, must not keep the check open.
        m_deadline = scheduler->after(feedTimeLimit, this, [this] { fail(); });
    }

private:
    void take()
    {
        if (m_delivered)
            return;
        if (m_body.size() + m_reply->bytesAvailable() > feedSizeLimit) {
            fail();
            return;
        }
        m_body += m_reply->readAll();
    }

    void complete()
    {
        take();
        if (m_delivered)
            return;
        const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        FeedResponse response;
        response.ok = m_reply->error() == QNetworkReply::NoError && status == 200;
        if (response.ok)
            response.body = std::move(m_body);
        deliver(response);
    }

    void fail()
    {
        if (m_delivered)
            return;
        deliver({});
        m_reply->abort();
    }

    void deliver(const FeedResponse &response)
    {
        m_delivered = true;
        m_deadline.cancel();
        m_body.clear();
        m_reply->deleteLater();
        // Queued, so the receiver (which may run a modal dialog) is never inside the network stack's signals.
        if (m_context) {
            QMetaObject::invokeMethod(
                m_context, [done = m_done, response] { done(response); }, Qt::QueuedConnection);
        }
    }

    QNetworkReply *m_reply;
    QPointer<QObject> m_context;
    std::function<void(const FeedResponse &)> m_done;
    ScheduledTask m_deadline;
    QByteArray m_body;
    bool m_delivered = false;
};

} // namespace

void fetchFeed(QNetworkAccessManager *network, Scheduler *scheduler, const QUrl &url, QObject *context,
               std::function<void(const FeedResponse &)> done)
{
    QNetworkRequest request(url);
    request.setMaximumRedirectsAllowed(5);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    QNetworkReply *reply = network->get(request);
    new FeedDownload(reply, scheduler, context, std::move(done));
}
