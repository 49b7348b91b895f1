#include "platform/desktopentries.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

DesktopEntries::DesktopEntries(QStringList folders)
    : m_folders(folders.isEmpty() ? QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)
                                  : std::move(folders))
{
}

std::optional<DesktopEntry> DesktopEntries::parse(const QString &filePath, const QString &id)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;

    DesktopEntry entry;
    entry.id = id;
    bool inMainGroup = false;
    QString type;
    bool hidden = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inMainGroup = line == u"[Desktop Entry]"_s;
            continue;
        }
        if (!inMainGroup)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        // Localised keys (Name[de]) are skipped: the untranslated name is enough here.
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == u"Name"_s)
            entry.name = value;
        else if (key == u"Icon"_s)
            entry.icon = value;
        else if (key == u"StartupWMClass"_s)
            entry.startupWMClass = value;
        else if (key == u"NoDisplay"_s)
            entry.noDisplay = value == u"true"_s;
        else if (key == u"Hidden"_s)
            hidden = value == u"true"_s;
        else if (key == u"Type"_s)
            type = value;
    }
    if (type != u"Application"_s || hidden || entry.name.isEmpty())
        return std::nullopt;
    return entry;
}

void DesktopEntries::refreshIfChanged()
{
    QList<QDateTime> times;
    for (const QString &folder : std::as_const(m_folders))
        times << QFileInfo(folder).lastModified();
    if (m_loaded && times == m_folderTimes)
        return;

    QMap<QString, DesktopEntry> byId;
    for (const QString &folder : std::as_const(m_folders)) {
        QDirIterator it(folder, {u"*.desktop"_s}, QDir::Files, QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
        while (it.hasNext()) {
            const QString path = it.next();
            QString id = path.mid(folder.size() + 1);
            id.chop(int(qstrlen(".desktop")));
            id.replace(u'/', u'-');
            if (byId.contains(id))
                continue; // an earlier folder already has it
            if (auto entry = parse(path, id))
                byId.insert(id, *entry);
        }
    }
    m_entries = byId.values();
    m_folderTimes = times;
    m_loaded = true;
}

QList<DesktopEntry> DesktopEntries::all()
{
    refreshIfChanged();
    return m_entries;
}

std::optional<DesktopEntry> DesktopEntries::find(const QString &id)
{
    refreshIfChanged();
    for (const DesktopEntry &entry : std::as_const(m_entries)) {
        if (entry.id == id)
            return entry;
    }
    return std::nullopt;
}

std::optional<QString> DesktopEntries::idForWindow(const WindowIdentity &window)
{
    refreshIfChanged();
    for (const QString &id : window.announcedIds) {
        if (!id.isEmpty() && find(id))
            return id;
    }
    // The class first: it names the application, where the instance often names only
    // the program that runs it (LibreOffice's "libreoffice", Firefox's "Navigator").
    QStringList names;
    for (const QString &name : {window.windowClass, window.instance}) {
        if (!name.isEmpty())
            names << name;
    }
    if (names.isEmpty())
        return std::nullopt;
    for (const QString &name : std::as_const(names)) {
        for (const DesktopEntry &entry : std::as_const(m_entries)) {
            if (entry.startupWMClass.compare(name, Qt::CaseInsensitive) == 0)
                return entry.id;
        }
    }
    for (const QString &name : std::as_const(names)) {
        for (const DesktopEntry &entry : std::as_const(m_entries)) {
            if (entry.id.compare(name, Qt::CaseInsensitive) == 0
                || entry.id.section(u'.', -1).compare(name, Qt::CaseInsensitive) == 0)
                return entry.id;
        }
    }
    return names.constFirst();
}
