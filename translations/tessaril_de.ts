<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>DlgText</name>
    <message>
        <source>&amp;Not automatically</source>
        <translation>&amp;Nicht automatisch</translation>
    </message>
    <message>
        <source>&amp;Daily at</source>
        <translation>&amp;Täglich um</translation>
    </message>
    <message>
        <source>&amp;Weekly on</source>
        <translation>&amp;Wöchentlich am</translation>
    </message>
    <message>
        <source>When the device is &amp;plugged in</source>
        <translation>Wenn das Gerät &amp;angeschlossen wird</translation>
    </message>
    <message>
        <source>Run automatically</source>
        <translation>Automatisch ausführen</translation>
    </message>
    <message>
        <source>at</source>
        <translation>um</translation>
    </message>
    <message>
        <source>The task does not run automatically.</source>
        <translation>Der Auftrag wird nicht automatisch ausgeführt.</translation>
    </message>
    <message>
        <source>The task runs %1.</source>
        <translation>Der Auftrag läuft %1.</translation>
    </message>
    <message>
        <source> and </source>
        <translation> und </translation>
    </message>
    <message>
        <source>The schedule could not be changed:</source>
        <translation>Der Zeitplan konnte nicht geändert werden:</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Bestätigen</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Ja</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Nein</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Retry</source>
        <translation>&amp;Wiederholen</translation>
    </message>
    <message>
        <source>Desktop</source>
        <translation>Schreibtisch</translation>
    </message>
    <message>
        <source>Documents</source>
        <translation>Dokumente</translation>
    </message>
    <message>
        <source>Computer</source>
        <translation>Computer</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>Netzwerk</translation>
    </message>
    <message>
        <source>D&amp;irectory:</source>
        <translation>&amp;Verzeichnis:</translation>
    </message>
    <message>
        <source>&amp;Show files</source>
        <translation>&amp;Dateien anzeigen</translation>
    </message>
    <message>
        <source>Create new folder</source>
        <translation>Neuen Ordner anlegen</translation>
    </message>
    <message>
        <source>One folder up</source>
        <translation>Einen Ordner nach oben</translation>
    </message>
    <message>
        <source>Directory</source>
        <translation>Verzeichnis</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Create folder</source>
        <translation>Ordner anlegen</translation>
    </message>
    <message>
        <source>Delete folder</source>
        <translation>Ordner löschen</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Default: </source>
        <translation>Standard: </translation>
    </message>
    <message>
        <source>Directory not found:<byte value="xd"/>
%1!</source>
        <translation>Verzeichnis nicht gefunden:<byte value="xd"/>
%1!</translation>
    </message>
    <message>
        <source>New subdirectory:</source>
        <translation>Neues Unterverzeichnis:</translation>
    </message>
    <message>
        <source>Could not create directory:<byte value="xd"/>
%1!</source>
        <translation>Verzeichnis konnte nicht angelegt werden:<byte value="xd"/>
%1!</translation>
    </message>
    <message>
        <source>Delete directory</source>
        <translation>Verzeichnis löschen</translation>
    </message>
    <message>
        <source>Delete &quot;%1&quot;</source>
        <translation>„%1“ löschen</translation>
    </message>
    <message>
        <source>Definitely</source>
        <translation>Endgültig</translation>
    </message>
    <message>
        <source>To recycle bin</source>
        <translation>In den Papierkorb</translation>
    </message>
    <message>
        <source>Error deleting directory:<byte value="xd"/>
%1!</source>
        <translation>Fehler beim Löschen des Verzeichnisses:<byte value="xd"/>
