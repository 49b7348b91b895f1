#pragma once

#include "platform/scheduler.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>

class ModelContext;

/// Watches every save of the history. A save that fails keeps its changes pending in the
/// context; this logs each failure with its reason, tells the user once per run of
/// failures (not once per copy), tries the pending changes again on a timer until a save
/// succeeds, and writes them a last time at quit. Lives on the main thread.
class SaveWatch : public QObject
{
    Q_OBJECT

public:
    /// How often pending changes are tried again while saving fails.
    static constexpr std::chrono::milliseconds retryInterval{30000};

    SaveWatch(ModelContext *context, Scheduler *scheduler, QObject *parent = nullptr);

    /// Whether the last save failed and none has succeeded since.
    [[nodiscard]] bool isFailing() const { return m_failing; }
    /// Why the last failed save failed.
    [[nodiscard]] QString lastError() const { return m_lastError; }

    /// At quit: writes what is still pending. False, with the loss logged, when it cannot.
    bool finish();

Q_SIGNALS:
    /// Saving started failing: say so to the user. Once until saving works again.
    void failureBegan(const QString &title, const QString &message);
    /// A save succeeded after failures.
    void failureEnded();

private:
    void saveFinished(const QString &error);
    void retry();

    QPointer<ModelContext> m_context;
    Scheduler *m_scheduler;
    ScheduledTask m_retry;
    bool m_failing = false;
    QString m_lastError;
};
