#pragma once

// What the QML tests work on: a real history store and preferences in a temporary
// folder, the in-memory clipboard, virtual time, and the view-models and paste queue
// over them, wired as the application wires them.

#include "history/cliplistviewmodel.h"
#include "platform/fakeglobalkeymonitor.h"
#include "platform/fakeloginitem.h"
#include "platform/manualscheduler.h"
#include "platform/mimedatapasteboard.h"
#include "platform/recordingalerts.h"
#include "platform/scheduler.h"
#include "queue/pastequeuemanager.h"
#include "settings/preferencedefaults.h"
#include "settings/preferences.h"
#include "settings/settingsviewmodel.h"
#include "store/historystore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

class PanelFixture : public QObject
{
    Q_OBJECT
    Q_PROPERTY(ClipListViewModel *viewModel READ viewModel NOTIFY changed)
    Q_PROPERTY(PasteQueueManager *queue READ queue NOTIFY changed)
    Q_PROPERTY(SettingsViewModel *settings READ settings NOTIFY changed)

public:
    PanelFixture()
    {
        QString error;
        m_store = createHistoryStore(m_dir.filePath(QStringLiteral("history.sqlite")), &error);
        m_preferences = std::make_unique<Preferences>(m_dir.filePath(QStringLiteral("jotterly.conf")));
        registerPreferenceDefaults(*m_preferences);
        setViewScheduler(&m_scheduler);
        reset();
    }

    ClipListViewModel *viewModel() const { return m_viewModel.get(); }
    PasteQueueManager *queue() const { return m_queue.get(); }
    SettingsViewModel *settings() const { return m_settings.get(); }

    /// An empty history and a fresh view-model and queue.
    Q_INVOKABLE void reset()
    {
        for (const auto &item : m_store->context->fetch({}).items)
            m_store->context->remove(item);
        (void)m_store->context->save();
        m_queue = std::make_unique<PasteQueueManager>(&m_pasteboard, &m_scheduler, &m_keyboard, &m_alerts);
        m_viewModel = std::make_unique<ClipListViewModel>(&m_pasteboard, &m_scheduler);
        m_viewModel->configure(m_store->context.get(), nullptr, *m_preferences);
        connect(m_viewModel.get(), &ClipListViewModel::queueStartRequested, m_queue.get(), &PasteQueueManager::startQueue);
        m_pasteboard.replaceContent({});
        m_clock = 1'700'000'000'000;
        for (const QString &key : {u"historyLimit"_s, u"excludedAppBundleIDs"_s, u"shortcutKeyCode"_s, u"shortcutModifiers"_s,
                                   u"shortcutKeyChar"_s})
            m_preferences->remove(key);
        m_settings = std::make_unique<SettingsViewModel>(m_preferences.get(), &m_loginItem, nullptr);
        Q_EMIT changed();
    }

    /// A text item, newer than every item before it.
    Q_INVOKABLE void addText(const QString &text, bool pinned = false)
    {
        const QByteArray content = text.toUtf8();
        auto item = ClipItem::create(content, ClipContentType::Text, makeTextPreview(text), std::nullopt, std::nullopt,
                                     computeContentHash(ClipContentType::Text, content));
        item->setIsPinned(pinned);
        item->setTimestamp(QDateTime::fromMSecsSinceEpoch(m_clock += 1000, Qt::UTC));
        m_store->context->insert(item);
        (void)m_store->context->save();
        m_viewModel->loadItems();
    }

    Q_INVOKABLE void setDesktopLimits(bool shortcut, bool exclusion) { m_settings->setDesktopLimits(shortcut, exclusion); }
    Q_INVOKABLE void advance(int milliseconds) { m_scheduler.advance(std::chrono::milliseconds(milliseconds)); }
    Q_INVOKABLE int storedCount() const { return int(m_store->context->fetchCount({}).value_or(-1)); }
    Q_INVOKABLE QString clipboardText() const { return m_pasteboard.string(PasteboardType::String).value_or(QString()); }

Q_SIGNALS:
    void changed();

private:
    QTemporaryDir m_dir;
    std::optional<HistoryStore> m_store;
    std::unique_ptr<Preferences> m_preferences;
    MimeDataPasteboard m_pasteboard;
    ManualScheduler m_scheduler;
    FakeGlobalKeyMonitor m_keyboard;
    RecordingAlerts m_alerts;
    std::unique_ptr<PasteQueueManager> m_queue;
    std::unique_ptr<ClipListViewModel> m_viewModel;
    FakeLoginItem m_loginItem;
    std::unique_ptr<SettingsViewModel> m_settings;
    qint64 m_clock = 0;
};