%1!</translation>
    </message>
    <message>
        <source>%1 moved to Recycle Bin!</source>
        <translation>%1 in den Papierkorb verschoben!</translation>
    </message>
    <message>
        <source>%1 directories with %2 files deleted!</source>
        <translation>%1 Verzeichnisse mit %2 Dateien gelöscht!</translation>
    </message>
    <message>
        <source>A&amp;ll</source>
        <translation>A&amp;lle</translation>
    </message>
    <message>
        <source>All &amp;matching</source>
        <translation>Alle &amp;passenden</translation>
    </message>
    <message>
        <source>All &amp;not matching</source>
        <translation>Alle &amp;nicht passenden</translation>
    </message>
    <message>
        <source>&amp;Filter expressions:</source>
        <translation>&amp;Filterausdrücke:</translation>
    </message>
    <message>
        <source>Evaluate multiple expressions by</source>
        <translation>Mehrere Ausdrücke auswerten mit</translation>
    </message>
    <message>
        <source>&amp;OR operation</source>
        <translation>&amp;ODER-Verknüpfung</translation>
    </message>
    <message>
        <source>AN&amp;D operation</source>
        <translation>&amp;UND-Verknüpfung</translation>
    </message>
    <message>
        <source>&amp;Edit expressions</source>
        <translation>Ausdrücke &amp;bearbeiten</translation>
    </message>
    <message>
        <source>Use &amp;regular expressions</source>
        <translation>&amp;Reguläre Ausdrücke verwenden</translation>
    </message>
    <message>
        <source>Text filter dialog</source>
        <translation>Textfilter</translation>
    </message>
    <message>
        <source>Filter expressions:</source>
        <translation>Filterausdrücke:</translation>
    </message>
    <message>
        <source>Invalid filter mask!<byte value="xd"/>
Should resemble %1 or %2</source>
        <translation>Ungültige Filtermaske!<byte value="xd"/>
Sollte %1 oder %2 ähneln</translation>
    </message>
    <message>
        <source>No Trash folder could be set up</source>
        <translation>Es konnte kein Papierkorb eingerichtet werden</translation>
    </message>
    <message>
        <source>%1 free of %2</source>
        <translation>%1 frei von %2</translation>
    </message>
    <message>
        <source>Edit text</source>
        <translation>Text bearbeiten</translation>
    </message>
    <message>
        <source>Edit items</source>
        <translation>Einträge bearbeiten</translation>
    </message>
    <message>
        <source>Move item</source>
        <translation>Eintrag verschieben</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Entfernen</translation>
    </message>
    <message>
        <source>C&amp;hange</source>
        <translation>Ä&amp;ndern</translation>
    </message>
    <message>
        <source>&amp;Default</source>
        <translation>&amp;Standard</translation>
    </message>
    <message>
        <source>Remove a&amp;ll</source>
        <translation>A&amp;lle entfernen</translation>
    </message>
    <message>
        <source>Add item</source>
        <translation>Eintrag hinzufügen</translation>
    </message>
    <message>
        <source>Remove selected items</source>
        <translation>Ausgewählte Einträge entfernen</translation>
    </message>
    <message>
        <source>Edit item</source>
        <translation>Eintrag bearbeiten</translation>
    </message>
    <message>
        <source>Reset to default values</source>
        <translation>Auf Standardwerte zurücksetzen</translation>
    </message>
    <message>
        <source>Remove all items</source>
        <translation>Alle Einträge entfernen</translation>
    </message>
    <message>
        <source>Move item up</source>
        <translation>Eintrag nach oben</translation>
    </message>
    <message>
        <source>Move item down</source>
        <translation>Eintrag nach unten</translation>
    </message>
    <message>
        <source>Remove all selected items?</source>
        <translation>Alle ausgewählten Einträge entfernen?</translation>
    </message>
    <message>
        <source>Remove item: &quot;%1&quot;?</source>
        <translation>Eintrag entfernen: „%1“?</translation>
    </message>
    <message>
        <source>Clear whole list</source>
        <translation>Ganze Liste leeren</translation>
    </message>
