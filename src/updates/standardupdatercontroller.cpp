#include "updates/standardupdatercontroller.h"

#include "updates/updater.h"

StandardUpdaterController::StandardUpdaterController(bool startingUpdater, UpdateServices services, QObject *parent)
    : QObject(parent)
    , m_updater(new Updater(std::move(services), this))
{
    if (startingUpdater)
        startUpdater();
}

StandardUpdaterController::~StandardUpdaterController() = default;

void StandardUpdaterController::startUpdater()
{
    m_updater->start();
}

void StandardUpdaterController::checkForUpdates()
{
    m_updater->checkForUpdates();
}
