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

/// The first schema of the history: one model, ClipItem, holding its contents inline.
struct ClipItemSchemaV1 {
    static constexpr SchemaVersion versionIdentifier{1, 0, 0};
};

/// The same model with `content` and `richTextData` in a table of their own, referenced
/// by the item: pinning, a new timestamp or a thumbnail rewrite a small row, never the
/// copied bytes.
struct ClipItemSchemaV2 {
    static constexpr SchemaVersion versionIdentifier{2, 0, 0};
};

/// How stores written under older schemas are brought up to date. Each stage moves a
/// store from one schema to the next inside one transaction, so a stage cut short
/// leaves the store as it was before it.
struct ClipItemMigrationPlan {
    /// Every schema the plan knows, oldest first; the last is the current one.
    [[nodiscard]] static QList<SchemaVersion> schemas()
    {
        return {ClipItemSchemaV1::versionIdentifier, ClipItemSchemaV2::versionIdentifier};
    }
    /// Migration stages between consecutive schemas.
    static constexpr int stageCount = 1;
};
