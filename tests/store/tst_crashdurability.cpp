#include "store/historystore.h"
#include "support/storetesting.h"

#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// A process killed with SIGKILL while it saves leaves a store that opens, passes
// SQLite's integrity check and holds every item whose save had returned.
class TestCrashDurability : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killedWhileSavingLosesNothingSaved()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"jotterly/history.sqlite"_s);
        QSet<QString> saved;

        for (int round = 0; round < 4; ++round) {
            QProcess writer;
            writer.start(QStringLiteral(CRASHWRITER_PATH), {path, u"r%1-"_s.arg(round)});
            QVERIFY(writer.waitForStarted());

            // Kill at a different moment each round, mid-stream.
            const int killAfter = 15 + round * 23;
            QByteArray output;
            while (output.count('\n') < killAfter) {
                QVERIFY2(writer.waitForReadyRead(20000), qPrintable(QString::fromLocal8Bit(writer.readAllStandardError())));
                output += writer.readAllStandardOutput();
            }
            writer.kill();
            QVERIFY(writer.waitForFinished());
            output += writer.readAllStandardOutput();
            for (const QByteArray &line : output.split('\n')) {
                if (!line.isEmpty())
                    saved.insert(QString::fromUtf8(line));
            }

            QCOMPARE(DiskView(path).column(u"PRAGMA integrity_check"_s), QStringList{u"ok"_s});
            QString error;
            auto store = createHistoryStore(path, &error);
            QVERIFY2(store, qPrintable(error));
            QSet<QString> present;
            for (const auto &item : store->context->fetch({}).items)
                present.insert(item->textPreviewOrEmpty());
            QVERIFY2(present.contains(saved), qPrintable(u"%1 saved items, %2 present"_s.arg(saved.size()).arg(present.size())));
        }
    }
};

QTEST_GUILESS_MAIN(TestCrashDurability)
#include "tst_crashdurability.moc"
