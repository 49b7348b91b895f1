#pragma once

#include <QList>
#include <QString>

/// A schema version as major.minor.patch.
struct SchemaVersion {
    int major = 0;
    int minor = 0;
    int patch = 0;

    [[nodiscard]] QString toString() const
    {
        return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(patch);
    }
    friend bool operator==(const SchemaVersion &, const SchemaVersion &) = default;
};

/// The first and only schema of the history: one model, ClipItem.
struct ClipItemSchemaV1 {
    static constexpr SchemaVersion versionIdentifier{1, 0, 0};
};

/// How stores written under older schemas are brought up to date. It knows one schema
/// and has no stages, so a store opens only if it was written under that schema.
struct ClipItemMigrationPlan {
    /// Every schema the plan knows, oldest first; the last is the current one.
    [[nodiscard]] static QList<SchemaVersion> schemas() { return {ClipItemSchemaV1::versionIdentifier}; }
    /// Migration stages between consecutive schemas.
    static constexpr int stageCount = 0;
};
