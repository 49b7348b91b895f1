#include "settings/notificationcenter.h"

#include <utility>

NotificationCenter::NotificationCenter(QObject *parent)
    : QObject(parent)
{
}

NotificationCenter::~NotificationCenter() = default;

void NotificationCenter::post(const QString &name)
{
    Q_EMIT posted(name);
}

QMetaObject::Connection NotificationCenter::observe(const QString &name, const QObject *receiver, std::function<void()> handler)
{
    Q_ASSERT(receiver);
    if (!receiver || !handler) {
        return {};
    }
    // An automatic connection is direct on the receiver's thread and queued from any
    // other, which is exactly the delivery promised above.
    return connect(this, &NotificationCenter::posted, receiver, [name, handler = std::move(handler)](const QString &postedName) {
        if (postedName == name) {
            handler();
        }
    });
}
