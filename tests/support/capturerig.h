#pragma once

// A real history store and preference file in a folder, the in-memory clipboard, virtual
// time and a clipboard monitor over them: what the capture, list, queue and store-fault
// tests work on.

#include "capture/clipboardmonitor.h"
#include "platform/fakeworkspace.h"
#include "platform/manualscheduler.h"
#include "platform/mimedatapasteboard.h"
#include "settings/preferencedefaults.h"
#include "settings/preferences.h"
#include "store/historystore.h"
#include "support/storetesting.h"

#include <QStringList>
#include <QTemporaryDir>

struct CaptureRig {
    /// In `folder`, or in a temporary folder of its own when none is given.
    explicit CaptureRig(const QString &folder = {})
        : path(folder.isEmpty() ? ownFolder.path() : folder)
        , store(createHistoryStore(path + QStringLiteral("/history.sqlite"), &error))
        , preferences(path + QStringLiteral("/jotterly.conf"))
    {
        registerPreferenceDefaults(preferences);
        if (store)
            monitor.setModelContext(store->context.get());
    }

    void copyText(const QString &text) { pasteboard.replaceContent({{QStringLiteral("UTF8_STRING"), text.toUtf8()}}); }

    /// The previews the store lists, newest first, once the copies handed to the store's
    /// writer are settled.
    QStringList stored() const
    {
        store->context->waitForWrites();
        return previewsOf(store->context->fetch({}).items);
    }

    QTemporaryDir ownFolder;
    QString path;
    QString error;
    std::optional<HistoryStore> store;
    Preferences preferences;
    MimeDataPasteboard pasteboard;
    ManualScheduler scheduler;
    FakeWorkspace workspace;
    ClipboardMonitor monitor{&pasteboard, &scheduler, &preferences, &workspace};
};
