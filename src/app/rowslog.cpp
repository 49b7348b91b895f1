#include "app/rowslog.h"

#include "history/cliplistmodel.h"
#include "history/cliplistviewmodel.h"
#include "history/rowformat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcRows, "jotterly.rows", QtInfoMsg)

RowsLog::RowsLog(ClipListViewModel *viewModel, QObject *parent)
    : QObject(parent)
    , m_viewModel(viewModel)
{
    if (!lcRows().isDebugEnabled())
        return;
    ClipListModel *rows = viewModel->displayedRows();
    connect(rows, &QAbstractItemModel::modelReset, this, &RowsLog::schedule);
    connect(rows, &QAbstractItemModel::rowsInserted, this, &RowsLog::schedule);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, &RowsLog::schedule);
    connect(rows, &QAbstractItemModel::rowsMoved, this, &RowsLog::schedule);
    connect(rows, &QAbstractItemModel::dataChanged, this, &RowsLog::schedule);
    connect(viewModel, &ClipListViewModel::selectedItemIDChanged, this, &RowsLog::schedule);
    connect(viewModel, &ClipListViewModel::selectedForQueueChanged, this, &RowsLog::schedule);
    schedule();
}

QByteArray RowsLog::line() const
{
    QJsonArray rows;
    for (const ClipItemPtr &item : m_viewModel->displayedItems()) {
        rows.append(QJsonObject{
            {u"kind"_s, typeName(item->contentType())},
            {u"label"_s, rowLabelText(item->textPreview())},
            {u"pinned"_s, item->isPinned()},
            {u"queued"_s, m_viewModel->isSelectedForQueue(item->id())},
        });
    }
    const QJsonObject state{{u"selected"_s, m_viewModel->selectedRow()}, {u"rows"_s, rows}};
    return QJsonDocument(state).toJson(QJsonDocument::Compact);
}

// Several changes in one turn of the event loop (a reload resets two lists) make one line.
void RowsLog::schedule()
{
    if (m_scheduled)
        return;
    m_scheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_scheduled = false;
        qCDebug(lcRows).noquote() << "rows" << QString::fromUtf8(line());
    });
}
