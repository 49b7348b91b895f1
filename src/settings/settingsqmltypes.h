#pragma once

#include "settings/settingsviewmodel.h"

#include <QtQml/qqml.h>

/// The settings view-model as the settings pages see it: the application makes the one
/// instance, a page never does.
struct SettingsViewModelForeign
{
    Q_GADGET
    QML_FOREIGN(SettingsViewModel)
    QML_NAMED_ELEMENT(SettingsViewModel)
    QML_UNCREATABLE("The application makes the one settings view-model.")
};
