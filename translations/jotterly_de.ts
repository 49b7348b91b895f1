<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AboutPage</name>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>A searchable clipboard history that lives in your menu bar.</source>
        <translation>Ein durchsuchbarer Zwischenablage-Verlauf in Ihrer Menüleiste.</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Nach Aktualisierungen suchen …</translation>
    </message>
    <message>
        <source>Automatically download updates</source>
        <translation>Aktualisierungen automatisch herunterladen</translation>
    </message>
    <message>
        <source>Jotterly Website</source>
        <translation>Jotterly-Website</translation>
    </message>
    <message>
        <source>Explore More Quillfen</source>
        <translation>Mehr von Quillfen entdecken</translation>
    </message>
</context>
<context>
    <name>AppDelegate</name>
    <message>
        <source>Shortcut Unavailable</source>
        <translation>Tastenkürzel nicht verfügbar</translation>
    </message>
    <message>
        <source>The global shortcut could not be registered. It may conflict with another app or system shortcut. You can change it in Settings.</source>
        <translation>Das globale Tastenkürzel konnte nicht registriert werden. Es kollidiert eventuell mit einem anderen Programm oder einem Systemkürzel. Sie können es in den Einstellungen ändern.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Not everything works on this desktop</source>
        <translation>Auf dieser Arbeitsfläche funktioniert nicht alles</translation>
    </message>
</context>
<context>
    <name>AppPicker</name>
    <message>
        <source>Add App</source>
        <translation>Programm hinzufügen</translation>
    </message>
</context>
<context>
    <name>ClearConfirmation</name>
    <message>
        <source>Clear History?</source>
        <translation>Verlauf leeren?</translation>
    </message>
    <message>
        <source>This will delete all clipboard history except pinned items. This cannot be undone.</source>
        <translation>Damit wird der gesamte Zwischenablage-Verlauf außer den angehefteten Einträgen gelöscht. Das kann nicht rückgängig gemacht werden.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
</context>
<context>
    <name>ClipList</name>
    <message>
        <source>PINNED</source>
        <translation>ANGEHEFTET</translation>
    </message>
    <message>
        <source>HISTORY</source>
        <translation>VERLAUF</translation>
    </message>
</context>
<context>
    <name>ClipListViewModel</name>
    <message>
        <source>The item could not be deleted: %1</source>
        <translation>Der Eintrag konnte nicht gelöscht werden: %1</translation>
    </message>
    <message>
        <source>Changes could not be saved yet: %1</source>
        <translation>Änderungen konnten noch nicht gespeichert werden: %1</translation>
    </message>
</context>
<context>
    <name>ClipRowView</name>
    <message>
        <source>Image</source>
        <translation>Bild</translation>
    </message>
</context>
<context>
    <name>DoneScreen</name>
    <message>
        <source>You&apos;re all set.</source>
        <translation>Alles ist bereit.</translation>
    </message>
    <message>
        <source>Look for the paperclip icon in your menu bar.</source>
        <translation>Suchen Sie das Büroklammer-Symbol in Ihrer Menüleiste.</translation>
    </message>
    <message>
        <source>Click to see your clipboard history</source>
        <translation>Klicken, um den Verlauf zu sehen</translation>
    </message>
    <message>
        <source>Start Using jotterly</source>
        <translation>jotterly verwenden</translation>
    </message>
</context>
<context>
    <name>EmptyState</name>
    <message>
        <source>No results</source>
        <translation>Keine Treffer</translation>
    </message>
    <message>
        <source>No clips yet</source>
        <translation>Noch keine Einträge</translation>
    </message>
    <message>
        <source>Try a different search term</source>
        <translation>Versuchen Sie einen anderen Suchbegriff</translation>
    </message>
    <message>
        <source>Copy something to get started</source>
        <translation>Kopieren Sie etwas, um loszulegen</translation>
    </message>
