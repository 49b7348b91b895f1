#include "platform/autostartloginitem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Characters that make a desktop entry's Exec argument need quotes.
constexpr QStringView reservedInExec = u" \t\"'\\><~|&;$*?#()`";

// One argument of an Exec line. Quoted, ", `, $ and \ take a backslash; the value's
// own escaping then doubles every backslash, and a literal % is written %%.
QString execArgument(const QString &argument)
{
    QString quoted = argument;
    const bool needsQuotes = std::any_of(argument.cbegin(), argument.cend(),
                                         [](QChar c) { return reservedInExec.contains(c); });
    if (needsQuotes) {
        quoted.clear();
        for (QChar c : argument) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                quoted += u'\\';
            quoted += c;
        }
        quoted = u'"' + quoted + u'"';
    }
    quoted.replace(u"\\"_s, u"\\\\"_s);
    quoted.replace(u"%"_s, u"%%"_s);
    return quoted;
}

// The same file, whichever link or relative path names it.
bool sameFile(const QString &a, const QString &b)
{
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
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

QString AutostartLoginItem::execValue(const QString &executable)
{
    if (std::any_of(executable.cbegin(), executable.cend(), [](QChar c) { return c.category() == QChar::Other_Control; }))
        return {};
    // The session starts the entry with its own PATH: by name, an installed jotterly
    // keeps starting after an upgrade moves or relinks it; a build folder's copy is
    // reached only by its path.
    const QString name = QFileInfo(executable).fileName();
    if (sameFile(QStandardPaths::findExecutable(name), executable))
        return execArgument(name);
    return execArgument(QFileInfo(executable).absoluteFilePath());
}

bool AutostartLoginItem::enable()
{
    const QString exec = execValue(m_executable);
    if (exec.isEmpty())
        return false;
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
                          "X-GNOME-Autostart-enabled=true\n"_s.arg(exec);
    file.write(entry.toUtf8());
    return file.commit();
}

bool AutostartLoginItem::disable()
{
    return !QFileInfo::exists(m_entryPath) || QFile::remove(m_entryPath);
}
