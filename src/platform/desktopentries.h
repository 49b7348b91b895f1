#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

/// One installed application, as its .desktop file describes it.
struct DesktopEntry {
    /// The desktop-file id: the file's path below an applications folder, with '/'
    /// turned into '-' and without ".desktop" (e.g. "org.gnome.TextEditor").
    QString id;
    QString name;
    QString icon;
    QString startupWMClass;
    /// Meant to be hidden from application menus and pickers.
    bool noDisplay = false;
};

/// The applications installed in the XDG application folders. Files in earlier folders
/// (the user's own first) hide files with the same id in later ones. The folders are
/// read on first use and again when one of them has changed.
class DesktopEntries
{
public:
    /// Reads from `folders`, or from the XDG application folders when empty.
    explicit DesktopEntries(QStringList folders = {});

    /// Every application entry, sorted by id.
    [[nodiscard]] QList<DesktopEntry> all();
    /// The entry with this desktop-file id.
    [[nodiscard]] std::optional<DesktopEntry> find(const QString &id);
    /// The id of the application a window with this WM_CLASS belongs to: an entry
    /// naming the class as its StartupWMClass, else an entry whose id, or the last
    /// part of a reverse-DNS id, is the class (ignoring case).
    [[nodiscard]] std::optional<QString> idForWindowClass(const QString &windowClass);

    /// Parses one .desktop file; none unless it describes an application.
    [[nodiscard]] static std::optional<DesktopEntry> parse(const QString &filePath, const QString &id);

private:
    void refreshIfChanged();

    QStringList m_folders;
    QList<QDateTime> m_folderTimes;
    QList<DesktopEntry> m_entries;
    bool m_loaded = false;
};
