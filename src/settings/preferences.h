#pragma once

#include <QDateTime>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

/// The per-user preference store: a flat key-value store in an INI file, with
/// registered defaults that answer for keys never written. Every write reaches the
/// disk before the setter returns. Use from the main thread.
class Preferences : public QObject
{
    Q_OBJECT

public:
    /// Opens (or later creates) the store at @p filePath.
    explicit Preferences(const QString &filePath, QObject *parent = nullptr);
    ~Preferences() override;

    /// The user's preference file: $XDG_CONFIG_HOME/jotterly/jotterly.conf.
    [[nodiscard]] static QString defaultFilePath();

    /// The file this store reads and writes.
    [[nodiscard]] QString filePath() const;

    /// Adds fallbacks for keys that have no stored value; an entry for a key that
    /// already has a default replaces it. Defaults live in memory only.
    void registerDefaults(const QVariantMap &defaults);
    /// Everything registered so far.
    [[nodiscard]] QVariantMap registeredDefaults() const;

    // Readers: a key that is absent, or whose stored value is not of the asked type,
    // reads as its registered default, or as the type's empty value without one.

    /// An integer; 0 when there is no value.
    [[nodiscard]] qint64 integer(const QString &key) const;
    /// A boolean stored as true/false (any case) or 1/0; false when there is no value.
    [[nodiscard]] bool boolean(const QString &key) const;
    /// A string; empty when there is no value.
    [[nodiscard]] QString string(const QString &key) const;
    /// A list of strings; empty when there is no value.
    [[nodiscard]] QStringList stringList(const QString &key) const;
    /// A point in time; nothing when there is no value.
    [[nodiscard]] std::optional<QDateTime> date(const QString &key) const;

    /// Stores an integer.
    void setInteger(const QString &key, qint64 value);
    /// Stores a boolean as "true" or "false".
    void setBoolean(const QString &key, bool value);
    /// Stores a string.
    void setString(const QString &key, const QString &value);
    /// Stores a list of strings; an empty list reads back as empty, not as the default.
    void setStringList(const QString &key, const QStringList &value);
    /// Stores a point in time as ISO 8601 with milliseconds and UTC offset; an
    /// invalid date removes the key.
    void setDate(const QString &key, const QDateTime &value);
    /// The stored value as written in the file, for messages; empty when there is none.
    [[nodiscard]] QString rawText(const QString &key) const;
    /// Removes the stored value, so the key reads as its default again.
    void remove(const QString &key);

private:
    void write(const QString &key, const QVariant &value);

    QSettings m_settings;
    QVariantMap m_defaults;
};
