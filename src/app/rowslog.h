#pragma once

#include <QLoggingCategory>
#include <QObject>

class ClipListViewModel;

/// What the panel lists, as a test or a person debugging sees it from outside: one JSON
/// line per change of the rows, the keyboard selection or the queue marks, with every
/// row's kind, label and marks in display order. It prints what was copied, so it is
/// silent unless asked for with QT_LOGGING_RULES="jotterly.rows.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcRows)

class RowsLog : public QObject
{
    Q_OBJECT

public:
    explicit RowsLog(ClipListViewModel *viewModel, QObject *parent = nullptr);

    /// The line that would be written now, without the category's prefix.
    [[nodiscard]] QByteArray line() const;

private:
    void schedule();

    ClipListViewModel *m_viewModel;
    bool m_scheduled = false;
};
