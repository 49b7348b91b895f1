#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <chrono>

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
    ~SingleInstance() override;

    /// Becomes the running instance, or, when another one runs, asks it to activate.
    [[nodiscard]] Claim claim();
    /// Why claim() failed, in a sentence for the user.
    [[nodiscard]] QString errorString() const { return m_error; }
    /// Whether the socket is listening.
    [[nodiscard]] bool isListening() const;
    /// Connections being served now.
    [[nodiscard]] int connectionCount() const { return m_connections; }

Q_SIGNALS:
    /// A later launch asked this instance to show itself.
    void activationRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /// How long to wait before listening again when that failed.
    static constexpr std::chrono::seconds relistenInterval{5};

    bool checkFolder();
    void listenAgain();
    bool listen();
    void takeConnections();
    bool askRunningInstance();

    QString m_folder;
    bool m_createFolder = false;
    QString m_socketPath;
    QLockFile m_lock;
    QLocalServer *m_server = nullptr;
    QTimer *m_relisten = nullptr;
    int m_connections = 0;
    QString m_error;
};