</context>
<context>
    <name>GeneralPage</name>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>History size</source>
        <translation>Verlaufsgröße</translation>
    </message>
    <message>
        <source>Auto-clear</source>
        <translation>Automatisch leeren</translation>
    </message>
    <message>
        <source>Never</source>
        <translation>Nie</translation>
    </message>
    <message>
        <source>On Quit</source>
        <translation>Beim Beenden</translation>
    </message>
    <message>
        <source>Daily</source>
        <translation>Täglich</translation>
    </message>
    <message>
        <source>Weekly</source>
        <translation>Wöchentlich</translation>
    </message>
    <message>
        <source>Launch at login</source>
        <translation>Autostart</translation>
    </message>
    <message>
        <source>Clear All History...</source>
        <translation>Verlauf leeren …</translation>
    </message>
    <message>
        <source>Shortcut</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Global hotkey</source>
        <translation>Globales Kürzel</translation>
    </message>
    <message>
        <source>Current</source>
        <translation>Aktuell</translation>
    </message>
    <message>
        <source>Press your shortcut to open/close jotterly from any app.</source>
        <translation>Drücken Sie Ihr Kürzel, um jotterly in jedem Programm zu öffnen oder zu schließen.</translation>
    </message>
    <message>
        <source>Privacy</source>
        <translation>Datenschutz</translation>
    </message>
    <message>
        <source>Clipboard changes are ignored when these apps are frontmost.</source>
        <translation>Änderungen der Zwischenablage werden ignoriert, solange diese Programme im Vordergrund sind.</translation>
    </message>
    <message>
        <source>Add App...</source>
        <translation>Programm hinzufügen …</translation>
    </message>
    <message>
        <source>On this desktop the shortcut works only while an X11 app is in front. To open jotterly from any app, bind a key in the desktop&apos;s keyboard settings to the command &quot;jotterly --toggle&quot;.</source>
        <translation>Auf diesem Desktop wirkt das Kürzel nur, solange ein X11-Programm im Vordergrund ist. Um jotterly aus jedem Programm zu öffnen, legen Sie in den Tastatureinstellungen des Desktops eine Taste auf den Befehl „jotterly --toggle“.</translation>
    </message>
    <message>
        <source>On this desktop only X11 apps are recognised: the desktop does not tell which Wayland app is frontmost, so copies from excluded Wayland apps are still recorded.</source>
        <translation>Auf diesem Desktop werden nur X11-Programme erkannt: Der Desktop verrät nicht, welches Wayland-Programm im Vordergrund ist, daher werden Kopien aus ausgeschlossenen Wayland-Programmen trotzdem aufgezeichnet.</translation>
    </message>
    <message>
        <source>This desktop gives apps no global shortcut, so this one does nothing. To open jotterly from any app, bind a key in the desktop&apos;s keyboard settings to the command &quot;jotterly --toggle&quot;.</source>
        <translation>Dieser Desktop gibt Programmen kein globales Kürzel, daher bewirkt dieses nichts. Um jotterly aus jedem Programm zu öffnen, legen Sie in den Tastatureinstellungen des Desktops eine Taste auf den Befehl „jotterly --toggle“.</translation>
    </message>
    <message>
        <source>On this desktop no app is recognised: the desktop does not tell which app is frontmost, so copies from excluded apps are still recorded.</source>
        <translation>Auf diesem Desktop wird kein Programm erkannt: Der Desktop verrät nicht, welches Programm im Vordergrund ist, daher werden Kopien aus ausgeschlossenen Programmen trotzdem aufgezeichnet.</translation>
    </message>
</context>
<context>
    <name>HotkeyRecorder</name>
    <message>
        <source>Click to record shortcut</source>
        <translation>Zum Aufnehmen klicken</translation>
    </message>
    <message>
        <source>Press shortcut...</source>
        <translation>Kürzel drücken …</translation>
    </message>
    <message>
        <source>Key can&apos;t be used</source>
        <translation>Taste nicht verwendbar</translation>
    </message>
</context>
<context>
    <name>MessageBoxAlerts</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>PanelFooter</name>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Quit jotterly</source>
        <translation>jotterly beenden</translation>
    </message>
