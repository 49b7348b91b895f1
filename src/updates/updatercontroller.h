#pragma once

#include "updates/updateservices.h"

#include <QObject>
#include <QPointer>
#include <qqmlintegration.h>

class Preferences;
class QNetworkAccessManager;
class StandardUpdaterController;

/// The application's handle on software updates: starts the updater when it is created,
/// mirrors whether it can check, keeps the automatic-download choice under
/// "SUAutomaticallyUpdate", and reads the feed itself before a check the user asks for,
/// so that a feed without any release ends in a plain "You're up to date!".
/// One instance for the life of the process, on the main thread.
class UpdaterController : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application makes the one updater controller.")

    /// Whether the updater can check now; false until its first report and during a check.
    /// The settings window disables its "Check for Updates…" button while this is false.
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)
    /// Whether updates are downloaded without asking; every assignment reaches the updater
    /// and the preference store.
    Q_PROPERTY(bool automaticallyDownloadsUpdates READ automaticallyDownloadsUpdates WRITE setAutomaticallyDownloadsUpdates
                   NOTIFY automaticallyDownloadsUpdatesChanged)

public:
    /// Registers the "SUAutomaticallyUpdate" default (true), creates and starts the updater,
    /// hands it the stored choice and starts following its canCheckForUpdates, whose first
    /// report arrives from the event loop right after construction.
    UpdaterController(Preferences *preferences, UpdateServices services, QObject *parent = nullptr);
    ~UpdaterController() override;

    [[nodiscard]] bool canCheckForUpdates() const { return m_canCheckForUpdates; }
    [[nodiscard]] bool automaticallyDownloadsUpdates() const { return m_automaticallyDownloadsUpdates; }

    /// Hands @p automatically to the updater and writes it under "SUAutomaticallyUpdate",
    /// also when it is unchanged; notifies only on a change.
    void setAutomaticallyDownloadsUpdates(bool automatically);

    /// Reads the feed; when it lists at least one release the updater checks with its own
    /// dialogs, otherwise (no feed location, a failed or refused download, a timeout, an
    /// empty or non-UTF-8 body, no item) the "You're up to date!" alert is shown. Returns at
    /// once; a call while the feed is still being read does nothing.
    Q_INVOKABLE void checkForUpdates();

    /// The standard updater controller behind this one.
    [[nodiscard]] StandardUpdaterController *controller() const { return m_controller; }

Q_SIGNALS:
    void canCheckForUpdatesChanged();
    void automaticallyDownloadsUpdatesChanged();

private:
    void setCanCheckForUpdates(bool canCheck);
    void showUpToDateAlert();

    UpdateServices m_services;
    QPointer<Preferences> m_preferences;
    StandardUpdaterController *m_controller = nullptr;
    QNetworkAccessManager *m_network = nullptr;
    bool m_canCheckForUpdates = false;
    bool m_automaticallyDownloadsUpdates = true;
    bool m_readingFeed = false;
};
