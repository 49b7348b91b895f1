#pragma once

#include "updates/applicationinfo.h"

#include <QUrl>

#include <functional>

class Alerts;
class Scheduler;

/// Opens a location (a download or release-notes page) for the user; true when it could.
using UrlOpener = std::function<bool(const QUrl &)>;

/// What the update code needs from around it. The pointers are not owned and must
/// outlive everything made with them.
struct UpdateServices
{
    ApplicationInfo application;
    /// Times out feed downloads.
    Scheduler *scheduler = nullptr;
    /// The update dialogs and the up-to-date answer.
    Alerts *alerts = nullptr;
    /// Opens the locations the user asks for from the update dialog.
    UrlOpener openUrl;
};

/// Opens locations with the desktop's default handler (QDesktopServices).
[[nodiscard]] UrlOpener desktopUrlOpener();