</context>
<context>
    <name>PasteQueueManager</name>
    <message>
        <source>Input Monitoring Required</source>
        <translation>Tastaturüberwachung erforderlich</translation>
    </message>
    <message>
        <source>Jotterly needs Input Monitoring permission to detect ⌘V for paste queue. Grant access in System Settings → Privacy &amp; Security → Input Monitoring, then try again.</source>
        <translation>Jotterly braucht die Berechtigung zur Tastaturüberwachung, um ⌘V für die Einfüge-Warteschlange zu erkennen. Erlauben Sie den Zugriff in den Systemeinstellungen → Datenschutz &amp; Sicherheit → Tastaturüberwachung und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>PlatformServices</name>
    <message>
        <source>This desktop lets no clipboard tool watch the clipboard, so copies made in Wayland applications are recorded only when the desktop passes them on to X11 applications.</source>
        <translation>Diese Arbeitsfläche lässt kein Zwischenablage-Werkzeug die Zwischenablage beobachten; Kopien aus Wayland-Anwendungen werden daher nur erfasst, wenn die Arbeitsfläche sie an X11-Anwendungen weitergibt.</translation>
    </message>
    <message>
        <source>This desktop does not tell which Wayland window is active, so excluded applications are recognised only among X11 applications.</source>
        <translation>Diese Arbeitsfläche verrät nicht, welches Wayland-Fenster aktiv ist; ausgeschlossene Anwendungen werden daher nur unter X11-Anwendungen erkannt.</translation>
    </message>
    <message>
        <source>This desktop has no global shortcut service, so the shortcut works only while an X11 window has the keyboard. Bind a key to &quot;jotterly --toggle&quot; in the desktop&apos;s keyboard settings instead.</source>
        <translation>Diese Arbeitsfläche hat keinen Dienst für globale Tastenkürzel; das Tastenkürzel wirkt daher nur, solange ein X11-Fenster die Tastatur hat. Legen Sie stattdessen in den Tastatureinstellungen der Arbeitsfläche eine Taste auf „jotterly --toggle“.</translation>
    </message>
    <message>
        <source>The clipboard of this desktop could not be watched, so no copies are recorded.</source>
        <translation>Die Zwischenablage dieser Arbeitsfläche lässt sich nicht beobachten; es werden daher keine Kopien erfasst.</translation>
    </message>
    <message>
        <source>This desktop does not tell which window is active, so excluded applications are not recognised: their copies are recorded too.</source>
        <translation>Diese Arbeitsfläche verrät nicht, welches Fenster aktiv ist; ausgeschlossene Anwendungen werden daher nicht erkannt, und auch ihre Kopien werden erfasst.</translation>
    </message>
    <message>
        <source>This desktop has no global shortcut service, so jotterly&apos;s shortcut does nothing. Bind a key to &quot;jotterly --toggle&quot; in the desktop&apos;s keyboard settings instead.</source>
        <translation>Diese Arbeitsfläche hat keinen Dienst für globale Tastenkürzel; das Tastenkürzel von jotterly bewirkt daher nichts. Legen Sie stattdessen in den Tastatureinstellungen der Arbeitsfläche eine Taste auf „jotterly --toggle“.</translation>
    </message>
</context>
<context>
    <name>PortalHotkeyService</name>
    <message>
        <source>Open the clipboard history</source>
        <translation>Verlauf der Zwischenablage öffnen</translation>
    </message>
</context>
<context>
    <name>QueueBar</name>
    <message>
        <source>Pasting %1/%2</source>
        <translation>Einfügen %1/%2</translation>
    </message>
    <message numerus="yes">
        <source>%n selected</source>
        <translation>
            <numerusform>%n ausgewählt</numerusform>
            <numerusform>%n ausgewählt</numerusform>
        </translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>Start Queue</source>
        <translation>Warteschlange starten</translation>
    </message>
    <message>
        <source>Another clipboard tool reads every copy, so pastes may go unseen: press Next if the queue does not move on.</source>
        <translation>Ein anderes Zwischenablage-Werkzeug liest jede Kopie, daher kann ein Einfügen unbemerkt bleiben: Drücken Sie „Weiter“, wenn die Warteschlange nicht weitergeht.</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Weiter</translation>
    </message>
</context>
<context>
    <name>RowFormat</name>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Rich Text</source>
        <translation>Formatierter Text</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Bild</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>URL</source>
        <translation>URL</translation>
    </message>
</context>
<context>
    <name>RowMenu</name>
    <message>
        <source>Unpin</source>
        <translation>Lösen</translation>
    </message>
    <message>
        <source>Pin</source>
        <translation>Anheften</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
</context>
<context>
    <name>RowPreview</name>
    <message>
        <source>Type</source>
        <translation>Art</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Kopiert</translation>
    </message>
    <message>
        <source>Pinned</source>
        <translation>Angeheftet</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>%1:</source>
        <translation>%1:</translation>
    </message>
</context>
<context>
    <name>SaveWatch</name>
    <message>
        <source>jotterly cannot save its history</source>
        <translation>jotterly kann seinen Verlauf nicht speichern</translation>
    </message>
    <message>
        <source>%1. New copies are kept in memory and saved as soon as that works again; they are lost if jotterly quits before then.</source>
        <translation>%1. Neue Kopien bleiben im Arbeitsspeicher und werden gespeichert, sobald das wieder möglich ist; sie gehen verloren, wenn jotterly vorher beendet wird.</translation>
    </message>
</context>
<context>
    <name>SearchBar</name>
    <message>
        <source>Search clips...</source>
        <translation>Einträge suchen …</translation>
    </message>
</context>
<context>
    <name>SecondaryWindows</name>
    <message>
        <source>jotterly Settings</source>
        <translation>jotterly-Einstellungen</translation>
    </message>
    <message>
        <source>Welcome to jotterly</source>
        <translation>Willkommen bei jotterly</translation>
    </message>
</context>
<context>
    <name>SettingsTabBar</name>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
