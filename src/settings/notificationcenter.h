#pragma once

#include <QObject>
#include <QString>

#include <functional>

/// Names of the broadcasts that announce preference changes and hot-key presses.
/// Receivers re-read the preference store; the broadcasts carry no payload.
namespace Notifications
{
/// Posted after "historyLimit" has been written.
inline const QString historyLimitChanged = QStringLiteral("JotterlyHistoryLimitChanged");
/// Posted after "shortcutKeyCode" or "shortcutModifiers" has been written.
inline const QString shortcutChanged = QStringLiteral("JotterlyShortcutChanged");
/// Posted on each press of the registered global hot key.
inline const QString hotKeyFired = QStringLiteral("JotterlyHotKeyFired");
} // namespace Notifications

/// Named broadcasts without payload. One center is made at launch and handed to
/// everyone who posts or observes.
class NotificationCenter : public QObject
{
    Q_OBJECT

public:
    /// Creates an empty center.
    explicit NotificationCenter(QObject *parent = nullptr);
    ~NotificationCenter() override;

    /// Broadcasts @p name to its observers. May be called from any thread.
    void post(const QString &name);

    /// Runs @p handler in @p receiver's thread each time @p name is posted: at once
    /// when posted on that thread, queued when posted from another one. Observing
    /// stops when @p receiver is destroyed or the returned connection is disconnected.
    QMetaObject::Connection observe(const QString &name, const QObject *receiver, std::function<void()> handler);

Q_SIGNALS:
    /// Emitted for every post; observe() filters it by name.
    void posted(const QString &name);
};