</context>
<context>
    <name>LibText</name>
    <message>
        <source>Range check error</source>
        <translation>Bereichsfehler</translation>
    </message>
    <message>
        <source>%1 is already associated with %2</source>
        <translation>%1 ist bereits mit %2 verbunden</translation>
    </message>
    <message>
        <source>Not implemented</source>
        <translation>Nicht implementiert</translation>
    </message>
    <message>
        <source>No such interface supported</source>
        <translation>Schnittstelle nicht unterstützt</translation>
    </message>
    <message>
        <source>Invalid pointer</source>
        <translation>Ungültiger Zeiger</translation>
    </message>
    <message>
        <source>Operation aborted</source>
        <translation>Vorgang abgebrochen</translation>
    </message>
    <message>
        <source>Unspecified error</source>
        <translation>Nicht näher bezeichneter Fehler</translation>
    </message>
    <message>
        <source>Catastrophic failure</source>
        <translation>Schwerwiegender Fehler</translation>
    </message>
    <message>
        <source>The parameter is incorrect</source>
        <translation>Der Parameter ist falsch</translation>
    </message>
    <message>
        <source>Not enough memory resources are available to complete this operation</source>
        <translation>Nicht genügend Speicherressourcen verfügbar, um diesen Vorgang abzuschließen</translation>
    </message>
    <message>
        <source>The operation was canceled by the user</source>
        <translation>Der Vorgang wurde vom Benutzer abgebrochen</translation>
    </message>
    <message>
        <source>System error: %s</source>
        <translation>Systemfehler: %s</translation>
    </message>
    <message>
        <source>Error code</source>
        <translation>Fehlercode</translation>
    </message>
    <message>
        <source>Format error: </source>
        <translation>Formatfehler: </translation>
    </message>
    <message>
        <source>Cannot open file &quot;%s&quot;. %s</source>
        <translation>Datei &quot;%s&quot; kann nicht geöffnet werden. %s</translation>
    </message>
    <message>
        <source>Error writing to &quot;%s&quot;</source>
        <translation>Fehler beim Schreiben in &quot;%s&quot;</translation>
    </message>
    <message>
        <source>Cannot create file &quot;%s&quot;. %s</source>
        <translation>Datei &quot;%s&quot; kann nicht erstellt werden. %s</translation>
    </message>
    <message>
        <source>Stream write error</source>
        <translation>Fehler beim Schreiben in den Stream</translation>
    </message>
