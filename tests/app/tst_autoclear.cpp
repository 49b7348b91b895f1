#include "app/autoclear.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Runs in Europe/Berlin (see the test's environment), where 2026-03-29 has 23 hours
// and 2026-10-25 has 25.
class TestAutoClear : public QObject
{
    Q_OBJECT

    static QDateTime local(int month, int day, int hour, int minute = 0)
    {
        return QDateTime(QDate(2026, month, day), QTime(hour, minute));
    }

private Q_SLOTS:
    void countsWholeLocalDays_data()
    {
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<QDateTime>("to");
        QTest::addColumn<qint64>("days");
        QTest::newRow("same day") << local(6, 1, 8) << local(6, 1, 23) << qint64(0);
        QTest::newRow("over midnight, not a day") << local(6, 1, 23) << local(6, 2, 1) << qint64(0);
        QTest::newRow("exactly one day") << local(6, 1, 10) << local(6, 2, 10) << qint64(1);
        QTest::newRow("spring day of 23 hours") << local(3, 28, 12) << local(3, 29, 12) << qint64(1);
        QTest::newRow("autumn day of 25 hours, 24 in") << local(10, 24, 12) << local(10, 25, 11) << qint64(0);
        QTest::newRow("in the future") << local(6, 9, 10) << local(6, 1, 10) << qint64(-8);
        QTest::newRow("zones do not matter") << QDateTime(QDate(2026, 6, 1), QTime(8, 0), Qt::UTC) << local(6, 2, 10)
                                             << qint64(1);
    }

    void countsWholeLocalDays()
    {
        QFETCH(QDateTime, from);
        QFETCH(QDateTime, to);
        QFETCH(qint64, days);
        QCOMPARE(wholeDaysBetween(from, to), days);
    }

    void decidesWhenToClear_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("daysAgo"); // -1: no last check
        QTest::addColumn<bool>("due");
        QTest::newRow("daily, a day later") << u"daily"_s << 1 << true;
        QTest::newRow("daily, same day") << u"daily"_s << 0 << false;
        QTest::newRow("weekly, six days") << u"weekly"_s << 6 << false;
        QTest::newRow("weekly, seven days") << u"weekly"_s << 7 << true;
        QTest::newRow("daily, first check") << u"daily"_s << -1 << false;
        QTest::newRow("onQuit") << u"onQuit"_s << 30 << false;
        QTest::newRow("case matters") << u"Daily"_s << 30 << false;
    }

    void decidesWhenToClear()
    {
        QFETCH(QString, option);
        QFETCH(int, daysAgo);
        QFETCH(bool, due);
        const QDateTime now = local(6, 15, 12);
        const std::optional<QDateTime> last = daysAgo == -1 ? std::nullopt : std::optional(now.addDays(-daysAgo));
        QCOMPARE(isLaunchClearDue(option, last, now), due);
    }
};

QTEST_GUILESS_MAIN(TestAutoClear)
#include "tst_autoclear.moc"
