#include "platform/manualscheduler.h"
#include "platform/qtscheduler.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

// Emits when a QtScheduler task runs, so tests can wait for it.
class Probe : public QObject
{
    Q_OBJECT
Q_SIGNALS:
    void fired();
};

class SchedulerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_scheduler = std::make_unique<ManualScheduler>();
        m_log.clear();
    }
    void runsInDueOrder_data();
    void runsInDueOrder();
    void tasksScheduledWhileRunning();
    void repeatingTask();
    void cancel();
    void destroyedContext();
    void qtRunsTasksLater();
    void qtCancelledTasksNeverRun();

private:
    // Returns a task that logs "name@virtual time".
    Scheduler::Task logger(const QString &name)
    {
        return [this, name] { m_log << u"%1@%2"_s.arg(name).arg(m_scheduler->now().count()); };
    }

    std::unique_ptr<ManualScheduler> m_scheduler;
    QStringList m_log;
};

void SchedulerTest::runsInDueOrder_data()
{
    QTest::addColumn<QList<int>>("delays");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("by due time") << QList<int>{30, 10, 20} << QStringList{u"1@10"_s, u"2@20"_s, u"0@30"_s};
    QTest::newRow("ties in scheduling order") << QList<int>{10, 10, 5, 10} << QStringList{u"2@5"_s, u"0@10"_s, u"1@10"_s, u"3@10"_s};
    QTest::newRow("negative as zero") << QList<int>{1, -5, 0} << QStringList{u"1@0"_s, u"2@0"_s, u"0@1"_s};
}

void SchedulerTest::runsInDueOrder()
{
    QFETCH(QList<int>, delays);
    QFETCH(QStringList, expected);

    ManualScheduler scheduler;
    QStringList log;
    for (int id = 0; id < delays.size(); ++id) {
        scheduler.after(std::chrono::milliseconds(delays[id]), nullptr, [&, id] {
            log << u"%1@%2"_s.arg(id).arg(scheduler.now().count());
        });
    }
    scheduler.advance(100ms);
    QCOMPARE(log, expected);
    QCOMPARE(scheduler.now(), 100ms);
    QCOMPARE(scheduler.pendingCount(), 0);
}

void SchedulerTest::tasksScheduledWhileRunning()
{
    m_scheduler->advance(40ms);
    m_scheduler->after(0ms, nullptr, [this] {
        logger(u"a"_s)();
        m_scheduler->after(0ms, nullptr, logger(u"b"_s));
        m_scheduler->after(5ms, nullptr, logger(u"c"_s));
        m_scheduler->after(100ms, nullptr, logger(u"d"_s));
    });
    QVERIFY(m_log.isEmpty()); // never inside the call

    m_scheduler->runPending();
    QCOMPARE(m_log, (QStringList{u"a@40"_s, u"b@40"_s}));
    QCOMPARE(m_scheduler->pendingCount(), 2);

    m_scheduler->advance(50ms);
    QCOMPARE(m_log.last(), u"c@45"_s);
    m_scheduler->advance(49ms);
    QCOMPARE(m_log.size(), 3);
    m_scheduler->advance(1ms);
    QCOMPARE(m_log.last(), u"d@140"_s);
}

void SchedulerTest::repeatingTask()
{
    const auto poll = m_scheduler->every(100ms, nullptr, logger(u"poll"_s));
    m_scheduler->after(200ms, nullptr, logger(u"once"_s));

    m_scheduler->advance(350ms);
    // Re-armed at 100 ms, after "once" was scheduled, so the poll comes second at 200 ms.
    QCOMPARE(m_log, (QStringList{u"poll@100"_s, u"once@200"_s, u"poll@200"_s, u"poll@300"_s}));
    m_scheduler->advance(50ms);
    QCOMPARE(m_log.last(), u"poll@400"_s);
    QVERIFY(poll.isActive());
    QCOMPARE(m_scheduler->pendingCount(), 1);
}

void SchedulerTest::cancel()
{
    const ScheduledTask none;
    QVERIFY(!none.isActive());

    ScheduledTask copy = m_scheduler->after(5ms, nullptr, logger(u"cancelled"_s));
    copy.cancel();
    ScheduledTask repeating;
    repeating = m_scheduler->every(10ms, nullptr, [&] {
        logger(u"r"_s)();
        if (m_log.count(u"r@30"_s) == 1) {
            repeating.cancel();
        }
    });
    ScheduledTask sameTime;
    m_scheduler->after(20ms, nullptr, [&] { sameTime.cancel(); });
    sameTime = m_scheduler->after(20ms, nullptr, logger(u"sameTime"_s));
    ScheduledTask self;
    self = m_scheduler->after(30ms, nullptr, [&] {
        self.cancel();
        logger(u"self"_s)();
    });
    QVERIFY(repeating.isActive());

    m_scheduler->advance(100ms);
    QCOMPARE(m_log, (QStringList{u"r@10"_s, u"r@20"_s, u"self@30"_s, u"r@30"_s}));
    QVERIFY(!repeating.isActive());
    QCOMPARE(m_scheduler->pendingCount(), 0);
}

void SchedulerTest::destroyedContext()
{
    auto context = std::make_unique<QObject>();
    const auto oneShot = m_scheduler->after(50ms, context.get(), logger(u"once"_s));
    const auto repeating = m_scheduler->every(10ms, context.get(), logger(u"poll"_s));
    m_scheduler->after(15ms, nullptr, [&] { context.reset(); });

    m_scheduler->advance(15ms);
    QVERIFY(!oneShot.isActive());
    QVERIFY(!repeating.isActive());
    QCOMPARE(m_scheduler->pendingCount(), 0);
    m_scheduler->advance(100ms);
    QCOMPARE(m_log, QStringList{u"poll@10"_s});
}

void SchedulerTest::qtRunsTasksLater()
{
    QtScheduler scheduler;
    Probe probe;
    QSignalSpy spy(&probe, &Probe::fired);

    // The handle is dropped on purpose: the task must run without it.
    scheduler.after(10ms, &probe, [&] { Q_EMIT probe.fired(); });
    const auto zero = scheduler.after(0ms, &probe, [&] { Q_EMIT probe.fired(); });
    QCOMPARE(spy.count(), 0);
    QVERIFY(zero.isActive());

    QVERIFY(spy.wait());
    QVERIFY(!zero.isActive());
    QTRY_COMPARE(spy.count(), 2);
}

void SchedulerTest::qtCancelledTasksNeverRun()
{
    QtScheduler scheduler;
    Probe probe;
    QSignalSpy done(&probe, &Probe::fired);
    int runs = 0;

    auto cancelled = scheduler.after(0ms, nullptr, [&] { runs += 100; });
    cancelled.cancel();
    auto *context = new QObject;
    const auto orphaned = scheduler.every(1ms, context, [&] { runs += 100; });
    delete context;
    QVERIFY(!orphaned.isActive());
    ScheduledTask self;
    self = scheduler.every(1ms, nullptr, [&] {
        if (++runs == 3) {
            self.cancel();
            // Due well after every other task would have run again.
            scheduler.after(20ms, &probe, [&] { Q_EMIT probe.fired(); });
        }
    });

    QVERIFY(done.wait());
    QCOMPARE(runs, 3);
}

QTEST_GUILESS_MAIN(SchedulerTest)

#include "tst_scheduler.moc"