</context>
<context>
    <name>PrgText</name>
    <message>
        <source>Save the settings as a backup task first.</source>
        <translation>Speichern Sie die Einstellungen zuerst als Sicherungsauftrag.</translation>
    </message>
    <message>
        <source>The command-line runner tessaril-cli was not found.</source>
        <translation>Das Befehlszeilenprogramm tessaril-cli wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>Run automatically…</source>
        <translation>Automatisch ausführen…</translation>
    </message>
    <message>
        <source>Tessaril Help</source>
        <translation>Tessaril-Hilfe</translation>
    </message>
    <message>
        <source>Help is not available on this system!</source>
        <translation>Die Hilfe ist auf diesem System nicht verfügbar!</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Backs up photos, music and documents from phones, tablets,</source>
        <translation>Sichert Fotos, Musik und Dokumente von Smartphones, Tablets,</translation>
    </message>
    <message>
        <source>cameras and media players to a folder on this computer.</source>
        <translation>Kameras und Medienspielern in einen Ordner auf diesem Computer.</translation>
    </message>
    <message>
        <source>Part of program package:</source>
        <translation>Teil des Programmpakets:</translation>
    </message>
    <message>
        <source>Connected devices</source>
        <translation>Angeschlossene Geräte</translation>
    </message>
    <message>
        <source>Errors occurred when reading the directory structure</source>
        <translation>Beim Lesen der Verzeichnisstruktur sind Fehler aufgetreten</translation>
    </message>
    <message>
        <source>Reload device list</source>
        <translation>Geräteliste neu laden</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Gerät</translation>
    </message>
    <message>
        <source>Manufacturer:</source>
        <translation>Hersteller:</translation>
    </message>
    <message>
        <source>Description:</source>
        <translation>Beschreibung:</translation>
    </message>
    <message>
        <source>Type:</source>
        <translation>Typ:</translation>
    </message>
    <message>
        <source>Power source:</source>
        <translation>Stromversorgung:</translation>
    </message>
    <message>
        <source>Firmware:</source>
        <translation>Firmware:</translation>
    </message>
    <message>
        <source>File processing</source>
        <translation>Dateiverarbeitung</translation>
    </message>
    <message>
        <source>Compress files</source>
        <translation>Dateien komprimieren</translation>
    </message>
    <message>
        <source>as zip</source>
        <translation>als Zip</translation>
    </message>
    <message>
        <source>No compression for these types:</source>
        <translation>Keine Komprimierung für diese Typen:</translation>
    </message>
    <message>
        <source>File types not to compress</source>
        <translation>Nicht zu komprimierende Dateitypen</translation>
    </message>
    <message>
        <source>Select file types not to be compressed</source>
        <translation>Nicht zu komprimierende Dateitypen auswählen</translation>
    </message>
    <message>
        <source>Directories</source>
        <translation>Verzeichnisse</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>Select the directories to be backed up</source>
        <translation>Die zu sichernden Verzeichnisse auswählen</translation>
    </message>
    <message>
        <source>Filename</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Destination directory:</source>
        <translation>Zielverzeichnis:</translation>
    </message>
    <message>
        <source>Insert placeholder</source>
        <translation>Platzhalter einfügen</translation>
    </message>
    <message>
        <source>Select backup directory</source>
        <translation>Sicherungsverzeichnis auswählen</translation>
    </message>
    <message>
        <source>Time slot</source>
        <translation>Zeitraum</translation>
    </message>
    <message>
        <source>All</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>All since</source>
        <translation>Alle seit</translation>
    </message>
    <message>
        <source>All before</source>
        <translation>Alle vor</translation>
    </message>
    <message>
        <source>Time period</source>
        <translation>Zeitspanne</translation>
    </message>
    <message>
        <source>Today from</source>
        <translation>Heute ab</translation>
    </message>
    <message>
        <source>Not older than</source>
        <translation>Nicht älter als</translation>
    </message>
    <message>
        <source>Older than</source>
        <translation>Älter als</translation>
    </message>
    <message>
        <source>from:</source>
        <translation>von:</translation>
    </message>
    <message>
        <source>to:</source>
        <translation>bis:</translation>
    </message>
    <message>
        <source>days</source>
        <translation>Tage</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>Filter for filenames</source>
        <translation>Filter für Dateinamen</translation>
    </message>
    <message>
        <source>As regular expression</source>
        <translation>Als regulärer Ausdruck</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Edit filename filter</source>
        <translation>Dateinamenfilter bearbeiten</translation>
    </message>
    <message>
        <source>Overwrite</source>
        <translation>Überschreiben</translation>
    </message>
    <message>
        <source>existing files when older</source>
        <translation>vorhandene Dateien, wenn älter</translation>
    </message>
    <message>
        <source>all existing files</source>
        <translation>alle vorhandenen Dateien</translation>
    </message>
    <message>
        <source>no existing files</source>
        <translation>keine vorhandenen Dateien</translation>
    </message>
    <message>
        <source>Set archive bit</source>
        <translation>Archivbit setzen</translation>
    </message>
    <message>
        <source>Reset to default configuration</source>
        <translation>Auf Standardkonfiguration zurücksetzen</translation>
    </message>
    <message>
        <source>Open backup task</source>
        <translation>Sicherungsauftrag öffnen</translation>
    </message>
    <message>
        <source>Save configuration as task</source>
        <translation>Konfiguration als Auftrag speichern</translation>
    </message>
    <message>
        <source>Save as new task</source>
        <translation>Als neuen Auftrag speichern</translation>
    </message>
    <message>
        <source>Create Desktop shortcut</source>
        <translation>Desktop-Verknüpfung erstellen</translation>
    </message>
    <message>
        <source>Copy the selected directories</source>
        <translation>Die ausgewählten Verzeichnisse kopieren</translation>
    </message>
    <message>
        <source>Program help</source>
        <translation>Programmhilfe</translation>
    </message>
    <message>
        <source>Version info</source>
        <translation>Versionsinfo</translation>
    </message>
    <message>
        <source>Quit program and save settings</source>
        <translation>Programm beenden und Einstellungen speichern</translation>
    </message>
    <message>
        <source>Backup status:</source>
        <translation>Sicherungsstatus:</translation>
    </message>
    <message>
        <source>Copy to clipboard</source>
        <translation>In die Zwischenablage kopieren</translation>
    </message>
    <message>
        <source>only %s</source>
        <translation>nur %s</translation>
    </message>
    <message>
        <source>all except %s</source>
        <translation>alle außer %s</translation>
    </message>
    <message>
        <source>All files</source>
        <translation>Alle Dateien</translation>
    </message>
    <message>
        <source>Backup tasks|*.%s</source>
        <translation>Sicherungsaufträge|*.%s</translation>
    </message>
    <message>
        <source>all|*.*</source>
        <translation>alle|*.*</translation>
    </message>
    <message>
        <source>Save backup configuration for portable device</source>
        <translation>Sicherungskonfiguration für das Mobilgerät speichern</translation>
    </message>
    <message>
        <source>Load backup configuration for portable device</source>
        <translation>Sicherungskonfiguration für das Mobilgerät laden</translation>
    </message>
    <message>
        <source>Save changed task to &quot;%s&quot;?</source>
        <translation>Geänderten Auftrag unter &quot;%s&quot; speichern?</translation>
    </message>
    <message>
        <source>Backup files from a portable device</source>
        <translation>Dateien von einem Mobilgerät sichern</translation>
    </message>
    <message>
        <source>%u objects found</source>
        <translation>%u Objekte gefunden</translation>
    </message>
    <message>
        <source>Loading device list</source>
        <translation>Geräteliste wird geladen</translation>
    </message>
    <message>
        <source>No portable device found</source>
        <translation>Kein Mobilgerät gefunden</translation>
    </message>
    <message>
        <source>1 portable device found</source>
        <translation>1 Mobilgerät gefunden</translation>
    </message>
    <message>
        <source>%u portable devices found</source>
        <translation>%u Mobilgeräte gefunden</translation>
    </message>
    <message>
        <source>Selected: </source>
        <translation>Ausgewählt: </translation>
    </message>
    <message>
        <source>Reading the directory structure</source>
        <translation>Verzeichnisstruktur wird gelesen</translation>
    </message>
    <message>
        <source>%u directories found</source>
        <translation>%u Verzeichnisse gefunden</translation>
    </message>
    <message>
        <source>Object &quot;%s&quot; (%s): %s</source>
        <translation>Objekt &quot;%s&quot; (%s): %s</translation>
    </message>
    <message>
        <source>Destination directory</source>
        <translation>Zielverzeichnis</translation>
    </message>
    <message>
        <source>Subdirectory</source>
        <translation>Unterverzeichnis</translation>
    </message>
    <message>
        <source>Updated</source>
        <translation>Aktualisiert</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Kopiert</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>Übersprungen</translation>
    </message>
    <message>
        <source>No files copied</source>
        <translation>Keine Dateien kopiert</translation>
    </message>
    <message>
        <source>1 file copied</source>
        <translation>1 Datei kopiert</translation>
    </message>
    <message>
        <source>%u files copied</source>
        <translation>%u Dateien kopiert</translation>
    </message>
    <message>
        <source>No directory selected</source>
        <translation>Kein Verzeichnis ausgewählt</translation>
    </message>
    <message>
        <source>Start: </source>
        <translation>Beginn: </translation>
    </message>
    <message>
        <source>Backup task</source>
        <translation>Sicherungsauftrag</translation>
    </message>
    <message>
        <source>Backup finished</source>
        <translation>Sicherung beendet</translation>
    </message>
    <message>
        <source>The device could not provide the file: %s</source>
        <translation>Das Gerät konnte die Datei nicht bereitstellen: %s</translation>
    </message>
    <message>
        <source>Copied, but its time stamps could not be set (0x%.8x): %s</source>
        <translation>Kopiert, aber ihre Zeitstempel konnten nicht gesetzt werden (0x%.8x): %s</translation>
    </message>
    <message>
        <source>Copied, but its attributes could not be set (0x%.8x): %s</source>
        <translation>Kopiert, aber ihre Attribute konnten nicht gesetzt werden (0x%.8x): %s</translation>
    </message>
    <message>
        <source>Removed the unfinished copy of an earlier run: %s</source>
        <translation>Unvollständige Kopie eines früheren Laufs entfernt: %s</translation>
    </message>
    <message>
        <source>Copy failed with error code 0x%.8x</source>
        <translation>Kopieren mit Fehlercode 0x%.8x fehlgeschlagen</translation>
    </message>
    <message>
        <source>The contents of &quot;%s&quot; could not be read: %s</source>
        <translation>Der Inhalt von &quot;%s&quot; konnte nicht gelesen werden: %s</translation>
    </message>
    <message>
        <source>Saved directory not found on the device: %s</source>
        <translation>Gespeichertes Verzeichnis auf dem Gerät nicht gefunden: %s</translation>
    </message>
    <message>
        <source>The task file &quot;%s&quot; is not valid</source>
        <translation>Die Auftragsdatei &quot;%s&quot; ist ungültig</translation>
    </message>
    <message>
        <source>The task file selects no folder</source>
        <translation>Die Auftragsdatei wählt kein Verzeichnis aus</translation>
    </message>
    <message>
        <source>The file filter of the task cannot be used: %s</source>
        <translation>Der Dateifilter des Auftrags ist nicht verwendbar: %s</translation>
    </message>
    <message>
        <source>The device shows no storage; is it unlocked?</source>
        <translation>Das Gerät zeigt keinen Speicher; ist es entsperrt?</translation>
    </message>
    <message>
        <source>The file filter excludes every file; nothing would be copied</source>
        <translation>Der Dateifilter schließt alle Dateien aus; es würde nichts kopiert</translation>
    </message>
    <message>
        <source>The device &quot;%s&quot; cannot be opened: %s</source>
        <translation>Das Gerät &quot;%s&quot; kann nicht geöffnet werden: %s</translation>
    </message>
    <message>
        <source>Saved as &quot;%s&quot;: an earlier file of this run took the name of &quot;%s&quot;</source>
        <translation>Gespeichert als &quot;%s&quot;: eine frühere Datei dieser Sicherung hat den Namen von &quot;%s&quot; belegt</translation>
    </message>
    <message>
        <source>Backup cancelled</source>
        <translation>Sicherung abgebrochen</translation>
    </message>
    <message>
        <source>Portable device &quot;%s&quot; is not ready!<byte value="xd"/>
