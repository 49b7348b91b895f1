#include "platform/autostartloginitem.h"


#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

// Quoting for the Exec key of a desktop entry: inside double quotes, backslash-escape
// ", `, $ and \; the entry's own escaping then doubles each backslash.
QString quotedExec(const QString &path)
{
    QString escaped;
    for (QChar c : path) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            escaped += u'\\';
        escaped += c;
    }
    escaped.replace(u"\\"_s, u"\\\\"_s);
    return u'"' + escaped + u'"';
}

} // namespace

AutostartLoginItem::AutostartLoginItem(QString entryPath, QString executable)
    : m_entryPath(entryPath.isEmpty() ? defaultEntryPath() : std::move(entryPath))
    , m_executable(executable.isEmpty() ? QCoreApplication::applicationFilePath() : std::move(executable))
{
}

QString AutostartLoginItem::defaultEntryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/autostart/jotterly.desktop"_s;
}

bool AutostartLoginItem::isEnabled() const
{
    QFile file(m_entryPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    // An entry switched off in a desktop's own settings stays on disk.
    const QByteArray contents = file.readAll();
    return !contents.contains("\nHidden=true") && !contents.contains("\nX-GNOME-Autostart-enabled=false");
}

bool AutostartLoginItem::enable()
{
    if (!QDir().mkpath(QFileInfo(m_entryPath).absolutePath()))
        return false;
    QSaveFile file(m_entryPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    const QString entry = u"[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=jotterly\n"
                          "Comment=Clipboard history\n"
                          "Exec=%1\n"
                          "Icon=jotterly\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n"_s.arg(quotedExec(m_executable));
    file.write(entry.toUtf8());
    return file.commit();
}

bool AutostartLoginItem::disable()
{
    return !QFileInfo::exists(m_entryPath) || QFile::remove(m_entryPath);
}
