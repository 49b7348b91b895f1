#include "capture/clipboardmonitor.h"
#include "platform/qtscheduler.h"
#include "platform/x11/x11pasteboard.h"
#include "platform/x11/x11workspace.h"
#include "settings/preferencedefaults.h"
#include "settings/preferences.h"
#include "store/historystore.h"
#include "support/x11testing.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QGuiApplication>
#include <QImage>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// Copies far larger than usual, sent by the test owner in increments: stored whole,
// with their thumbnails. (bench_x11capture measures how long they hold the main thread.)
class TestX11LargeContent : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::optional<HistoryStore> m_store;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<QtScheduler> m_scheduler;
    std::unique_ptr<X11Pasteboard> m_pasteboard;
    std::unique_ptr<X11Workspace> m_workspace;
    std::unique_ptr<ClipboardMonitor> m_monitor;
    int m_newItemCalls = 0;

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        m_store = createHistoryStore(m_dir.filePath(u"data/history.sqlite"_s), &error);
        QVERIFY2(m_store, qPrintable(error));
        m_preferences = std::make_unique<Preferences>(m_dir.filePath(u"jotterly.conf"_s));
        registerPreferenceDefaults(*m_preferences);
        m_scheduler = std::make_unique<QtScheduler>();
        m_pasteboard = std::make_unique<X11Pasteboard>();
        m_workspace = std::make_unique<X11Workspace>(nullptr);
        m_monitor = std::make_unique<ClipboardMonitor>(m_pasteboard.get(), m_scheduler.get(), m_preferences.get(),
                                                       m_workspace.get());
        m_monitor->setModelContext(m_store->context.get());
        m_monitor->setOnNewItem([this] { ++m_newItemCalls; });
        m_monitor->startMonitoring();
    }

    void storesLargeCopiesWhole_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QSize>("thumbnail");

        QByteArray text(50 << 20, 'x');
        for (qsizetype i = 0; i < text.size(); i += 81)
            text[i] = '\n';
        QTest::newRow("50 MB of text") << u"UTF8_STRING"_s << text << u"text"_s << QSize();

        QImage picture(7300, 5480, QImage::Format_RGB32); // 40 megapixels
        picture.fill(Qt::darkCyan);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "png", 100);
        QTest::newRow("40-megapixel image") << u"image/png"_s << png << u"image"_s << QSize(60, 45);
    }

    void storesLargeCopiesWhole()
    {
        QFETCH(QString, target);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, kind);
        QFETCH(QSize, thumbnail);

        QFile file(m_dir.filePath(u"content"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();

        m_newItemCalls = 0;
        QProcess owner;
        const auto stopOwner = qScopeGuard([&] {
            owner.kill();
            owner.waitForFinished();
        });
        QVERIFY(startTestOwner(owner, {target + u"=@"_s + file.fileName()}));
        const int expectedCalls = thumbnail.isValid() ? 2 : 1;
        QTRY_COMPARE_WITH_TIMEOUT(m_newItemCalls, expectedCalls, 60000);

        const ClipItemPtr item = fetchNewestItem(*m_store->context);
        QCOMPARE(item->contentTypeRaw(), kind);
        QCOMPARE(item->content().size(), bytes.size());
        QCOMPARE(item->contentHash(),
                 QString::fromLatin1(QCryptographicHash::hash(kind.toUtf8() + bytes, QCryptographicHash::Sha256).toHex()));
        if (thumbnail.isValid())
            QCOMPARE(QImage::fromData(item->thumbnailData().value_or(QByteArray())).size(), thumbnail);
    }
};

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "These tests need an X server: run them through scripts/test.sh.\n");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    TestX11LargeContent test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_x11largecontent.moc"
