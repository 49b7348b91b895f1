#pragma once

#include "updates/standarduserdriver.h"
#include "updates/updateservices.h"

#include <QObject>

class QNetworkAccessManager;
struct FeedResponse;

/// The updater: once started it can check the application's appcast feed on the user's
/// request and tell the user, in its own dialogs, about a newer release or that there is
/// none. It holds the automatic-download choice; it makes no automatic checks.
class Updater : public QObject
{
    Q_OBJECT

public:
    /// An updater that cannot check until it is started.
    explicit Updater(UpdateServices services, QObject *parent = nullptr);
    ~Updater() override;

    /// Starts the updater, which can then check; starting again does nothing.
    void start();

    /// True once started and while no check is under way; reported by canCheckForUpdatesChanged().
    [[nodiscard]] bool canCheckForUpdates() const { return m_canCheckForUpdates; }

    /// Whether updates are to be downloaded without asking.
    [[nodiscard]] bool automaticallyDownloadsUpdates() const { return m_automaticallyDownloadsUpdates; }
    /// Sets the automatic-download choice.
    void setAutomaticallyDownloadsUpdates(bool automatically);

    /// A check the user asked for: reads the feed, then shows the newest release that is
    /// newer than this version, the up-to-date answer, or an error when the feed could not
    /// be read. Does nothing while canCheckForUpdates() is false.
    void checkForUpdates();

Q_SIGNALS:
    /// canCheckForUpdates() has changed to @p canCheck.
    void canCheckForUpdatesChanged(bool canCheck);

private:
    void present(const FeedResponse &response, const QUrl &feedLocation);
    void setCanCheckForUpdates(bool canCheck);

    UpdateServices m_services;
    StandardUserDriver m_userDriver;
    QNetworkAccessManager *m_network;
    bool m_started = false;
    bool m_canCheckForUpdates = false;
    bool m_automaticallyDownloadsUpdates = false;
};
