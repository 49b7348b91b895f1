#pragma once

#include <QList>
#include <QObject>

class QSocketNotifier;

/// Turns Unix signals (SIGINT, SIGTERM) into a Qt signal delivered on the main thread,
/// so that quitting runs the normal shutdown instead of work inside a signal handler.
class UnixSignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit UnixSignalWatcher(const QList<int> &signalNumbers, QObject *parent = nullptr);
    ~UnixSignalWatcher() override;

Q_SIGNALS:
    /// One of the watched signals arrived.
    void signalReceived(int signalNumber);

private:
    void readSignal();

    QList<int> m_signals;
    QSocketNotifier *m_notifier = nullptr;
};
