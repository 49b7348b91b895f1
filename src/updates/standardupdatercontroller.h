#pragma once

#include "updates/updateservices.h"

#include <QObject>

class Updater;

/// The standard way to drive the updater: owns one Updater, with the standard dialogs,
/// and performs the checks the user asks for.
class StandardUpdaterController : public QObject
{
    Q_OBJECT

public:
    /// Creates the updater and, when @p startingUpdater is true, starts it.
    StandardUpdaterController(bool startingUpdater, UpdateServices services, QObject *parent = nullptr);
    ~StandardUpdaterController() override;

    /// The updater; never replaced.
    [[nodiscard]] Updater *updater() const { return m_updater; }

    /// Starts the updater unless it has started.
    void startUpdater();

    /// A check the user asked for, ending in one of the updater's dialogs.
    void checkForUpdates();

private:
    Updater *m_updater;
};
