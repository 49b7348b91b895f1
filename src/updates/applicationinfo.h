#pragma once

#include <QString>
#include <QUrl>

#include <optional>

/// What the application tells the update code about itself: its name, its version and
/// where its update feed lives. Any of them may be missing.
struct ApplicationInfo
{
    std::optional<QString> name;
    std::optional<QString> shortVersion;
    std::optional<QString> feedURL;

    /// The values compiled into this build; an empty feed location counts as none.
    [[nodiscard]] static ApplicationInfo fromBuild();

    /// The feed location as an absolute http or https URL, or nothing when it is
    /// missing or does not form one.
    [[nodiscard]] std::optional<QUrl> feedLocation() const;
};
