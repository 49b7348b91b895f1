#include "app/commandline.h"

#include "platform/autostartloginitem.h"
#include "settings/preferences.h"
#include "store/historystore.h"

#include <QString>

#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// Where the lock lives, without asking Qt, which creates a fallback folder when
// XDG_RUNTIME_DIR is not set: the help must leave no trace.
QString runtimeFolderText()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.isEmpty() ? u"jotterly.lock and jotterly.socket, in a private folder under /tmp (XDG_RUNTIME_DIR is not set)"_s
                             : runtime + u"/jotterly.lock and jotterly.socket"_s;
}

QString helpText()
{
    return uR"(jotterly %1: a clipboard history for the Linux desktop (X11 and Wayland)

jotterly runs in the background with an icon in the system tray. It keeps everything
you copy (text, rich text, images, files and links) and gives it back from a
searchable panel: click the tray icon or press Alt+Shift+V (or the shortcut chosen in
the settings) in any application, pick an item, and it is on the clipboard again.
Starting jotterly while it runs opens the running one's panel.

Usage: jotterly [--toggle | --show] [--help] [--version]

  --toggle       Open the running jotterly's panel, or close it when it is open; bind
                 this to a key in a Wayland compositor without a global shortcut
                 service. Starts jotterly, panel open, when none runs.
  --show         Open the running jotterly's panel (an open one stays open).
  -h, --help     Show this text and leave.
  -v, --version  Show the version and leave.

In the panel: type to search; Down, Up and Return, Ctrl+1 to Ctrl+9 or a click put
an item back on the clipboard; right-click a row to pin or delete it; Ctrl+click rows
and press "Start Queue" to paste them one per paste (Ctrl+V, Ctrl+Shift+V or
Shift+Insert); Escape closes the panel.

Files:
  History    %2
  Settings   %3
  Autostart  %4 (present while "Launch at login" is on)
  Lock       %5

jotterly stops on SIGTERM or SIGINT (Ctrl+C) after its usual shutdown, which clears
the unpinned history if "Auto-clear" is set to on quit. More in jotterly(1).
)"_s.arg(QStringLiteral(JOTTERLY_VERSION), defaultHistoryStorePath(), Preferences::defaultFilePath(),
         AutostartLoginItem::defaultEntryPath(), runtimeFolderText());
}

} // namespace

std::optional<int> answerCommandLine(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
        if (std::strcmp(argument, "--") == 0)
            break;
        if (std::strcmp(argument, "-h") == 0 || std::strcmp(argument, "--help") == 0) {
            std::fputs(helpText().toUtf8().constData(), stdout);
            return EXIT_SUCCESS;
        }
        if (std::strcmp(argument, "-v") == 0 || std::strcmp(argument, "--version") == 0) {
            std::printf("jotterly %s\n", JOTTERLY_VERSION);
            return EXIT_SUCCESS;
        }
    }
    return std::nullopt;
}

SingleInstance::Request requestForRunningInstance(int argc, char *argv[])
{
    SingleInstance::Request request = SingleInstance::Request::Activate;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            break;
        if (std::strcmp(argv[i], "--toggle") == 0)
            request = SingleInstance::Request::Toggle;
        else if (std::strcmp(argv[i], "--show") == 0)
            request = SingleInstance::Request::Show;
    }
    return request;
}