Please connect it to the computer and activate the device!<byte value="xd"/>
Continue?</source>
        <translation>Mobilgerät &quot;%s&quot; ist nicht bereit!<byte value="xd"/>
Bitte schließen Sie es an den Computer an und aktivieren Sie das Gerät!<byte value="xd"/>
Fortfahren?</translation>
    </message>
    <message>
        <source>qye-help.html</source>
        <translation>qye-help.html</translation>
    </message>
    <message>
        <source>Battery</source>
        <translation>Akku</translation>
    </message>
    <message>
        <source>External</source>
        <translation>Extern</translation>
    </message>
    <message>
        <source>Generic</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>Kamera</translation>
    </message>
    <message>
        <source>Media Player</source>
        <translation>Medienspieler</translation>
    </message>
    <message>
        <source>Phone</source>
        <translation>Telefon</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>Personal Information Manager</source>
        <translation>Persönlicher Informationsmanager</translation>
    </message>
    <message>
        <source>Audio Recorder</source>
        <translation>Audiorekorder</translation>
    </message>
    <message>
        <source>&lt;Unknown device&gt;</source>
        <translation>&lt;Unbekanntes Gerät&gt;</translation>
    </message>
    <message>
        <source>Illegal mask!</source>
        <translation>Ungültige Maske!</translation>
    </message>
    <message>
        <source>Illegal regular expression!</source>
        <translation>Ungültiger regulärer Ausdruck!</translation>
    </message>
    <message>
        <source>&lt;Unknown error code&gt;</source>
        <translation>&lt;Unbekannter Fehlercode&gt;</translation>
    </message>
    <message>
        <source>Error calling: </source>
        <translation>Fehler beim Aufruf: </translation>
    </message>
    <message>
        <source>No destination directory given</source>
        <translation>Kein Zielverzeichnis angegeben</translation>
    </message>
    <message>
        <source>The destination directory &quot;%s&quot; is not a full path</source>
        <translation>Das Zielverzeichnis &quot;%s&quot; ist kein vollständiger Pfad</translation>
    </message>
    <message>
        <source>The number of days must lie between %d and %d</source>
        <translation>Die Zahl der Tage muss zwischen %d und %d liegen</translation>
    </message>
    <message>
        <source>The start date of the time slot lies after its end date</source>
        <translation>Das Anfangsdatum des Zeitraums liegt nach seinem Enddatum</translation>
    </message>
    <message>
        <source>A device is being read or a backup is under way</source>
        <translation>Ein Gerät wird gerade gelesen oder eine Sicherung läuft</translation>
    </message>
    <message>
        <source>Device backup: %s</source>
        <translation>Gerätesicherung: %s</translation>
    </message>
    <message>
        <source>Cannot create the folder &quot;%s&quot;</source>
        <translation>Der Ordner &quot;%s&quot; kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>Cannot make &quot;%s&quot; executable</source>
        <translation>&quot;%s&quot; kann nicht ausführbar gemacht werden</translation>
    </message>
    <message>
        <source>Replace existing desktop shortcut &quot;%s&quot;?</source>
        <translation>Vorhandene Desktop-Verknüpfung &quot;%s&quot; ersetzen?</translation>
    </message>
    <message>
        <source>Create desktop shortcut for &quot;%s&quot;?</source>
        <translation>Desktop-Verknüpfung für &quot;%s&quot; anlegen?</translation>
    </message>
    <message>
        <source>Error creating desktop shortcut!</source>
        <translation>Fehler beim Anlegen der Desktop-Verknüpfung!</translation>
    </message>
    <message>
        <source>Device name</source>
        <translation>Gerätename</translation>
    </message>
    <message>
        <source>Date (e.g. 2010-12-04)</source>
        <translation>Datum (z. B. 2010-12-04)</translation>
    </message>
    <message>
        <source>Year and week (e.g. 2009-53)</source>
        <translation>Jahr und Woche (z. B. 2009-53)</translation>
    </message>
    <message>
        <source>Short day of the week (e.g. Mon,Tue)</source>
        <translation>Wochentag kurz (z. B. Mo,Di)</translation>
    </message>
    <message>
        <source>Long day of the week (e.g. Monday)</source>
        <translation>Wochentag lang (z. B. Montag)</translation>
    </message>
    <message>
        <source>Number of day of week (Monday = 1)</source>
        <translation>Nummer des Wochentags (Montag = 1)</translation>
    </message>
    <message>
        <source>Day of year (001 .. 365)</source>
        <translation>Tag des Jahres (001 .. 365)</translation>
    </message>
    <message>
        <source>Week of year (01 .. 53)</source>
        <translation>Woche des Jahres (01 .. 53)</translation>
    </message>
    <message>
        <source>Day of month (01 .. 31)</source>
        <translation>Tag des Monats (01 .. 31)</translation>
    </message>
    <message>
        <source>Week of month (1 .. 6)</source>
        <translation>Woche des Monats (1 .. 6)</translation>
    </message>
    <message>
        <source>Month of year (01 .. 12)</source>
        <translation>Monat des Jahres (01 .. 12)</translation>
    </message>
    <message>
        <source>Name of month (e.g. January)</source>
        <translation>Name des Monats (z. B. Januar)</translation>
    </message>
    <message>
        <source>Year (e.g. 2010)</source>
        <translation>Jahr (z. B. 2010)</translation>
    </message>
    <message>
        <source>Placeholder for</source>
        <translation>Platzhalter für</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>&amp;Stopp</translation>
    </message>
    <message>
        <source>&amp;Start backup</source>
        <translation>&amp;Sicherung starten</translation>
    </message>
    <message>
        <source>Stop the backup after cancelling the current file</source>
        <translation>Die Sicherung anhalten; die laufende Datei wird abgebrochen</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>Backup files</source>
        <translation>Dateien sichern</translation>
    </message>
    <message>
        <source>Select destination directory</source>
        <translation>Zielverzeichnis auswählen</translation>
    </message>
    <message>
        <source>A backup is running. Stop it and quit?</source>
        <translation>Eine Sicherung läuft. Anhalten und beenden?</translation>
    </message>
    <message>
        <source>%1 selected</source>
        <translation>%1 ausgewählt</translation>
    </message>
    <message>
        <source>The device does not answer any more: it may have been disconnected or locked.</source>
        <translation>Das Gerät antwortet nicht mehr: Es wurde vielleicht getrennt oder gesperrt.</translation>
    </message>
    <message>
        <source>Would copy</source>
        <translation>Würde kopieren</translation>
    </message>
    <message>
        <source>Would update</source>
        <translation>Würde aktualisieren</translation>
    </message>
    <message>
        <source>Would skip</source>
        <translation>Würde überspringen</translation>
    </message>
    <message>
        <source>all existing files are replaced</source>
        <translation>alle vorhandenen Dateien werden ersetzt</translation>
    </message>
    <message>
        <source>the existing copy is older</source>
        <translation>die vorhandene Kopie ist älter</translation>
    </message>
    <message>
        <source>the existing copy is not older</source>
        <translation>die vorhandene Kopie ist nicht älter</translation>
    </message>
    <message>
        <source>existing files are not replaced</source>
        <translation>vorhandene Dateien werden nicht ersetzt</translation>
    </message>
    <message>
        <source>not selected by the file filter</source>
        <translation>vom Dateifilter nicht ausgewählt</translation>
    </message>
    <message>
        <source>outside the time slot</source>
        <translation>außerhalb des Zeitraums</translation>
    </message>
    <message>
        <source>No files would be copied</source>
        <translation>Keine Dateien würden kopiert</translation>
    </message>
    <message>
        <source>1 file would be copied</source>
        <translation>1 Datei würde kopiert</translation>
    </message>
    <message>
        <source>%u files would be copied</source>
        <translation>%u Dateien würden kopiert</translation>
    </message>
    <message>
        <source>Preview, nothing was written: %u files to copy (%s), %u of them replacing existing copies, %u to skip, %u left out by filter or time slot</source>
        <translation>Vorschau, nichts wurde geschrieben: %u Dateien zu kopieren (%s), davon %u als Ersatz vorhandener Kopien, %u zu überspringen, %u durch Filter oder Zeitraum ausgelassen</translation>
    </message>
    <message>
        <source>1 file failed:</source>
        <translation>1 Datei fehlgeschlagen:</translation>
    </message>
    <message>
        <source>%u files failed:</source>
        <translation>%u Dateien fehlgeschlagen:</translation>
    </message>
    <message>
        <source>&amp;Preview</source>
        <translation>&amp;Vorschau</translation>
    </message>
    <message>
        <source>List what a backup would copy, update or skip, without writing anything</source>
        <translation>Auflisten, was eine Sicherung kopieren, aktualisieren oder überspringen würde, ohne etwas zu schreiben</translation>
    </message>
    <message>
        <source>Stop the preview</source>
        <translation>Die Vorschau anhalten</translation>
    </message>
    <message>
        <source>Preview cancelled</source>
        <translation>Vorschau abgebrochen</translation>
    </message>
    <message>
        <source>Preview finished</source>
        <translation>Vorschau beendet</translation>
    </message>
    <message>
        <source>Files: %1 of %2</source>
        <translation>Dateien: %1 von %2</translation>
    </message>
    <message>
        <source>Files: %1</source>
        <translation>Dateien: %1</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>%1 left</source>
        <translation>noch %1</translation>
    </message>
</context>
</TS>
