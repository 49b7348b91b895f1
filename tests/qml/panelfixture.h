#pragma once

// What the QML tests work on: the capture tests' store, preferences, in-memory clipboard
// and virtual time, and the view-models and paste queue over them, wired as the
// application wires them.

#include "history/cliplistviewmodel.h"
#include "platform/fakeglobalkeymonitor.h"
#include "platform/fakeloginitem.h"
#include "platform/recordingalerts.h"
#include "platform/scheduler.h"
#include "queue/pastequeuemanager.h"
#include "settings/settingsviewmodel.h"
#include "support/capturerig.h"
#include "support/storetesting.h"

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
        setViewScheduler(&m_rig.scheduler);
        reset();
    }

    ClipListViewModel *viewModel() const { return m_viewModel.get(); }
    PasteQueueManager *queue() const { return m_queue.get(); }
    SettingsViewModel *settings() const { return m_settings.get(); }

    /// An empty history and a fresh view-model and queue.
    Q_INVOKABLE void reset()
    {
        for (const auto &item : m_rig.store->context->fetch({}).items)
            m_rig.store->context->remove(item);
        (void)m_rig.store->context->save();
        m_queue = std::make_unique<PasteQueueManager>(&m_rig.pasteboard, &m_rig.scheduler, &m_keyboard, &m_alerts);
        m_viewModel = std::make_unique<ClipListViewModel>(&m_rig.pasteboard, &m_rig.scheduler);
        m_viewModel->configure(m_rig.store->context.get(), nullptr, m_rig.preferences);
        connect(m_viewModel.get(), &ClipListViewModel::queueStartRequested, m_queue.get(), &PasteQueueManager::startQueue);
        m_rig.pasteboard.replaceContent({});
        m_clock = 1'700'000'000'000;
        for (const QString &key : {u"historyLimit"_s, u"excludedAppBundleIDs"_s, u"shortcutKeyCode"_s, u"shortcutModifiers"_s,
                                   u"shortcutKeyChar"_s})
            m_rig.preferences.remove(key);
        m_settings = std::make_unique<SettingsViewModel>(&m_rig.preferences, &m_loginItem, nullptr);
        Q_EMIT changed();
    }

    /// A text item, newer than every item before it.
    Q_INVOKABLE void addText(const QString &text, bool pinned = false)
    {
        m_rig.store->context->insert(makeTextItem(text, m_clock += 1000, pinned));
        (void)m_rig.store->context->save();
        m_viewModel->loadItems();
    }

    Q_INVOKABLE void setDesktopLimits(bool shortcut, bool exclusion, bool noShortcut = false, bool noExclusion = false)
    {
        m_settings->setDesktopLimits({shortcut, exclusion, noShortcut, noExclusion});
    }
    Q_INVOKABLE void advance(int milliseconds) { m_rig.scheduler.advance(std::chrono::milliseconds(milliseconds)); }
    Q_INVOKABLE QString clipboardText() const { return m_rig.pasteboard.string(PasteboardType::String).value_or(QString()); }

Q_SIGNALS:
    void changed();

private:
    CaptureRig m_rig;
    FakeGlobalKeyMonitor m_keyboard;
    RecordingAlerts m_alerts;
    std::unique_ptr<PasteQueueManager> m_queue;
    std::unique_ptr<ClipListViewModel> m_viewModel;
    FakeLoginItem m_loginItem;
    std::unique_ptr<SettingsViewModel> m_settings;
    qint64 m_clock = 0;
};
