#pragma once

#include "updates/updateservices.h"

struct Alert;
struct AppcastItem;

/// The answer when nothing newer than this version exists: "You're up to date!" with the
/// application's name and version ("This app" and "1.0" when they are missing).
[[nodiscard]] Alert upToDateAlert(const ApplicationInfo &application);

/// The dialogs that end a check the user asked for.
class StandardUserDriver
{
public:
    explicit StandardUserDriver(UpdateServices services);

    /// Offers a newer release: its version, a button that opens its download location,
    /// one that opens its release notes (when it has them), and "Later".
    void showUpdateFound(const AppcastItem &item) const;
    /// Tells the user that this version is the newest.
    void showUpToDate() const;
    /// Tells the user that the feed could not be read.
    void showUpdaterError() const;

private:
    [[nodiscard]] QString applicationName() const;

    UpdateServices m_services;
};