</context>
<context>
    <name>SettingsViewModel</name>
    <message>
        <source>The history could not be cleared: %1</source>
        <translation>Der Verlauf konnte nicht geleert werden: %1</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>cannot create the folder %1 for its lock: %2</source>
        <translation>der Ordner %1 für die Sperre kann nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>cannot use the runtime folder %1: %2</source>
        <translation>der Laufzeitordner %1 kann nicht verwendet werden: %2</translation>
    </message>
    <message>
        <source>remove it, or set XDG_RUNTIME_DIR to a folder of your own</source>
        <translation>entfernen Sie ihn oder setzen Sie XDG_RUNTIME_DIR auf einen eigenen Ordner</translation>
    </message>
    <message>
        <source>%1 is not a folder; %2</source>
        <translation>%1 ist kein Ordner; %2</translation>
    </message>
    <message>
        <source>the runtime folder %1 belongs to another user (uid %2); %3</source>
        <translation>der Laufzeitordner %1 gehört einem anderen Benutzer (uid %2); %3</translation>
    </message>
    <message>
        <source>other users may write to the runtime folder %1 (mode %2); it must be private (mode 0700)</source>
        <translation>andere Benutzer dürfen in den Laufzeitordner %1 schreiben (Modus %2); er muss privat sein (Modus 0700)</translation>
    </message>
    <message>
        <source>another jotterly (process %1) holds %2 but does not answer</source>
        <translation>ein anderes jotterly (Prozess %1) hält %2, antwortet aber nicht</translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation>Zugriff verweigert</translation>
    </message>
    <message>
        <source>unknown error</source>
        <translation>unbekannter Fehler</translation>
    </message>
    <message>
        <source>cannot create the lock file %1: %2</source>
        <translation>die Sperrdatei %1 kann nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>%1 is in the way of jotterly&apos;s socket; remove it</source>
        <translation>%1 blockiert den Socket von jotterly; entfernen Sie es</translation>
    </message>
    <message>
        <source>cannot listen on %1: %2</source>
        <translation>auf %1 kann nicht gelauscht werden: %2</translation>
    </message>
</context>
<context>
    <name>StandardUserDriver</name>
    <message>
        <source>This app</source>
        <translation>Dieses Programm</translation>
    </message>
    <message>
        <source>You&apos;re up to date!</source>
        <translation>Sie sind auf dem neuesten Stand!</translation>
    </message>
    <message>
        <source>%1 %2 is the latest version.</source>
        <translation>%1 %2 ist die neueste Version.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>A new version of %1 is available!</source>
        <translation>Eine neue Version von %1 ist verfügbar!</translation>
    </message>
    <message>
        <source>%1 %2 is now available; you have %3. Would you like to download it?</source>
        <translation>%1 %2 ist jetzt verfügbar; Sie haben %3. Möchten Sie es herunterladen?</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <source>Release Notes</source>
        <translation>Versionshinweise</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Später</translation>
    </message>
    <message>
        <source>Update Error!</source>
        <translation>Aktualisierungsfehler!</translation>
    </message>
    <message>
        <source>%1 could not read its update information. Please try again later.</source>
        <translation>%1 konnte seine Aktualisierungsinformationen nicht lesen. Bitte versuchen Sie es später erneut.</translation>
    </message>
</context>
<context>
    <name>TooLargeNotice</name>
    <message>
        <source>A copy was not kept</source>
        <translation>Eine Kopie wurde nicht behalten</translation>
    </message>
    <message>
        <source>What you copied is larger than %1, more than jotterly keeps. Everything else is recorded as usual.</source>
        <translation>Was Sie kopiert haben, ist größer als %1 und damit mehr, als jotterly behält. Alles andere wird wie gewohnt aufgezeichnet.</translation>
    </message>
</context>
<context>
    <name>TrayItem</name>
    <message>
        <source>jotterly - Paste Queue Active</source>
        <translation>jotterly – Einfüge-Warteschlange aktiv</translation>
    </message>
</context>
<context>
    <name>WelcomeScreen</name>
    <message>
        <source>Welcome to jotterly</source>
        <translation>Willkommen bei jotterly</translation>
    </message>
    <message>
        <source>Everything you copy is saved automatically. Never lose a snippet again.</source>
        <translation>Alles, was Sie kopieren, wird automatisch gespeichert. Nie wieder geht ein Schnipsel verloren.</translation>
    </message>
    <message>
        <source>Pin important items so they stay at the top of your clipboard history.</source>
        <translation>Heften Sie wichtige Einträge an, damit sie oben in Ihrem Zwischenablage-Verlauf bleiben.</translation>
    </message>
    <message>
        <source>Open your clipboard history instantly with a global keyboard shortcut.</source>
        <translation>Öffnen Sie Ihren Zwischenablage-Verlauf sofort mit einem globalen Tastenkürzel.</translation>
    </message>
    <message>
        <source>Get Started</source>
        <translation>Los geht’s</translation>
    </message>
</context>
</TS>
