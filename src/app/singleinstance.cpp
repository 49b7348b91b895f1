#include "app/singleinstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// One line per connection: the request's word, then the activation token, if any.
constexpr std::pair<SingleInstance::Request, const char *> requestWords[] = {
    {SingleInstance::Request::Activate, "activate"},
    {SingleInstance::Request::Toggle, "toggle"},
    {SingleInstance::Request::Show, "show"},
};
// Tokens are short opaque strings; anything else is not passed on to the compositor.
constexpr qsizetype maximumTokenLength = 256;

bool isPlainToken(const QByteArray &token)
{
    return token.size() <= maximumTokenLength
        && std::all_of(token.cbegin(), token.cend(), [](char c) { return c > ' ' && c < 127; });
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Why writing a file into `folder` fails (a full disk, a read-only folder), or empty.
QString writeProblem(const QString &folder)
{
    const QByteArray probe = QFile::encodeName(folder + u"/.jotterly-probe"_s);
    const int fd = ::open(probe.constData(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return systemError(errno);
    const bool written = ::write(fd, "probe\n", 6) == 6;
    const int error = errno;
    ::close(fd);
    ::unlink(probe.constData());
    return written ? QString() : systemError(error);
}

// $XDG_RUNTIME_DIR, else a folder of ours in /tmp. Anyone can make a folder of that
// name there first: checkFolder() makes sure the one we use is ours.
QString runtimeFolder(const QString &given)
{
    if (!given.isEmpty())
        return given;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.isEmpty() ? QDir::tempPath() + u"/jotterly-%1"_s.arg(::getuid()) : runtime;
}

} // namespace

SingleInstance::SingleInstance(QString folder, QObject *parent)
    : QObject(parent)
    , m_folder(runtimeFolder(folder))
    , m_createFolder(!folder.isEmpty() || qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
    , m_socketPath(m_folder + u"/jotterly.socket"_s)
    , m_lock(m_folder + u"/jotterly.lock"_s)
{
}

QByteArray SingleInstance::message(Request request, const QByteArray &activationToken)
{
    QByteArray line;
    for (const auto &[known, word] : requestWords) {
        if (known == request)
            line = word;
    }
    if (!activationToken.isEmpty() && isPlainToken(activationToken))
        line += ' ' + activationToken;
    return line + '\n';
}

std::optional<std::pair<SingleInstance::Request, QByteArray>> SingleInstance::parseMessage(const QByteArray &line)
{
    const QList<QByteArray> words = line.trimmed().split(' ');
    for (const auto &[request, word] : requestWords) {
        if (words.value(0) != word)
            continue;
        const QByteArray token = words.value(1);
        return std::pair{request, words.size() == 2 && isPlainToken(token) ? token : QByteArray()};
    }
    return std::nullopt;
}

SingleInstance::~SingleInstance()
{
    if (m_server) {
        m_server->removeEventFilter(this);
        m_server->close();
    }
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

bool SingleInstance::checkFolder()
{
    const QByteArray path = QFile::encodeName(m_folder);
    if (m_createFolder && ::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        m_error = tr("cannot create the folder %1 for its lock: %2").arg(m_folder, systemError(errno));
        return false;
    }
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0) {
        m_error = tr("cannot use the runtime folder %1: %2").arg(m_folder, systemError(errno));
        return false;
    }
    const QString advice = tr("remove it, or set XDG_RUNTIME_DIR to a folder of your own");
    if (!S_ISDIR(info.st_mode)) {
        m_error = tr("%1 is not a folder; %2").arg(m_folder, advice);
        return false;
    }
    if (info.st_uid != ::getuid()) {
        m_error = tr("the runtime folder %1 belongs to another user (uid %2); %3").arg(m_folder).arg(info.st_uid).arg(advice);
        return false;
    }
    // Whoever may write here could replace the lock or the socket.
    if (info.st_mode & (S_IWGRP | S_IWOTH)) {
        m_error = tr("other users may write to the runtime folder %1 (mode %2); it must be private (mode 0700)")
                      .arg(m_folder)
                      .arg(info.st_mode & 07777, 4, 8, QLatin1Char('0'));
        return false;
    }
    return true;
}

SingleInstance::Claim SingleInstance::claim(Request request)
{
    if (!checkFolder())
        return Claim::Failed;

    // The lock decides who runs. QLockFile takes over a lock whose process has died;
    // a live owner is never displaced, even when it does not answer.
    m_lock.setStaleLockTime(0);
    if (!m_lock.tryLock(0)) {
        if (m_lock.error() == QLockFile::LockFailedError) {
            if (askRunningInstance(request))
                return Claim::HandedOver;
            qint64 pid = 0;
            m_lock.getLockInfo(&pid, nullptr, nullptr);
            m_error = tr("another jotterly (process %1) holds %2 but does not answer").arg(pid).arg(m_lock.fileName());
            return Claim::Failed;
        }
        QString reason = writeProblem(m_folder);
        if (reason.isEmpty())
            reason = m_lock.error() == QLockFile::PermissionError ? tr("permission denied") : tr("unknown error");
        m_error = tr("cannot create the lock file %1: %2").arg(m_lock.fileName(), reason);
        return Claim::Failed;
    }

    // Something else at the socket's place is not ours to remove.
    struct stat info {};
    if (::lstat(QFile::encodeName(m_socketPath).constData(), &info) == 0 && !S_ISSOCK(info.st_mode)) {
        m_error = tr("%1 is in the way of jotterly's socket; remove it").arg(m_socketPath);
        m_lock.unlock();
        return Claim::Failed;
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Accepted connections beyond these wait in the system's queue, not in descriptors of ours.
    m_server->setMaxPendingConnections(maximumConnections);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::takeConnections);
    if (!listen()) {
        m_error = tr("cannot listen on %1: %2").arg(m_socketPath, m_server->errorString());
        m_lock.unlock();
        return Claim::Failed;
    }
    // The server stops listening for good when accepting a connection fails (out of
    // descriptors, say) and removes its socket. It tells nobody, but it drops the
    // notifier it listened with, a child of its own: then listen again, so a later
    // launch still finds us. Nothing polls while all is well.
    m_server->installEventFilter(this);
    m_relisten = new QTimer(this);
    m_relisten->setSingleShot(true);
    m_relisten->setInterval(relistenInterval);
    connect(m_relisten, &QTimer::timeout, this, &SingleInstance::listenAgain);
    return Claim::Running;
}

bool SingleInstance::eventFilter(QObject *watched, QEvent *event)
{
    // Not from inside the child's destruction: once the event loop is back.
    if (watched == m_server && event->type() == QEvent::ChildRemoved && !m_server->isListening())
        m_relisten->start(0);
    return QObject::eventFilter(watched, event);
}

void SingleInstance::listenAgain()
{
    if (m_server->isListening())
        return;
    if (listen()) {
        qWarning("jotterly: listening again on %s", qPrintable(m_socketPath));
        return;
    }
    // Still out of descriptors, perhaps: try again in a while, and only while it fails.
    m_relisten->start(relistenInterval);
}

bool SingleInstance::listen()
{
    QLocalServer::removeServer(m_socketPath); // left by an instance that crashed
    return m_server->listen(m_socketPath);
}

void SingleInstance::takeConnections()
{
    while (m_connections < maximumConnections && m_server->hasPendingConnections()) {
        QLocalSocket *socket = m_server->nextPendingConnection();
        ++m_connections;
        connect(socket, &QObject::destroyed, this, [this] {
            --m_connections;
            takeConnections();
        });
        // One message per connection, then it is closed; a silent one is closed soon.
        QTimer::singleShot(connectionTimeout, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        const auto serve = [this, socket] {
            // The first line is the request; a partial one waits for the rest, up to a limit.
            const QByteArray received = socket->peek(maximumTokenLength + 32);
            const qsizetype end = received.indexOf('\n');
            if (end >= 0) {
                if (const auto request = parseMessage(received.left(end)))
                    Q_EMIT requestReceived(request->first, request->second);
            }
            if (end >= 0 || received.size() > maximumTokenLength + 16 || socket->state() != QLocalSocket::ConnectedState) {
                socket->abort();
                socket->deleteLater();
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, serve);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // While it waited in the queue, the message (and the end of the connection) may
        // have arrived already, with no one listening.
        if (socket->bytesAvailable() > 0 || socket->state() != QLocalSocket::ConnectedState)
            serve();
    }
}

bool SingleInstance::askRunningInstance(Request request)
{
    // The running instance may still be starting up: give it a moment to listen.
    const QDeadlineTimer deadline(3000);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(200)) {
            socket.write(message(request, qgetenv("XDG_ACTIVATION_TOKEN")));
            socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}
