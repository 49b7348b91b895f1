#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <chrono>
#include <optional>
#include <utility>

class QLocalServer;
class QTimer;

/// One running jotterly per user. The first instance holds a lock and listens on a
/// socket in the user's runtime folder; a later launch finds the lock, asks the running
/// instance to activate (open its panel) and steps aside.
///
/// The folder must belong to the user and be closed to others; the socket serves a few
/// short connections at a time, so no one can use it to take the descriptors the rest of
/// the program needs.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    /// What a later launch asks of the running instance.
    enum class Request {
        Activate, ///< a plain launch: open or close the panel
        Toggle,   ///< --toggle: open the panel, or close it when it is open
        Show,     ///< --show: open the panel; an open one stays open
    };

    enum class Claim {
        Running,    ///< this is the running instance now
        HandedOver, ///< another instance runs and was asked to activate
        Failed,     ///< neither: errorString() says why
    };

    /// Connections served at once; later ones wait until one of these ends.
    static constexpr int maximumConnections = 8;
    /// How long a connection may stay open without sending its message.
    static constexpr std::chrono::milliseconds connectionTimeout{2000};

    /// Uses `$XDG_RUNTIME_DIR/jotterly.lock` and `jotterly.socket` (without that variable,
    /// a private folder of ours in the temporary folder) unless told otherwise.
    explicit SingleInstance(QString folder = {}, QObject *parent = nullptr);

    /// The message a launch sends for `request`, with the compositor's activation token
    /// (XDG_ACTIVATION_TOKEN) when there is one, so the running instance may take focus.
    [[nodiscard]] static QByteArray message(Request request, const QByteArray &activationToken);
    /// The request and token of one received message line; none for an unknown request.
    /// A token that is not plain printable text is dropped.
    [[nodiscard]] static std::optional<std::pair<Request, QByteArray>> parseMessage(const QByteArray &line);
    ~SingleInstance() override;

    /// Becomes the running instance, or, when another one runs, asks it for `request`.
    [[nodiscard]] Claim claim(Request request = Request::Activate);
    /// Why claim() failed, in a sentence for the user.
    [[nodiscard]] QString errorString() const { return m_error; }
    /// Whether the socket is listening.
    [[nodiscard]] bool isListening() const;
    /// Connections being served now.
    [[nodiscard]] int connectionCount() const { return m_connections; }

Q_SIGNALS:
    /// A later launch asked this instance to show itself; `activationToken` is the
    /// compositor's token it was started with, or empty.
    void requestReceived(SingleInstance::Request request, const QByteArray &activationToken);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /// How long to wait before listening again when that failed.
    static constexpr std::chrono::seconds relistenInterval{5};

    bool checkFolder();
    void listenAgain();
    bool listen();
    void takeConnections();
    bool askRunningInstance(Request request);

    QString m_folder;
    bool m_createFolder = false;
    QString m_socketPath;
    QLockFile m_lock;
    QLocalServer *m_server = nullptr;
    QTimer *m_relisten = nullptr;
    int m_connections = 0;
    QString m_error;
};
