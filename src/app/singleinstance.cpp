#include "app/singleinstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray activateMessage = "activate\n";

QString runtimeFolder(const QString &folder)
{
    if (!folder.isEmpty())
        return folder;
    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        runtime = QDir::tempPath() + u"/jotterly-%1"_s.arg(::getuid());
    QDir().mkpath(runtime);
    return runtime;
}

} // namespace

SingleInstance::SingleInstance(QString folder, QObject *parent)
    : QObject(parent)
    , m_socketPath(runtimeFolder(folder) + u"/jotterly.socket"_s)
    , m_lock(runtimeFolder(folder) + u"/jotterly.lock"_s)
{
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

bool SingleInstance::claim()
{
    // The lock decides who runs. QLockFile takes over a lock whose process has died;
    // a live owner is never displaced, even when it does not answer.
    m_lock.setStaleLockTime(0);
    if (!m_lock.tryLock(0)) {
        askRunningInstance();
        return false;
    }
    QLocalServer::removeServer(m_socketPath); // left by an instance that crashed
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains(activateMessage))
                    Q_EMIT activationRequested();
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    m_server->listen(m_socketPath);
    return true;
}

bool SingleInstance::askRunningInstance()
{
    // The running instance may still be starting up: give it a moment to listen.
    const QDeadlineTimer deadline(3000);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(200)) {
            socket.write(activateMessage);
            socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}
