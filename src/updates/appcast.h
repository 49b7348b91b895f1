#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QVersionNumber>

#include <optional>

/// One release listed in an appcast feed.
struct AppcastItem
{
    QVersionNumber version;
    /// The item's short version string when it has one, else its version as written.
    QString displayVersion;
    /// Where the release is downloaded: the enclosure's URL, else the item's link.
    QUrl downloadLocation;
    /// The item's release notes; empty when it names none.
    QUrl releaseNotesLocation;
};

/// What an appcast feed lists.
struct Appcast
{
    /// The document is well-formed XML within the nesting limit.
    bool readable = false;
    /// The usable item with the highest version (the first of equals).
    std::optional<AppcastItem> newest;
};

/// Reads an appcast: an RSS document whose items carry a version (a "version" child
/// element or enclosure attribute, in any namespace, optionally a "shortVersionString")
/// and an enclosure URL or a link. Items without a numeric version or without an http(s)
/// location are passed over; relative locations resolve against @p feedLocation.
/// Runs in time linear in the document and keeps one item at a time.
[[nodiscard]] Appcast readAppcast(const QByteArray &document, const QUrl &feedLocation);
