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

/// What a window says about the application it belongs to.
struct WindowIdentity {
    /// Desktop-file ids the window announces (_GTK_APPLICATION_ID, and
    /// _KDE_NET_WM_DESKTOP_FILE without ".desktop"), in the order to try them.
    QStringList announcedIds;
    /// The two halves of WM_CLASS.
    QString instance;
    QString windowClass;
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
    /// The id of the application a window belongs to, as the application picker names
    /// it: an announced id that names an installed entry (toolkits announce ids that
    /// name no desktop file, e.g. "org.libreoffice" for every LibreOffice window); else
    /// the entry whose StartupWMClass is the window's class or instance; else the entry
    /// whose id, or the last part of a reverse-DNS id, is the class or instance
    /// (ignoring case); else the class itself (the instance when there is no class).
    /// None when the window says nothing about itself.
    [[nodiscard]] std::optional<QString> idForWindow(const WindowIdentity &window);

    /// Parses one .desktop file; none unless it describes an application.
    [[nodiscard]] static std::optional<DesktopEntry> parse(const QString &filePath, const QString &id);

private:
    void refreshIfChanged();

    QStringList m_folders;
    QList<QDateTime> m_folderTimes;
    QList<DesktopEntry> m_entries;
    bool m_loaded = false;
};
