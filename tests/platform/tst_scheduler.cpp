#include "platform/qtscheduler.h"

#include <QTest>

#include <memory>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

class SchedulerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
