#include "platform/manualscheduler.h"
#include "platform/qtscheduler.h"

#include <QTest>

#include <memory>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

class SchedulerTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ManualScheduler> m_scheduler;
    QStringList m_log;

    // A task that logs "name@virtual time".
    Scheduler::Task logger(const QString &name)
    {
        return [this, name] { m_log << u"%1@%2"_s.arg(name).arg(m_scheduler->now().count()); };
    }

private Q_SLOTS:
    void init() { m_scheduler = std::make_unique<ManualScheduler>(); m_log.clear(); }

    void runsInDueOrder_data()
    {
        QTest::addColumn<QList<int>>("delays");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("by due time") << QList<int>{30, 10, 20} << QStringList{u"1@10"_s, u"2@20"_s, u"0@30"_s};
        QTest::newRow("ties in scheduling order") << QList<int>{10, 10, 5, 10} << QStringList{u"2@5"_s, u"0@10"_s, u"1@10"_s, u"3@10"_s};
        QTest::newRow("negative as zero") << QList<int>{1, -5, 0} << QStringList{u"1@0"_s, u"2@0"_s, u"0@1"_s};
    }
    void runsInDueOrder()
    {
        QFETCH(QList<int>, delays);
        QFETCH(QStringList, expected);
        for (int id = 0; id < delays.size(); ++id)
            m_scheduler->after(std::chrono::milliseconds(delays[id]), nullptr, logger(QString::number(id)));
        m_scheduler->advance(100ms);
        QCOMPARE(m_log, expected);
    }

    void tasksScheduledWhileRunning()
    {
        m_scheduler->advance(40ms); // delays count from now, not from zero
        m_scheduler->after(0ms, nullptr, [this] {
            logger(u"a"_s)();
            m_scheduler->after(0ms, nullptr, logger(u"b"_s));
            m_scheduler->after(5ms, nullptr, logger(u"c"_s));
            m_scheduler->after(100ms, nullptr, logger(u"d"_s));
        });
        QVERIFY(m_log.isEmpty()); // never inside the call
        m_scheduler->runPending();
        QCOMPARE(m_log, (QStringList{u"a@40"_s, u"b@40"_s}));
        m_scheduler->advance(99ms);
        QCOMPARE(m_log.last(), u"c@45"_s);
        m_scheduler->advance(1ms);
        QCOMPARE(m_log.last(), u"d@140"_s);
    }

    void repeatingTask()
    {
        const auto poll = m_scheduler->every(100ms, nullptr, logger(u"poll"_s));
        m_scheduler->after(200ms, nullptr, logger(u"once"_s));
        m_scheduler->advance(350ms);
        // Re-armed at 100 ms, after "once" was scheduled, so the poll comes second at 200 ms.
        QCOMPARE(m_log, (QStringList{u"poll@100"_s, u"once@200"_s, u"poll@200"_s, u"poll@300"_s}));
        QVERIFY(poll.isActive());
    }

    void cancel()
    {
        m_scheduler->after(5ms, nullptr, logger(u"cancelled"_s)).cancel();
        ScheduledTask repeating = m_scheduler->every(10ms, nullptr, [&] {
            logger(u"r"_s)();
            if (m_log.size() == 3)
                repeating.cancel(); // from inside itself
        });
        ScheduledTask sameTime;
        m_scheduler->after(20ms, nullptr, [&] { sameTime.cancel(); });
        sameTime = m_scheduler->after(20ms, nullptr, logger(u"sameTime"_s));
        m_scheduler->advance(100ms);
        QCOMPARE(m_log, (QStringList{u"r@10"_s, u"r@20"_s, u"r@30"_s}));
        QCOMPARE(m_scheduler->pendingCount(), 0);
    }

    void destroyedContext()
    {
        auto context = std::make_unique<QObject>();
        const auto oneShot = m_scheduler->after(50ms, context.get(), logger(u"once"_s));
        const auto repeating = m_scheduler->every(10ms, context.get(), logger(u"poll"_s));
        m_scheduler->after(15ms, nullptr, [&] { context.reset(); });
        m_scheduler->advance(100ms);
        QVERIFY(!oneShot.isActive());
        QVERIFY(!repeating.isActive());
        QCOMPARE(m_log, QStringList{u"poll@10"_s});
    }

    void qtCancelledTasksNeverRun()
    {
        QtScheduler scheduler;
        int runs = 0;
        bool done = false;
        scheduler.after(0ms, nullptr, [&] { runs += 100; }).cancel();
        auto context = std::make_unique<QObject>();
        const auto orphaned = scheduler.every(1ms, context.get(), [&] { runs += 100; });
        context.reset();
        QVERIFY(!orphaned.isActive());
        ScheduledTask self = scheduler.every(1ms, nullptr, [&] {
            if (++runs == 3) {
                self.cancel();
                scheduler.after(20ms, nullptr, [&] { done = true; }); // well after another repeat
            }
        });
        QTRY_VERIFY(done);
        QCOMPARE(runs, 3);
    }
};

QTEST_GUILESS_MAIN(SchedulerTest)

#include "tst_scheduler.moc"
