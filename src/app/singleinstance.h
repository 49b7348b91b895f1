#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;

/// One running jotterly per user. The first instance holds a lock and listens on a
/// socket in the user's runtime folder; a later launch finds the lock, asks the running
/// instance to activate (open its panel) and steps aside.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    /// Uses `$XDG_RUNTIME_DIR/jotterly.lock` and `jotterly.socket` unless told otherwise.
    explicit SingleInstance(QString folder = {}, QObject *parent = nullptr);
    ~SingleInstance() override;

    /// Becomes the running instance, or, when another one runs, asks it to activate and
    /// returns false.
    [[nodiscard]] bool claim();

Q_SIGNALS:
    /// A later launch asked this instance to show itself.
    void activationRequested();

private:
    bool askRunningInstance();

    QString m_socketPath;
    QLockFile m_lock;
    QLocalServer *m_server = nullptr;
};
