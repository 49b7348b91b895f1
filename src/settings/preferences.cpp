#include "settings/preferences.h"

#include <QStandardPaths>

using namespace Qt::StringLiterals;

// INI keeps everything as text, so each reader accepts the text form of its type as
// well as the typed value QSettings hands back for what it wrote in this session.
namespace
{

std::optional<qint64> toInteger(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::QString: {
        bool ok = false;
        const qint64 number = value.toString().trimmed().toLongLong(&ok);
        return ok ? std::optional(number) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<bool> toBoolean(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::QString: {
        const QString text = value.toString().trimmed();
        if (text.compare("true"_L1, Qt::CaseInsensitive) == 0 || text == "1"_L1) {
            return true;
        }
        if (text.compare("false"_L1, Qt::CaseInsensitive) == 0 || text == "0"_L1) {
            return false;
        }
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<QString> toString(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString) {
        return value.toString();
    }
    return std::nullopt;
}

std::optional<QStringList> toStringList(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QStringList:
        return value.toStringList();
    case QMetaType::QString:
        // QSettings writes a one-element list as a plain string.
        return QStringList{value.toString()};
    default:
        return std::nullopt;
    }
}

std::optional<QDateTime> toDate(const QVariant &value)
{
    QDateTime date;
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        date = value.toDateTime();
        break;
    case QMetaType::QString:
        date = QDateTime::fromString(value.toString().trimmed(), Qt::ISODateWithMs);
        break;
    default:
        break;
    }
    return date.isValid() ? std::optional(date) : std::nullopt;
}

// A value that does not parse falls back to the registered default rather than to 0:
// a history limit of 0 would delete the user's whole unpinned history.
template<typename T, typename Convert>
T readAs(const QSettings &settings, const QVariantMap &defaults, const QString &key, Convert convert, T empty)
{
    if (const auto stored = convert(settings.value(key))) {
        return *stored;
    }
    if (const auto fallback = convert(defaults.value(key))) {
        return *fallback;
    }
    return empty;
}

} // namespace

Preferences::Preferences(const QString &filePath, QObject *parent)
    : QObject(parent)
    , m_settings(filePath, QSettings::IniFormat)
{
}

Preferences::~Preferences() = default;

QString Preferences::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/jotterly/jotterly.conf"_s;
}

QString Preferences::filePath() const
{
    return m_settings.fileName();
}

void Preferences::registerDefaults(const QVariantMap &defaults)
{
    m_defaults.insert(defaults);
}

QVariantMap Preferences::registeredDefaults() const
{
    return m_defaults;
}

qint64 Preferences::integer(const QString &key) const
{
    return readAs<qint64>(m_settings, m_defaults, key, toInteger, 0);
}

bool Preferences::boolean(const QString &key) const
{
    return readAs<bool>(m_settings, m_defaults, key, toBoolean, false);
}

QString Preferences::string(const QString &key) const
{
    return readAs<QString>(m_settings, m_defaults, key, toString, QString());
}

QStringList Preferences::stringList(const QString &key) const
{
    // QSettings writes an empty list as "@Invalid()", which reads back as no value at all.
    if (m_settings.contains(key) && !m_settings.value(key).isValid()) {
        return {};
    }
    return readAs<QStringList>(m_settings, m_defaults, key, toStringList, QStringList());
}

std::optional<QDateTime> Preferences::date(const QString &key) const
{
    return readAs<std::optional<QDateTime>>(m_settings, m_defaults, key, toDate, std::nullopt);
}

QString Preferences::rawText(const QString &key) const
{
    const QVariant value = m_settings.value(key);
    return value.typeId() == QMetaType::QStringList ? value.toStringList().join(u',') : value.toString();
}

void Preferences::setInteger(const QString &key, qint64 value)
{
    write(key, value);
}

void Preferences::setBoolean(const QString &key, bool value)
{
    write(key, value);
}

void Preferences::setString(const QString &key, const QString &value)
{
    write(key, value);
}

void Preferences::setStringList(const QString &key, const QStringList &value)
{
    write(key, value);
}

void Preferences::setDate(const QString &key, const QDateTime &value)
{
    if (!value.isValid()) {
        remove(key);
        return;
    }
    // Written with its UTC offset so the text names one instant wherever it is read.
    write(key, value.toOffsetFromUtc(value.offsetFromUtc()).toString(Qt::ISODateWithMs));
}

void Preferences::remove(const QString &key)
{
    // QSettings::remove() with an empty key would wipe every preference.
    if (key.isEmpty()) {
        return;
    }
    m_settings.remove(key);
    m_settings.sync();
}

void Preferences::write(const QString &key, const QVariant &value)
{
    Q_ASSERT(!key.isEmpty());
    m_settings.setValue(key, value);
    // Straight to disk, so a crash loses no preference.
    m_settings.sync();
}
