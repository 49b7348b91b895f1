#include "app/savewatch.h"

#include "store/modelcontext.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcStore, "jotterly.store", QtInfoMsg)

SaveWatch::SaveWatch(ModelContext *context, Scheduler *scheduler, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_scheduler(scheduler)
{
    connect(context, &ModelContext::saveFinished, this, &SaveWatch::saveFinished);
}

void SaveWatch::saveFinished(const QString &error)
{
    if (error.isNull()) {
        if (!m_failing)
            return;
        m_failing = false;
        m_retry.cancel();
        m_retry = {};
        qCInfo(lcStore) << "the history is saved again";
        Q_EMIT failureEnded();
        return;
    }
    m_lastError = error;
    qCWarning(lcStore).noquote() << "could not save the history:" << error << "-" << m_context->pendingChangeCount()
                                 << "changes wait for the next save";
    if (!m_retry.isActive())
        m_retry = m_scheduler->every(retryInterval, this, [this] { retry(); });
    if (m_failing)
        return;
    m_failing = true;
    Q_EMIT failureBegan(tr("jotterly cannot save its history"),
                        tr("%1. New copies are kept in memory and saved as soon as that works again; they are lost "
                           "if jotterly quits before then.")
                            .arg(error));
}

void SaveWatch::retry()
{
    if (m_context && m_context->hasChanges())
        (void)m_context->save();
}

bool SaveWatch::finish()
{
    m_retry.cancel();
    if (m_context)
        m_context->waitForWrites(); // copies on their way to the file get there first
    if (!m_context || !m_context->hasChanges())
        return true;
    const qsizetype pending = m_context->pendingChangeCount();
    const SaveResult result = m_context->saveAndWait();
    if (result.ok())
        return true;
    qCCritical(lcStore).noquote() << pending << "changes to the history could not be saved and are lost:" << result.error;
    return false;
}
