<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Artwork</name>
    <message>
        <location filename="../gui/mainframe/Artwork.cpp" line="135"/>
        <source>Disk partition manager</source>
        <translation>Partitionsverwaltung für Datenträger</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/Artwork.cpp" line="144"/>
        <source>Loading disks...</source>
        <translation>Datenträger werden geladen...</translation>
    </message>
</context>
<context>
    <name>ExecutionTexts</name>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="11"/>
        <source>Updating system information</source>
        <translation>Systeminformationen werden aktualisiert</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="12"/>
        <source>Format partition</source>
        <translation>Partition formatieren</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="13"/>
        <source>Resize partition</source>
        <translation>Partitionsgröße ändern</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="14"/>
        <source>Copy partition</source>
        <translation>Partition kopieren</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="15"/>
        <source>Copy disk</source>
        <translation>Datenträger kopieren</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="16"/>
        <source>Create partition</source>
        <translation>Partition erstellen</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="17"/>
        <source>Delete partition</source>
        <translation>Partition löschen</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="18"/>
        <source>Set partition active/inactive</source>
        <translation>Partition als aktiv/inaktiv festlegen</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="19"/>
        <source>Hide/Unhide partition</source>
        <translation>Partition verstecken/sichtbar machen</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="20"/>
        <source>Mount partition</source>
        <translation>Partition einbinden</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="21"/>
        <source>Set partition label</source>
        <translation>Partitionsbezeichnung festlegen</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="22"/>
        <source>Check partition</source>
        <translation>Partition überprüfen</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="23"/>
        <source>Backup partition</source>
        <translation>Partition sichern</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="24"/>
        <source>Restore partition</source>
        <translation>Partition wiederherstellen</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="25"/>
        <source>Backup disk</source>
        <translation>Datenträger sichern</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="26"/>
        <source>Restore disk</source>
        <translation>Datenträger wiederherstellen</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="27"/>
        <source>Change cluster size</source>
        <translation>Clustergröße ändern</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="28"/>
        <source>Convert file system</source>
        <translation>Dateisystem konvertieren</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="29"/>
        <source>Split partition</source>
        <translation>Partition teilen</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="30"/>
        <source>Merge partition</source>
        <translation>Partition zusammenführen</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="31"/>
        <source>Wipe Partition/Disk</source>
        <translation>Partition/Datenträger sicher löschen</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="32"/>
        <source>Set Partition as Primary/Logical</source>
        <translation>Partition als primär/logisch festlegen</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="33"/>
        <source>Change Partition Type ID</source>
        <translation>Partitionstyp-ID ändern</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="34"/>
        <source>Change Partition Serial Number</source>
        <translation>Seriennummer der Partition ändern</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="35"/>
        <source>Checking file system</source>
        <translation>Dateisystem wird überprüft</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="36"/>
        <source>Moving data</source>
        <translation>Daten werden verschoben</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="37"/>
        <source>Copying data</source>
        <translation>Daten werden kopiert</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="38"/>
        <source>Processing files</source>
        <translation>Dateien werden verarbeitet</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="39"/>
        <source>Processing directories</source>
        <translation>Verzeichnisse werden verarbeitet</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="40"/>
        <source>Initialize Disk</source>
        <translation>Datenträger initialisieren</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="41"/>
        <source>Writing Data...</source>
        <translation>Daten werden geschrieben...</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="42"/>
        <source>Update Disk Boot Configure</source>
        <translation>Startkonfiguration des Datenträgers aktualisieren</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="50"/>
        <source>Invalid parameter.</source>
        <translation>Ungültiger Parameter.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="52"/>
        <source>Not enough memory!</source>
        <translation>Nicht genügend Arbeitsspeicher!</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="54"/>
        <source>Disk I/O error.</source>
        <translation>E/A-Fehler auf dem Datenträger.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="56"/>
        <source>Invalid file system.</source>
        <translation>Ungültiges Dateisystem.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="58"/>
        <source>Volmara detects that file system of the partition have errors. Please use &quot;Check File System&quot; function to fix it first.</source>
        <translation>Volmara hat Fehler im Dateisystem der Partition festgestellt. Bitte beheben Sie diese zuerst mit der Funktion „Dateisystem überprüfen“.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="62"/>
        <source>Not enough free space. Please reserve more free space for the partition.</source>
        <translation>Nicht genügend freier Speicherplatz. Bitte reservieren Sie mehr freien Speicherplatz für die Partition.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="65"/>
        <source>Volmara detect large amount of fragmentation in your file system.
Resize or move partition can not continue because of the fragmentation.
Please run Windows Disk Defragmenter before resize or move your partition.</source>
        <translation>Volmara hat eine starke Fragmentierung in Ihrem Dateisystem festgestellt.
Wegen der Fragmentierung kann die Partition nicht in der Größe geändert oder verschoben werden.
Bitte führen Sie die Windows-Defragmentierung aus, bevor Sie die Partition in der Größe ändern oder verschieben.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="70"/>
        <source>Volmara detects the specified partition contains NTFS compressed files.
And the new cluster size does not support NTFS compressed file.</source>
        <translation>Volmara hat festgestellt, dass die angegebene Partition NTFS-komprimierte Dateien enthält.
Die neue Clustergröße unterstützt keine NTFS-komprimierten Dateien.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="74"/>
        <source>The NTFS file system of the partition was not shut down cleanly. Please use &quot;Check File System&quot; function to check it, or shut Windows down properly, first.</source>
        <translation>Das NTFS-Dateisystem der Partition wurde nicht ordnungsgemäß geschlossen. Bitte prüfen Sie es zuerst mit der Funktion &quot;Dateisystem prüfen&quot; oder fahren Sie Windows ordnungsgemäß herunter.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="78"/>
        <source>Windows is hibernated on this partition. Please start Windows and shut it down completely (not hibernate or fast startup) first.</source>
        <translation>Windows befindet sich auf dieser Partition im Ruhezustand. Bitte starten Sie zuerst Windows und fahren Sie es vollständig herunter (nicht Ruhezustand oder Schnellstart).</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="82"/>
        <source>The partition table of this disk was not changed: the change would remove, move or renumber a partition that is mounted or otherwise in use by the system, and the system cannot follow that while it is. Unmount that partition and try again.</source>
        <translation>Die Partitionstabelle dieses Datenträgers wurde nicht geändert: Die Änderung würde eine Partition entfernen, verschieben oder umnummerieren, die eingehängt ist oder anderweitig vom System verwendet wird, und das System kann dem nicht folgen, solange das so ist. Hängen Sie diese Partition aus und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="88"/>
        <source>NTFS file system error. Please use &quot;Check File System&quot; function to fix it first.</source>
        <translation>Fehler im NTFS-Dateisystem. Bitte beheben Sie ihn zuerst mit der Funktion „Dateisystem überprüfen“.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="91"/>
        <source>The command line does not follow the format of its command.</source>
        <translation>Die Befehlszeile entspricht nicht dem Format ihres Befehls.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="92"/>
        <source>A value in the command line is out of range.</source>
        <translation>Ein Wert in der Befehlszeile liegt außerhalb des zulässigen Bereichs.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="93"/>
        <source>There is no disk with this index.</source>
        <translation>Es gibt keinen Datenträger mit diesem Index.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="94"/>
        <source>There is no partition with this index.</source>
        <translation>Es gibt keine Partition mit diesem Index.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="95"/>
        <source>This operation does not apply to a GPT disk.</source>
        <translation>Dieser Vorgang ist auf einem GPT-Datenträger nicht möglich.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="97"/>
        <source>This operation does not apply to the file system of this partition.</source>
        <translation>Dieser Vorgang ist für das Dateisystem dieser Partition nicht möglich.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="100"/>
        <source>An extended partition type can only belong to the extended partition itself.</source>
        <translation>Ein Typ für erweiterte Partitionen kann nur der erweiterten Partition selbst gehören.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="102"/>
        <source>The label is too long for this file system.</source>
        <translation>Die Bezeichnung ist für dieses Dateisystem zu lang.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="103"/>
        <source>The label contains a character this file system does not allow.</source>
        <translation>Die Bezeichnung enthält ein Zeichen, das dieses Dateisystem nicht erlaubt.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="104"/>
        <source>The root directory has no room for the label.</source>
        <translation>Im Stammverzeichnis ist kein Platz für die Bezeichnung.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="105"/>
        <source>The same disk is named twice.</source>
        <translation>Derselbe Datenträger ist zweimal angegeben.</translation>
    </message>
    <message>
        <source>The dynamic disk was not converted: its database is damaged, or it holds a volume that is not a simple volume.</source>
        <translation>Der dynamische Datenträger wurde nicht umgewandelt: Seine Datenbank ist beschädigt, oder er enthält ein Volume, das kein einfaches Volume ist.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="106"/>
        <source>The partition would have no sectors.</source>
        <translation>Die Partition hätte keine Sektoren.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="108"/>
        <source>The partition would reach past the end of the disk or outside its usable area.</source>
        <translation>Die Partition würde über das Ende des Datenträgers oder seinen nutzbaren Bereich hinausreichen.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="110"/>
        <source>The partition would overlap another partition.</source>
        <translation>Die Partition würde eine andere Partition überlappen.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="111"/>
        <source>MBR and GPT entries cannot share a disk.</source>
        <translation>MBR- und GPT-Einträge können nicht auf demselben Datenträger stehen.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="113"/>
        <source>An MBR disk holds at most four primary partitions, the extended partition included.</source>
        <translation>Ein MBR-Datenträger fasst höchstens vier primäre Partitionen, die erweiterte Partition eingeschlossen.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="115"/>
        <source>A primary partition cannot lie between logical partitions.</source>
        <translation>Eine primäre Partition kann nicht zwischen logischen Partitionen liegen.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="117"/>
        <source>There is no free room before the logical partition for its extended boot record.</source>
        <translation>Vor der logischen Partition ist kein freier Platz für ihren erweiterten Bootsektor.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="119"/>
        <source>An MBR partition cannot reach past 2^32 sectors (2 TB).</source>
        <translation>Eine MBR-Partition kann nicht über 2^32 Sektoren (2 TB) hinausreichen.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="129"/>
        <source>The partition-table rules refuse this change.</source>
        <translation>Die Regeln der Partitionstabelle lassen diese Änderung nicht zu.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="130"/>
        <source>There is no such disk or partition.</source>
        <translation>Diesen Datenträger oder diese Partition gibt es nicht.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="131"/>
        <source>The partition table could not be written.</source>
        <translation>Die Partitionstabelle konnte nicht geschrieben werden.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="132"/>
        <source>The system could not be told about the new partition table.</source>
        <translation>Das System konnte nicht über die neue Partitionstabelle informiert werden.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="133"/>
        <source>boot.ini could not be updated.</source>
        <translation>boot.ini konnte nicht aktualisiert werden.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="134"/>
        <source>The boot configuration could not be updated.</source>
        <translation>Die Startkonfiguration konnte nicht aktualisiert werden.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="135"/>
        <source>This operation does not apply to this partition.</source>
        <translation>Dieser Vorgang ist für diese Partition nicht möglich.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="136"/>
        <source>The command was not initialised.</source>
        <translation>Der Befehl wurde nicht initialisiert.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="137"/>
        <source>The partition could not be read.</source>
        <translation>Die Partition konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="138"/>
        <source>No command has this name.</source>
        <translation>Es gibt keinen Befehl mit diesem Namen.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="139"/>
        <source>The command could not be read.</source>
        <translation>Der Befehl konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="140"/>
        <source>The command line was refused.</source>
        <translation>Die Befehlszeile wurde abgelehnt.</translation>
    </message>
    <message>
        <location filename="../execution/ExecutionTexts.cpp" line="141"/>
        <source>The command failed.</source>
        <translation>Der Befehl ist fehlgeschlagen.</translation>
    </message>
</context>
<context>
    <name>KAboutDlg</name>
    <message>
        <location filename="../gui/mainframe/KAboutDlg.ui" line="14"/>
        <source>About Volmara</source>
        <translation>Über Volmara</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/KAboutDlg.ui" line="49"/>
        <source>Volmara</source>
        <translation>Volmara</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/KAboutDlg.ui" line="70"/>
        <source>A partition manager for hard disks: create, resize, move, copy, merge and recover partitions.</source>
        <translation>Ein Partitionsmanager für Festplatten: Partitionen erstellen, in der Größe ändern, verschieben, kopieren, zusammenführen und wiederherstellen.</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/KAboutDlg.ui" line="125"/>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/KAboutDlg.cpp" line="18"/>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/KAboutDlg.cpp" line="19"/>
        <source>Built on %1</source>
        <translation>Erstellt: %1</translation>
    </message>
</context>
<context>
    <name>KApplyOperationsPendingDlg</name>
    <message>
        <location filename="../gui/mainframe/KApplyOperationsPendingDlg.ui" line="14"/>
        <source>Apply Pending Operation(s)...</source>
        <translation>Ausstehende Vorgänge ausführen...</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/KApplyOperationsPendingDlg.ui" line="72"/>
        <source>Total:</source>
        <translation>Gesamt:</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/KApplyOperationsPendingDlg.ui" line="86"/>
        <source>Current operation:</source>
        <translation>Aktueller Vorgang:</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/KApplyOperationsPendingDlg.ui" line="100"/>
        <source>Child:</source>
        <translation>Teilvorgang:</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/KApplyOperationsPendingDlg.ui" line="139"/>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/KApplyOperationsPendingDlg.cpp" line="29"/>
        <source>Abort?</source>
        <translation>Abbrechen?</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/KApplyOperationsPendingDlg.cpp" line="30"/>
        <source>Do you want to cancel these operations?</source>
        <translation>Möchten Sie diese Vorgänge abbrechen?</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/KApplyOperationsPendingDlg.cpp" line="86"/>
        <source>(%1 of %2 operations)</source>
        <translation>(Vorgang %1 von %2)</translation>
    </message>
</context>
<context>
    <name>KBootIniEditorDlg</name>
    <message>
        <location filename="../gui/tools/KBootIniEditorDlg.ui" line="9"/>
        <source>Boot.ini Editor</source>
        <translation>Boot.ini-Editor</translation>
    </message>
    <message>
        <location filename="../gui/tools/KBootIniEditorDlg.ui" line="22"/>
        <source>Disable to modify boot.ini</source>
        <translation>Änderungen an boot.ini sperren</translation>
    </message>
    <message>
        <location filename="../gui/tools/KBootIniEditorDlg.ui" line="34"/>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <location filename="../gui/tools/KBootIniEditorDlg.ui" line="39"/>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
</context>
<context>
    <name>KBootiniRepairDlg</name>
    <message>
        <location filename="../gui/tools/KBootiniRepairDlg.ui" line="9"/>
        <source>Repair Boot.ini</source>
        <translation>Boot.ini reparieren</translation>
    </message>
    <message>
        <location filename="../gui/tools/KBootiniRepairDlg.ui" line="14"/>
        <source>Choose a detected operating system on this disk:</source>
        <translation>Wählen Sie ein erkanntes Betriebssystem auf diesem Datenträger:</translation>
    </message>
    <message>
        <location filename="../gui/tools/KBootiniRepairDlg.ui" line="22"/>
        <source>Which partition contains the choosed operating system?</source>
        <translation>Welche Partition enthält das gewählte Betriebssystem?</translation>
    </message>
    <message>
        <location filename="../gui/tools/KBootiniRepairDlg.ui" line="46"/>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <location filename="../gui/tools/KBootiniRepairDlg.ui" line="51"/>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>KChangeClusterSizeDlg</name>
    <message>
        <location filename="../gui/dialogs/KChangeClusterSizeDlg.ui" line="14"/>
        <source>Change Cluster Size</source>
        <translation>Clustergröße ändern</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangeClusterSizeDlg.ui" line="45"/>
        <source>Please enter new cluster size in sectors:</source>
        <translation>Bitte geben Sie die neue Clustergröße in Sektoren ein:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangeClusterSizeDlg.ui" line="115"/>
        <source>&amp;Yes</source>
        <translation>&amp;Ja</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangeClusterSizeDlg.ui" line="125"/>
        <source>&amp;No</source>
        <translation>&amp;Nein</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangeClusterSizeDlg.cpp" line="23"/>
        <source>&lt;B&gt;Are you sure you want to change cluster size for partition &quot;%1&quot; ?&lt;/B&gt;</source>
        <translation>&lt;B&gt;Möchten Sie die Clustergröße der Partition „%1“ wirklich ändern?&lt;/B&gt;</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangeClusterSizeDlg.cpp" line="25"/>
        <source>Current cluster size is &lt;B&gt;%1 sectors, %2 KB (%3 Bytes).&lt;/B&gt; Smaller clusters may provide more effective usage of disk space.</source>
        <translation>Die aktuelle Clustergröße beträgt &lt;B&gt;%1 Sektoren, %2 KB (%3 Byte).&lt;/B&gt; Kleinere Cluster können den Speicherplatz auf dem Datenträger effizienter nutzen.</translation>
    </message>
</context>
<context>
    <name>KChangeLabelDlg</name>
    <message>
        <location filename="../gui/dialogs/KChangeLabelDlg.ui" line="14"/>
        <source>Change Partition Label:</source>
        <translation>Partitionsbezeichnung ändern:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangeLabelDlg.ui" line="23"/>
        <source>Changing the label for the selected partition:</source>
        <translation>Bezeichnung der ausgewählten Partition ändern:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangeLabelDlg.ui" line="32"/>
        <source>Partition Label:</source>
        <translation>Partitionsbezeichnung:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangeLabelDlg.ui" line="86"/>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangeLabelDlg.ui" line="96"/>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
</context>
<context>
    <name>KChangeLetterDlg</name>
    <message>
        <location filename="../gui/dialogs/KChangeLetterDlg.ui" line="14"/>
        <source>Change Drive Letter</source>
        <translation>Laufwerksbuchstaben ändern</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangeLetterDlg.ui" line="23"/>
        <source>Change Letter</source>
        <translation>Laufwerksbuchstaben ändern</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangeLetterDlg.ui" line="32"/>
        <source>Current Drive Letter:</source>
        <translation>Aktueller Laufwerksbuchstabe:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangeLetterDlg.ui" line="51"/>
        <source>New Drive Letter:</source>
        <translation>Neuer Laufwerksbuchstabe:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangeLetterDlg.ui" line="109"/>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangeLetterDlg.ui" line="119"/>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangeLetterDlg.cpp" line="14"/>
        <location filename="../gui/dialogs/KChangeLetterDlg.cpp" line="17"/>
        <source>None</source>
        <translation>Keines</translation>
    </message>
</context>
<context>
    <name>KChangePartitionTypeID</name>
    <message>
        <location filename="../gui/dialogs/KChangePartitionTypeID.ui" line="14"/>
        <source>Change Partition Type ID</source>
        <translation>Partitionstyp-ID ändern</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangePartitionTypeID.ui" line="40"/>
        <source>Please select predefined ID from the list:</source>
        <translation>Bitte wählen Sie eine vordefinierte ID aus der Liste aus:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangePartitionTypeID.ui" line="57"/>
        <source>Please enter ID manually:</source>
        <translation>Bitte geben Sie die ID manuell ein:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangePartitionTypeID.ui" line="138"/>
        <source>&amp;Yes</source>
        <translation>&amp;Ja</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangePartitionTypeID.ui" line="148"/>
        <source>&amp;No</source>
        <translation>&amp;Nein</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangePartitionTypeID.cpp" line="16"/>
        <source>&lt;B&gt;Are you sure you want to change partition ID of the partition &quot;%1&quot;?&lt;/B&gt;</source>
        <translation>&lt;B&gt;Möchten Sie die Partitions-ID der Partition „%1“ wirklich ändern?&lt;/B&gt;</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangePartitionTypeID.cpp" line="17"/>
        <source>Current system ID is &quot;%1&quot;. Changing partition ID might prevent some operating system from working with the partition.</source>
        <translation>Die aktuelle System-ID ist „%1“. Wenn Sie die Partitions-ID ändern, können manche Betriebssysteme die Partition möglicherweise nicht mehr verwenden.</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangePartitionTypeID.cpp" line="69"/>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KChangePartitionTypeID.cpp" line="70"/>
        <source>An extended partition type can only belong to the extended partition itself.</source>
        <translation>Ein Typ für erweiterte Partitionen kann nur der erweiterten Partition selbst gehören.</translation>
    </message>
</context>
<context>
    <name>KCheckFileSystemDlg</name>
    <message>
        <location filename="../gui/tools/KCheckFileSystemDlg.ui" line="14"/>
        <source>Check File System</source>
        <translation>Dateisystem prüfen</translation>
    </message>
    <message>
        <location filename="../gui/tools/KCheckFileSystemDlg.ui" line="23"/>
        <source>Options:</source>
        <translation>Optionen:</translation>
    </message>
    <message>
        <location filename="../gui/tools/KCheckFileSystemDlg.ui" line="29"/>
        <source>Check only. (Do not fix detected errors.)</source>
        <translation>Nur prüfen. (Gefundene Fehler nicht beheben.)</translation>
    </message>
    <message>
        <location filename="../gui/tools/KCheckFileSystemDlg.ui" line="39"/>
        <source>Check &amp;&amp; fix detected errors.</source>
        <translation>Prüfen &amp;&amp; gefundene Fehler beheben.</translation>
    </message>
    <message>
        <location filename="../gui/tools/KCheckFileSystemDlg.ui" line="81"/>
        <source>&amp;Start</source>
        <translation>&amp;Start</translation>
    </message>
    <message>
        <location filename="../gui/tools/KCheckFileSystemDlg.ui" line="91"/>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
</context>
<context>
    <name>KChooseScanningMethodPage</name>
    <message>
        <location filename="../gui/wizards/KChooseScanningMethodPage.ui" line="9"/>
        <source>Scanning Methods:</source>
        <translation>Scanmethoden:</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseScanningMethodPage.ui" line="15"/>
        <source>Quick Scan</source>
        <translation>Schnellscan</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseScanningMethodPage.ui" line="25"/>
        <source>Quick Scan can restore your partition if your lost/deleted partitions are continuous. When program find a lost/deleted partition, it will jump to the end of the partition to continue scanning other lost/deleted partitions.</source>
        <translation>Der Schnellscan kann Ihre Partitionen wiederherstellen, wenn die verlorenen/gelöschten Partitionen lückenlos aufeinander folgen. Findet das Programm eine verlorene/gelöschte Partition, springt es an deren Ende und sucht dort nach weiteren verlorenen/gelöschten Partitionen.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseScanningMethodPage.ui" line="35"/>
        <source>Full Scan</source>
        <translation>Vollscan</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseScanningMethodPage.ui" line="42"/>
        <source>Full scan will scan every sector of specified scanning range. If Quick Scan cannot find lost partition(s), try Full Scan to allocate partition(s).</source>
        <translation>Der Vollscan durchsucht jeden Sektor des angegebenen Bereichs. Findet der Schnellscan die verlorene(n) Partition(en) nicht, versuchen Sie den Vollscan, um sie zu finden.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseScanningMethodPage.cpp" line="9"/>
        <source>Scanning Method Settings</source>
        <translation>Scanmethode einstellen</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseScanningMethodPage.cpp" line="10"/>
        <source>Set scanning method for the specified scanning range.</source>
        <translation>Legen Sie die Scanmethode für den angegebenen Bereich fest.</translation>
    </message>
</context>
<context>
    <name>KChooseScanningRangePage</name>
    <message>
        <location filename="../gui/wizards/KChooseScanningRangePage.ui" line="9"/>
        <source>Scanning Range:</source>
        <translation>Scanbereich:</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseScanningRangePage.ui" line="15"/>
        <source>Full Disk            (Scanning entire disk.)</source>
        <translation>Ganzer Datenträger   (Ganzen Datenträger scannen.)</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseScanningRangePage.ui" line="22"/>
        <source>Unallocated Space    (Scanning free space only.)</source>
        <translation>Freier Bereich       (Nur freien Bereich scannen.)</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseScanningRangePage.ui" line="29"/>
        <source>Specified Range      (Scanning specified sectors.)</source>
        <translation>Angegebener Bereich  (Angegebene Sektoren scannen.)</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseScanningRangePage.ui" line="39"/>
        <source>Sectors Range:</source>
        <translation>Sektorbereich:</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseScanningRangePage.ui" line="45"/>
        <source>Starting LBA:</source>
        <translation>Start-LBA:</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseScanningRangePage.ui" line="55"/>
        <source>Ending LBA:</source>
        <translation>End-LBA:</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseScanningRangePage.ui" line="75"/>
        <source>You could choose a partition block to scan the deleted or lost partition from the following disk map. You could also enter the starting LBA and Ending LBA directly.</source>
        <translation>Sie können in der folgenden Datenträgerübersicht einen Partitionsblock auswählen, um darin nach gelöschten oder verlorenen Partitionen zu suchen. Sie können Start-LBA und End-LBA auch direkt eingeben.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseScanningRangePage.cpp" line="16"/>
        <source>Scanning Range Settings</source>
        <translation>Scanbereich einstellen</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseScanningRangePage.cpp" line="17"/>
        <source>Set scanning range for the specified disk.</source>
        <translation>Legen Sie den Scanbereich für den angegebenen Datenträger fest.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseScanningRangePage.cpp" line="107"/>
        <location filename="../gui/wizards/KChooseScanningRangePage.cpp" line="111"/>
        <location filename="../gui/wizards/KChooseScanningRangePage.cpp" line="116"/>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseScanningRangePage.cpp" line="107"/>
        <location filename="../gui/wizards/KChooseScanningRangePage.cpp" line="116"/>
        <source>Starting LBA value is invalid.</source>
        <translation>Der Start-LBA-Wert ist ungültig.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseScanningRangePage.cpp" line="111"/>
        <source>Ending LBA value is invalid.</source>
        <translation>Der End-LBA-Wert ist ungültig.</translation>
    </message>
</context>
<context>
    <name>KChooseSearchedLostPartitionPage</name>
    <message>
        <location filename="../gui/wizards/KChooseSearchedLostPartitionPage.ui" line="24"/>
        <source>Scanning progress:</source>
        <translation>Scanfortschritt:</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseSearchedLostPartitionPage.ui" line="41"/>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseSearchedLostPartitionPage.ui" line="51"/>
        <source>Please select the partitions you need from the following list:&lt;BR&gt;(Double click the searched partition to explore the content.)</source>
        <translation>Bitte wählen Sie die benötigten Partitionen aus der folgenden Liste aus:&lt;BR&gt;(Doppelklicken Sie auf eine gefundene Partition, um ihren Inhalt anzuzeigen.)</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseSearchedLostPartitionPage.ui" line="65"/>
        <source>File System</source>
        <translation>Dateisystem</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseSearchedLostPartitionPage.ui" line="70"/>
        <source>Label</source>
        <translation>Name</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseSearchedLostPartitionPage.ui" line="75"/>
        <source>Starting LBA</source>
        <translation>Start-LBA</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseSearchedLostPartitionPage.ui" line="80"/>
        <source>Ending LBA</source>
        <translation>End-LBA</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseSearchedLostPartitionPage.ui" line="85"/>
        <source>Used</source>
        <translation>Belegt</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseSearchedLostPartitionPage.ui" line="90"/>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseSearchedLostPartitionPage.ui" line="95"/>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseSearchedLostPartitionPage.ui" line="103"/>
        <source>Preview:</source>
        <translation>Vorschau:</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseSearchedLostPartitionPage.cpp" line="68"/>
        <source>Choose Searched Partitions</source>
        <translation>Gefundene Partitionen wählen</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseSearchedLostPartitionPage.cpp" line="69"/>
        <source>Choose the searched deleted/lost partitions.</source>
        <translation>Wählen Sie die gefundenen gelöschten/verlorenen Partitionen aus.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseSearchedLostPartitionPage.cpp" line="171"/>
        <source>(%1 of %2 sectors. Scanning LBA:%3)</source>
        <translation>(%1 von %2 Sektoren. Aktuelle LBA:%3)</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseSearchedLostPartitionPage.cpp" line="184"/>
        <source>Existing</source>
        <translation>Vorhanden</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseSearchedLostPartitionPage.cpp" line="184"/>
        <source>Lost/Deleted</source>
        <translation>Verloren</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseSearchedLostPartitionPage.cpp" line="253"/>
        <source>overlapped</source>
        <translation>überlappt</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseSearchedLostPartitionPage.cpp" line="330"/>
        <source>%1 (Disk:%2 LBA:%3)</source>
        <translation>%1 (Datenträger:%2 LBA:%3)</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseSearchedLostPartitionPage.cpp" line="352"/>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KChooseSearchedLostPartitionPage.cpp" line="353"/>
        <source>At least one of the existing partition will be deleted. Are you sure that you want to continue?</source>
        <translation>Mindestens eine der vorhandenen Partitionen wird gelöscht. Möchten Sie wirklich fortfahren?</translation>
    </message>
</context>
<context>
    <name>KConsoleToolDlg</name>
    <message>
        <location filename="../gui/tools/KConsoleToolDlg.cpp" line="158"/>
        <source>Question</source>
        <translation>Frage</translation>
    </message>
</context>
<context>
    <name>KConvertFatToNtfsDlg</name>
    <message>
        <location filename="../gui/tools/KConvertFatToNtfsDlg.ui" line="14"/>
        <source>Convert File System</source>
        <translation>Dateisystem umwandeln</translation>
    </message>
    <message>
        <location filename="../gui/tools/KConvertFatToNtfsDlg.ui" line="25"/>
        <source>Current File System:</source>
        <translation>Aktuelles Dateisystem:</translation>
    </message>
    <message>
        <location filename="../gui/tools/KConvertFatToNtfsDlg.ui" line="41"/>
        <source>New File System:</source>
        <translation>Neues Dateisystem:</translation>
    </message>
    <message>
        <location filename="../gui/tools/KConvertFatToNtfsDlg.ui" line="53"/>
        <source>NTFS</source>
        <translation>NTFS</translation>
    </message>
    <message>
        <location filename="../gui/tools/KConvertFatToNtfsDlg.ui" line="62"/>
        <source>&lt;B&gt;Warning:&lt;/B&gt;&lt;BR&gt;&lt;BR&gt;After you click Start button, the operation will be started instantly.</source>
        <translation>&lt;B&gt;Warnung:&lt;/B&gt;&lt;BR&gt;&lt;BR&gt;Sobald Sie auf Start klicken, wird der Vorgang sofort ausgeführt.</translation>
    </message>
    <message>
        <location filename="../gui/tools/KConvertFatToNtfsDlg.ui" line="100"/>
        <source>&amp;Start</source>
        <translation>&amp;Start</translation>
    </message>
    <message>
        <location filename="../gui/tools/KConvertFatToNtfsDlg.ui" line="110"/>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
</context>
<context>
    <name>KCopyDiskWizard</name>
    <message>
        <location filename="../gui/wizards/KCopyDiskWizard.cpp" line="32"/>
        <source>Welcome to Copy Disk Wizard</source>
        <translation>Willkommen beim Kopierassistenten</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KCopyDiskWizard.cpp" line="32"/>
        <source>This wizard helps you to create a copy of hard disk.</source>
        <translation>Dieser Assistent hilft Ihnen, eine Kopie eines Datenträgers zu erstellen.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KCopyDiskWizard.cpp" line="33"/>
        <source>



To continue, click Next.</source>
        <translation>



Klicken Sie zum Fortfahren auf „Weiter“.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KCopyDiskWizard.cpp" line="39"/>
        <source>Boot from the Destination disk</source>
        <translation>Vom Zieldatenträger starten</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KCopyDiskWizard.cpp" line="39"/>
        <source>How to boot from the Destination disk?</source>
        <translation>Wie starten Sie vom Zieldatenträger?</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KCopyDiskWizard.cpp" line="40"/>
        <source>&lt;BR&gt;&lt;BR&gt;&lt;B&gt;Please NOTE:&lt;/B&gt;&lt;BR&gt;&lt;BR&gt;In order to make Windows Operating System bootable on the destination disk, please shut down the computer after disk copy is finished and unload the source disk. &lt;B&gt;Please do not start the computer directly from the destination disk once disk copy is finished.&lt;/B&gt;</source>
        <translation>&lt;BR&gt;&lt;BR&gt;&lt;B&gt;Bitte BEACHTEN:&lt;/B&gt;&lt;BR&gt;&lt;BR&gt;Damit Windows vom Zieldatenträger starten kann, fahren Sie den Computer nach Abschluss des Kopiervorgangs bitte herunter und entfernen Sie den Quelldatenträger. &lt;B&gt;Starten Sie den Computer nach dem Kopieren bitte nicht direkt vom Zieldatenträger.&lt;/B&gt;</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KCopyDiskWizard.cpp" line="45"/>
        <source>Copy Disk Wizard</source>
        <translation>Datenträger-Kopierassistent</translation>
    </message>
</context>
<context>
    <name>KCreatePartitionDlg</name>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.ui" line="14"/>
        <source>Create New Partition</source>
        <translation>Neue Partition erstellen</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.ui" line="20"/>
        <source>Please specify the size and the location for the new partition.</source>
        <translation>Bitte legen Sie die Größe und die Position der neuen Partition fest.</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.ui" line="32"/>
        <source>Partition Label:</source>
        <translation>Partitionsbezeichnung:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.ui" line="46"/>
        <source>Create As:</source>
        <translation>Erstellen als:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.ui" line="57"/>
        <source>Drive Letter:</source>
        <translation>Laufwerksbuchstabe:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.ui" line="68"/>
        <source>File System:</source>
        <translation>Dateisystem:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.ui" line="79"/>
        <source>Cluster Size:</source>
        <translation>Clustergröße:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.ui" line="92"/>
        <source>Size And Location</source>
        <translation>Größe und Position</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.ui" line="119"/>
        <source>Unallocated Space Before:</source>
        <translation>Nicht zugeordneter Speicherplatz davor:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.ui" line="149"/>
        <source>Partition Size:</source>
        <translation>Partitionsgröße:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.ui" line="179"/>
        <source>Unallocated Space After:</source>
        <translation>Nicht zugeordneter Speicherplatz danach:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.ui" line="262"/>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.ui" line="272"/>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.cpp" line="73"/>
        <source>Primary</source>
        <translation>Primär</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.cpp" line="74"/>
        <source>Logical</source>
        <translation>Logisch</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.cpp" line="85"/>
        <location filename="../gui/dialogs/KCreatePartitionDlg.cpp" line="180"/>
        <source>None</source>
        <translation>Keines</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.cpp" line="97"/>
        <source>FAT</source>
        <translation>FAT</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.cpp" line="99"/>
        <source>FAT32</source>
        <translation>FAT32</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.cpp" line="100"/>
        <source>NTFS</source>
        <translation>NTFS</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.cpp" line="106"/>
        <source>Unformatted</source>
        <translation>Unformatiert</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.cpp" line="180"/>
        <source>Default</source>
        <translation>Standard</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.cpp" line="182"/>
        <source>512 Bytes</source>
        <translation>512 Byte</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KCreatePartitionDlg.cpp" line="183"/>
        <source>%1 KB</source>
        <translation>%1 KB</translation>
    </message>
</context>
<context>
    <name>KDestPartitionEditorPage</name>
    <message>
        <location filename="../gui/wizards/KDestPartitionEditorPage.ui" line="17"/>
        <source>Source Disk &amp; Partition:</source>
        <translation>Quelldatenträger &amp; Partition:</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KDestPartitionEditorPage.ui" line="34"/>
        <source>Destination Disk &amp; Partition:</source>
        <translation>Zieldatenträger &amp; Partition:</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KDestPartitionEditorPage.ui" line="51"/>
        <source>Copy the partition with resize</source>
        <translation>Partition kopieren und Größe ändern</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KDestPartitionEditorPage.ui" line="61"/>
        <source>Size &amp; Location:</source>
        <translation>Größe &amp; Position:</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KDestPartitionEditorPage.ui" line="88"/>
        <source>Unallocate Space Before:</source>
        <translation>Freier Platz davor:</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KDestPartitionEditorPage.ui" line="118"/>
        <source>Partition Size:</source>
        <translation>Partitionsgröße:</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KDestPartitionEditorPage.ui" line="148"/>
        <source>Unallocate Space After:</source>
        <translation>Freier Platz danach:</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KDestPartitionEditorPage.ui" line="178"/>
        <source>Create As:</source>
        <translation>Anlegen als:</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KDestPartitionEditorPage.cpp" line="22"/>
        <source>Edit Partition</source>
        <translation>Partition bearbeiten</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KDestPartitionEditorPage.cpp" line="23"/>
        <source>Please enter the new partition size and specify the location of the selected partition:</source>
        <translation>Bitte geben Sie die neue Partitionsgröße ein und legen Sie die Position der ausgewählten Partition fest:</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KDestPartitionEditorPage.cpp" line="85"/>
        <source>Primary</source>
        <translation>Primär</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KDestPartitionEditorPage.cpp" line="87"/>
        <source>Logical</source>
        <translation>Logisch</translation>
    </message>
</context>
<context>
    <name>KDiskMapItem</name>
    <message>
        <location filename="../gui/views/KDiskMapItem.cpp" line="98"/>
        <source>GPT Disk</source>
        <translation>GPT-Datenträger</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapItem.cpp" line="100"/>
        <source>Dynamic Disk</source>
        <translation>Dynamischer Datenträger</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapItem.cpp" line="102"/>
        <source>Bad Disk</source>
        <translation>Fehlerhafter Datenträger</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapItem.cpp" line="104"/>
        <source>Unallocated</source>
        <translation>Nicht zugeordnet</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapItem.cpp" line="110"/>
        <source>Unformatted</source>
        <translation>Unformatiert</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapItem.cpp" line="113"/>
        <source>FAT</source>
        <translation>FAT</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapItem.cpp" line="115"/>
        <source>NTFS</source>
        <translation>NTFS</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapItem.cpp" line="117"/>
        <source>FAT32</source>
        <translation>FAT32</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapItem.cpp" line="119"/>
        <source>Ext2</source>
        <translation>Ext2</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapItem.cpp" line="121"/>
        <source>Ext3</source>
        <translation>Ext3</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapItem.cpp" line="123"/>
        <source>Linux Swap</source>
        <translation>Linux Swap</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapItem.cpp" line="125"/>
        <source>Other</source>
        <translation>Andere</translation>
    </message>
    <message>
        <location filename="../gui/common/SizeText.cpp" line="38"/>
        <source>%1 TB</source>
        <translation>%1 TB</translation>
    </message>
    <message>
        <location filename="../gui/common/SizeText.cpp" line="39"/>
        <source>%1 GB</source>
        <translation>%1 GB</translation>
    </message>
</context>
<context>
    <name>KDiskMapPartitionItemModel</name>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="35"/>
        <source>Partition</source>
        <translation>Partition</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="36"/>
        <source>File System</source>
        <translation>Dateisystem</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="37"/>
        <source>Capacity</source>
        <translation>Kapazität</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="38"/>
        <source>Used</source>
        <translation>Belegt</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="39"/>
        <source>Unused</source>
        <translation>Frei</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="40"/>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="41"/>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="47"/>
        <source>GPT Disk</source>
        <translation>GPT-Datenträger</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="48"/>
        <source>Dynamic Disk</source>
        <translation>Dynamischer Datenträger</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="49"/>
        <source>Bad Disk</source>
        <translation>Fehlerhafter Datenträger</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="50"/>
        <source>Unallocated</source>
        <translation>Frei</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="51"/>
        <source>FAT</source>
        <translation>FAT</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="52"/>
        <source>FAT32</source>
        <translation>FAT32</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="53"/>
        <source>NTFS</source>
        <translation>NTFS</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="54"/>
        <source>Linux Swap</source>
        <translation>Linux Swap</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="55"/>
        <source>Ext2</source>
        <translation>Ext2</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="56"/>
        <source>Ext3</source>
        <translation>Ext3</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="57"/>
        <source>Unformatted</source>
        <translation>Unformatiert</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="58"/>
        <source>Other</source>
        <translation>Andere</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="59"/>
        <source>GPT (Recovery Partition)</source>
        <translation>GPT (Wiederherstellungspartition)</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="60"/>
        <source>GPT (Data Partition)</source>
        <translation>GPT (Datenpartition)</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="61"/>
        <source>GPT (Reserved Partition)</source>
        <translation>GPT (Reservierte Partition)</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="62"/>
        <source>GPT (EFI System partition)</source>
        <translation>GPT (EFI-Systempartition)</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="63"/>
        <source>GPT</source>
        <translation>GPT</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="160"/>
        <source>Disk %1</source>
        <translation>Platte %1</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="223"/>
        <source>Active</source>
        <translation>Aktiv</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="225"/>
        <source>Boot</source>
        <translation>Start</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="227"/>
        <source>System</source>
        <translation>System</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="229"/>
        <source>Hidden</source>
        <translation>Versteckt</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="231"/>
        <source>ReadOnly</source>
        <translation>Schreibgeschützt</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="232"/>
        <source>None</source>
        <translation>Keines</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="261"/>
        <source>Primary</source>
        <translation>Primär</translation>
    </message>
    <message>
        <location filename="../gui/views/KDiskMapPartitionItemModel.cpp" line="261"/>
        <source>Logical</source>
        <translation>Logisch</translation>
    </message>
</context>
<context>
    <name>KDiskPropertiesPage</name>
    <message>
        <location filename="../gui/tools/KDiskPropertiesPage.ui" line="17"/>
        <source>Device Name:</source>
        <translation>Gerätename:</translation>
    </message>
    <message>
        <location filename="../gui/tools/KDiskPropertiesPage.ui" line="50"/>
        <source>Cylinders:</source>
        <translation>Zylinder:</translation>
    </message>
    <message>
        <location filename="../gui/tools/KDiskPropertiesPage.ui" line="67"/>
        <source>Heads:</source>
        <translation>Köpfe:</translation>
    </message>
    <message>
        <location filename="../gui/tools/KDiskPropertiesPage.ui" line="84"/>
        <source>Sectors Per Track:</source>
        <translation>Sektoren pro Spur:</translation>
    </message>
    <message>
        <location filename="../gui/tools/KDiskPropertiesPage.ui" line="101"/>
        <source>Bytes Per Sector:</source>
        <translation>Bytes pro Sektor:</translation>
    </message>
    <message>
        <location filename="../gui/tools/KDiskPropertiesPage.ui" line="118"/>
        <source>Physical Sectors:</source>
        <translation>Physische Sektoren:</translation>
    </message>
    <message>
        <location filename="../gui/tools/KDiskPropertiesPage.ui" line="135"/>
        <source>Total Size:</source>
        <translation>Gesamtgröße:</translation>
    </message>
</context>
<context>
    <name>KDriveExplorerDlg</name>
    <message>
        <location filename="../gui/tools/KDriveExplorerDlg.ui" line="9"/>
        <source>Partition Explorer</source>
        <translation>Partitions-Explorer</translation>
    </message>
    <message>
        <location filename="../gui/tools/KDriveExplorerDlg.ui" line="17"/>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <location filename="../gui/tools/KDriveExplorerDlg.ui" line="18"/>
        <source>Creation Time</source>
        <translation>Erstellt am</translation>
    </message>
    <message>
        <location filename="../gui/tools/KDriveExplorerDlg.ui" line="19"/>
        <source>Modified Time</source>
        <translation>Geändert am</translation>
    </message>
    <message>
        <location filename="../gui/tools/KDriveExplorerDlg.ui" line="20"/>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <location filename="../gui/tools/KDriveExplorerDlg.ui" line="33"/>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
    <message>
        <location filename="../gui/tools/KDriveExplorerDlg.cpp" line="30"/>
        <source>My Computer</source>
        <translation>Arbeitsplatz</translation>
    </message>
</context>
<context>
    <name>KFileSystemInfoPage</name>
    <message>
        <location filename="../gui/tools/KFileSystemInfoPage.ui" line="17"/>
        <source>Partition Type ID:</source>
        <translation>Partitionstyp-ID:</translation>
    </message>
    <message>
        <location filename="../gui/tools/KFileSystemInfoPage.ui" line="50"/>
        <source>File System:</source>
        <translation>Dateisystem:</translation>
    </message>
    <message>
        <location filename="../gui/tools/KFileSystemInfoPage.ui" line="67"/>
        <source>Serial Number:</source>
        <translation>Seriennummer:</translation>
    </message>
    <message>
        <location filename="../gui/tools/KFileSystemInfoPage.ui" line="84"/>
        <source>First Physical Sector:</source>
        <translation>Erster physischer Sektor:</translation>
    </message>
    <message>
        <location filename="../gui/tools/KFileSystemInfoPage.ui" line="101"/>
        <source>Last Physical Sector:</source>
        <translation>Letzter physischer Sektor:</translation>
    </message>
    <message>
        <location filename="../gui/tools/KFileSystemInfoPage.ui" line="118"/>
        <source>Total Physical Sector:</source>
        <translation>Physische Sektoren gesamt:</translation>
    </message>
    <message>
        <location filename="../gui/tools/KFileSystemInfoPage.cpp" line="31"/>
        <source>(Unallocated)</source>
        <translation>(Frei)</translation>
    </message>
    <message>
        <location filename="../gui/tools/KFileSystemInfoPage.cpp" line="31"/>
        <source>(Other)</source>
        <translation>(Andere)</translation>
    </message>
</context>
<context>
    <name>KFormatPartitionDlg</name>
    <message>
        <location filename="../gui/dialogs/KFormatPartitionDlg.ui" line="14"/>
        <source>Format Partition</source>
        <translation>Partition formatieren</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KFormatPartitionDlg.ui" line="28"/>
        <source>Partition Label:</source>
        <translation>Partitionsbezeichnung:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KFormatPartitionDlg.ui" line="45"/>
        <source>File System:</source>
        <translation>Dateisystem:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KFormatPartitionDlg.ui" line="58"/>
        <source>Cluster Size:</source>
        <translation>Clustergröße:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KFormatPartitionDlg.ui" line="76"/>
        <source>Formating the partition will destory the data on the partition!</source>
        <translation>Beim Formatieren der Partition werden alle Daten auf der Partition zerstört!</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KFormatPartitionDlg.ui" line="121"/>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KFormatPartitionDlg.ui" line="131"/>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KFormatPartitionDlg.cpp" line="36"/>
        <source>FAT12</source>
        <translation>FAT12</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KFormatPartitionDlg.cpp" line="38"/>
        <source>FAT16</source>
        <translation>FAT16</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KFormatPartitionDlg.cpp" line="40"/>
        <source>FAT32</source>
        <translation>FAT32</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KFormatPartitionDlg.cpp" line="41"/>
        <source>NTFS</source>
        <translation>NTFS</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KFormatPartitionDlg.cpp" line="43"/>
        <source>Ext2</source>
        <translation>Ext2</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KFormatPartitionDlg.cpp" line="44"/>
        <source>Ext3</source>
        <translation>Ext3</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KFormatPartitionDlg.cpp" line="47"/>
        <source>Linux Swap</source>
        <translation>Linux Swap</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KFormatPartitionDlg.cpp" line="67"/>
        <source>Default</source>
        <translation>Standard</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KFormatPartitionDlg.cpp" line="74"/>
        <location filename="../gui/dialogs/KFormatPartitionDlg.cpp" line="91"/>
        <source>%1 KB</source>
        <translation>%1 KB</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KFormatPartitionDlg.cpp" line="91"/>
        <source>512 Bytes</source>
        <translation>512 Byte</translation>
    </message>
</context>
<context>
    <name>KLegendBar</name>
    <message>
        <location filename="../gui/views/KLegendBar.cpp" line="15"/>
        <source>FAT</source>
        <translation>FAT</translation>
    </message>
    <message>
        <location filename="../gui/views/KLegendBar.cpp" line="16"/>
        <source>FAT32</source>
        <translation>FAT32</translation>
    </message>
    <message>
        <location filename="../gui/views/KLegendBar.cpp" line="17"/>
        <source>NTFS</source>
        <translation>NTFS</translation>
    </message>
    <message>
        <location filename="../gui/views/KLegendBar.cpp" line="18"/>
        <source>Ext2</source>
        <translation>Ext2</translation>
    </message>
    <message>
        <location filename="../gui/views/KLegendBar.cpp" line="19"/>
        <source>Ext3</source>
        <translation>Ext3</translation>
    </message>
    <message>
        <location filename="../gui/views/KLegendBar.cpp" line="20"/>
        <source>Linux Swap</source>
        <translation>Linux Swap</translation>
    </message>
    <message>
        <location filename="../gui/views/KLegendBar.cpp" line="21"/>
        <source>Unformatted</source>
        <translation>Unformatiert</translation>
    </message>
    <message>
        <location filename="../gui/views/KLegendBar.cpp" line="22"/>
        <source>Unallocated</source>
        <translation>Nicht zugeordnet</translation>
    </message>
    <message>
        <location filename="../gui/views/KLegendBar.cpp" line="23"/>
        <source>Other</source>
        <translation>Andere</translation>
    </message>
    <message>
        <location filename="../gui/views/KLegendBar.cpp" line="24"/>
        <source>Used</source>
        <translation>Belegt</translation>
    </message>
    <message>
        <location filename="../gui/views/KLegendBar.cpp" line="25"/>
        <source>Unused</source>
        <translation>Frei</translation>
    </message>
</context>
<context>
    <name>KMessageBoxInteraction</name>
    <message>
        <location filename="../gui/mainframe/KMessageBoxInteraction.cpp" line="31"/>
        <source>&lt;B&gt;Operation &quot;%1&quot; cannot be completed because drive %2 is being used now.&lt;/B&gt;&lt;BR&gt;&lt;BR&gt;Please choose one of following options:&lt;BR&gt;&lt;BR&gt;   A.) Restart your PC and Volmara will automatically finish rest of the pending jobs.&lt;BR&gt;&lt;BR&gt;   B.) Close other programs and click &quot;Retry&quot; button to continue&lt;BR&gt;&lt;BR&gt;   C.) Cancel the operations.&lt;BR&gt;</source>
        <translation>&lt;B&gt;Der Vorgang „%1“ kann nicht abgeschlossen werden, weil Laufwerk %2 gerade verwendet wird.&lt;/B&gt;&lt;BR&gt;&lt;BR&gt;Bitte wählen Sie eine der folgenden Möglichkeiten:&lt;BR&gt;&lt;BR&gt;   A.) Starten Sie den PC neu. Volmara schließt die restlichen ausstehenden Vorgänge dann automatisch ab.&lt;BR&gt;&lt;BR&gt;   B.) Schließen Sie andere Programme und klicken Sie auf „Wiederholen“, um fortzufahren.&lt;BR&gt;&lt;BR&gt;   C.) Brechen Sie die Vorgänge ab.&lt;BR&gt;</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/KMessageBoxInteraction.cpp" line="37"/>
        <location filename="../gui/mainframe/KMessageBoxInteraction.cpp" line="54"/>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/KMessageBoxInteraction.cpp" line="39"/>
        <source>Restart Now</source>
        <translation>Jetzt neu starten</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/KMessageBoxInteraction.cpp" line="40"/>
        <source>Retry</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/KMessageBoxInteraction.cpp" line="41"/>
        <source>Cancel Operations</source>
        <translation>Vorgänge abbrechen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/KMessageBoxInteraction.cpp" line="55"/>
        <source>Failed to execute the following command:

%1

%2</source>
        <translation>Der folgende Befehl konnte nicht ausgeführt werden:

%1

%2</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/KMessageBoxInteraction.cpp" line="61"/>
        <source>Reboot</source>
        <translation>Neustart</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/KMessageBoxInteraction.cpp" line="62"/>
        <source>Failed to reboot system, please reboot your computer manually.</source>
        <translation>Das System konnte nicht neu gestartet werden. Bitte starten Sie Ihren Computer manuell neu.</translation>
    </message>
</context>
<context>
    <name>KMoveResizeDlg</name>
    <message>
        <location filename="../gui/dialogs/KMoveResizeDlg.ui" line="14"/>
        <source>Move/Resize Partition</source>
        <translation>Partition verschieben/Größe ändern</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KMoveResizeDlg.ui" line="20"/>
        <source>Enter the new partition size and specify the location of the selected partition.</source>
        <translation>Geben Sie die neue Partitionsgröße ein und legen Sie die Position der ausgewählten Partition fest.</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KMoveResizeDlg.ui" line="30"/>
        <source>Size And Location</source>
        <translation>Größe und Position</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KMoveResizeDlg.ui" line="57"/>
        <source>Unallocate Space Before:</source>
        <translation>Nicht zugeordneter Speicherplatz davor:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KMoveResizeDlg.ui" line="87"/>
        <source>Partition Size:</source>
        <translation>Partitionsgröße:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KMoveResizeDlg.ui" line="117"/>
        <source>Unallocate Space After:</source>
        <translation>Nicht zugeordneter Speicherplatz danach:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KMoveResizeDlg.ui" line="165"/>
        <source>Using Enhanced Data Protecting Mode could provide enhanced protecting for your data. It will keep your data safe even in the case of power outages or hardware failure. To use this option, more free space is required for the partition.</source>
        <translation>Der erweiterte Datenschutzmodus bietet zusätzlichen Schutz für Ihre Daten. Er schützt Ihre Daten selbst bei einem Stromausfall oder einem Hardwaredefekt. Für diese Option wird mehr freier Speicherplatz auf der Partition benötigt.</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KMoveResizeDlg.ui" line="168"/>
        <source>Using Enhanced Data Protecting Mode</source>
        <translation>Erweiterten Datenschutzmodus verwenden</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KMoveResizeDlg.ui" line="193"/>
        <source>It&apos;s recommended to backup your data before moving or resizing the partition.</source>
        <translation>Es wird empfohlen, Ihre Daten zu sichern, bevor Sie die Partition verschieben oder ihre Größe ändern.</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KMoveResizeDlg.ui" line="240"/>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KMoveResizeDlg.ui" line="250"/>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
</context>
<context>
    <name>KPartitionCopyWizard</name>
    <message>
        <location filename="../gui/wizards/KPartitionCopyWizard.cpp" line="16"/>
        <location filename="../gui/wizards/KPartitionCopyWizard.cpp" line="23"/>
        <source>Partition Copy Wizard</source>
        <translation>Partitions-Kopierassistent</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionCopyWizard.cpp" line="16"/>
        <source>This wizard helps you to copy a partition.</source>
        <translation>Dieser Assistent hilft Ihnen, eine Partition zu kopieren.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionCopyWizard.cpp" line="45"/>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionCopyWizard.cpp" line="45"/>
        <source>The destination unallocated space is too small.</source>
        <translation>Der freie Zielbereich ist zu klein.</translation>
    </message>
</context>
<context>
    <name>KPartitionMergeWizard</name>
    <message>
        <location filename="../gui/wizards/KPartitionMergeWizard.cpp" line="14"/>
        <source>Merge Partition</source>
        <translation>Partition zusammenführen</translation>
    </message>
</context>
<context>
    <name>KPartitionMergeWizard_SelectPartitionPage</name>
    <message>
        <location filename="../gui/wizards/KPartitionMergeWizard_SelectPartitionPage.cpp" line="48"/>
        <source>What to expand</source>
        <translation>Zielpartition</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionMergeWizard_SelectPartitionPage.cpp" line="48"/>
        <source>What to merge</source>
        <translation>Quellpartition</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionMergeWizard_SelectPartitionPage.cpp" line="49"/>
        <source>Select partition you like to expand.</source>
        <translation>Wählen Sie die Partition aus, die Sie erweitern möchten.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionMergeWizard_SelectPartitionPage.cpp" line="50"/>
        <source>Select partition that will be included to the target one.</source>
        <translation>Wählen Sie die Partition aus, die in die Zielpartition aufgenommen werden soll.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionMergeWizard_SelectPartitionPage.cpp" line="57"/>
        <source>&lt;B&gt;On this page, you can choose a partition that will be expanded to include adjacent partition.&lt;/B&gt; Please note that it is possible to select only NTFS partitions. If you like to merge a FAT12/16/32 partition, please use &quot;Convert FAT to NTFS&quot; function to convert it to NTFS first.</source>
        <translation>&lt;B&gt;Auf dieser Seite können Sie eine Partition auswählen, die um eine angrenzende Partition erweitert wird.&lt;/B&gt; Bitte beachten Sie, dass nur NTFS-Partitionen ausgewählt werden können. Wenn Sie eine FAT12/16/32-Partition zusammenführen möchten, wandeln Sie sie bitte zuerst mit der Funktion &quot;FAT in NTFS umwandeln&quot; in NTFS um.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionMergeWizard_SelectPartitionPage.cpp" line="61"/>
        <source>Select an adjacent partition to merge with the target partition. &lt;B&gt;This partition will be merged to the one you have selected on the previous page.&lt;/B&gt; The content of the second partition will be placed in a folder inside the resulting partition.</source>
        <translation>Wählen Sie eine angrenzende Partition aus, die mit der Zielpartition zusammengeführt werden soll. &lt;B&gt;Diese Partition wird mit der Partition zusammengeführt, die Sie auf der vorherigen Seite ausgewählt haben.&lt;/B&gt; Der Inhalt der zweiten Partition wird in einem Ordner innerhalb der resultierenden Partition abgelegt.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionMergeWizard_SelectPartitionPage.cpp" line="87"/>
        <source>Specify a folder name to keep content of the selected partition:</source>
        <translation>Geben Sie einen Ordnernamen für den Inhalt der ausgewählten Partition an:</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionMergeWizard_SelectPartitionPage.cpp" line="174"/>
        <location filename="../gui/wizards/KPartitionMergeWizard_SelectPartitionPage.cpp" line="198"/>
        <location filename="../gui/wizards/KPartitionMergeWizard_SelectPartitionPage.cpp" line="203"/>
        <location filename="../gui/wizards/KPartitionMergeWizard_SelectPartitionPage.cpp" line="213"/>
        <location filename="../gui/wizards/KPartitionMergeWizard_SelectPartitionPage.cpp" line="219"/>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionMergeWizard_SelectPartitionPage.cpp" line="198"/>
        <source>Please select a partition.</source>
        <translation>Bitte wählen Sie eine Partition aus.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionMergeWizard_SelectPartitionPage.cpp" line="204"/>
        <source>You select a FAT partition. To merge this partition, please use &quot;Convert FAT to NTFS&quot; function to convert it to NTFS first.</source>
        <translation>Sie haben eine FAT-Partition ausgewählt. Um diese Partition zusammenzuführen, wandeln Sie sie bitte zuerst mit der Funktion &quot;FAT in NTFS umwandeln&quot; in NTFS um.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionMergeWizard_SelectPartitionPage.cpp" line="213"/>
        <source>Please enter a name for the folder.</source>
        <translation>Bitte geben Sie einen Namen für den Ordner ein.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionMergeWizard_SelectPartitionPage.cpp" line="219"/>
        <source>The expanding partition does not have enough free space.</source>
        <translation>Die zu erweiternde Partition hat nicht genügend freien Speicherplatz.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionMergeWizard_SelectPartitionPage.cpp" line="222"/>
        <source>The folder name &lt;B&gt;%1&lt;/B&gt; is not valid. Please enter another name.</source>
        <translation>Der Ordnername &lt;B&gt;%1&lt;/B&gt; ist ungültig. Bitte geben Sie einen anderen Namen ein.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionMergeWizard_SelectPartitionPage.cpp" line="234"/>
        <source>The folder name &lt;B&gt;%1&lt;/B&gt; is too long. Please enter another name.</source>
        <translation>Der Ordnername &lt;B&gt;%1&lt;/B&gt; ist zu lang. Bitte geben Sie einen anderen Namen ein.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionMergeWizard_SelectPartitionPage.cpp" line="238"/>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionMergeWizard_SelectPartitionPage.cpp" line="239"/>
        <source> Selected partition is a boot/system partition. Merge &lt;B&gt;this partition into another will make your computer unable to boot.&lt;/B&gt;&lt;BR&gt;&lt;BR&gt;Do you want to continue?</source>
        <translation> Die ausgewählte Partition ist eine Boot-/Systempartition. Wenn Sie &lt;B&gt;diese Partition mit einer anderen zusammenführen, kann Ihr Computer nicht mehr starten.&lt;/B&gt;&lt;BR&gt;&lt;BR&gt;Möchten Sie fortfahren?</translation>
    </message>
</context>
<context>
    <name>KPartitionRecoveryWizard</name>
    <message>
        <location filename="../gui/wizards/KPartitionRecoveryWizard.cpp" line="18"/>
        <source>Welcome to Partition Recovery Wizard</source>
        <translation>Willkommen zur Partitionswiederherstellung</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionRecoveryWizard.cpp" line="19"/>
        <source>This wizard helps you to recover lost or deleted partitions.</source>
        <translation>Dieser Assistent hilft Ihnen, verlorene oder gelöschte Partitionen wiederherzustellen.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionRecoveryWizard.cpp" line="20"/>
        <source>



To continue, click Next.</source>
        <translation>



Klicken Sie zum Fortfahren auf „Weiter“.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionRecoveryWizard.cpp" line="25"/>
        <source>Select Disk for recovery</source>
        <translation>Datenträger auswählen</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionRecoveryWizard.cpp" line="26"/>
        <source>Choose a disk you like to recover.</source>
        <translation>Wählen Sie den Datenträger aus, den Sie wiederherstellen möchten.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionRecoveryWizard.cpp" line="27"/>
        <source>On this page, you can choose a disk you like to recover.</source>
        <translation>Auf dieser Seite können Sie den Datenträger auswählen, den Sie wiederherstellen möchten.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KPartitionRecoveryWizard.cpp" line="40"/>
        <source>Partition Recovery Wizard</source>
        <translation>Wiederherstellungsassistent</translation>
    </message>
</context>
<context>
    <name>KPartitionUsagePage</name>
    <message>
        <location filename="../gui/tools/KPartitionUsagePage.cpp" line="73"/>
        <source>  Used:					 %1					 %2%</source>
        <translation>  Belegt:					 %1					 %2%</translation>
    </message>
    <message>
        <location filename="../gui/tools/KPartitionUsagePage.cpp" line="75"/>
        <source>Unused:					 %1					 %2%</source>
        <translation>Frei:					 %1					 %2%</translation>
    </message>
    <message>
        <location filename="../gui/tools/KPartitionUsagePage.cpp" line="77"/>
        <source> Total:					 %1					 100%</source>
        <translation> Gesamt:					 %1					 100%</translation>
    </message>
</context>
<context>
    <name>KPropertiesDlg</name>
    <message>
        <location filename="../gui/tools/KPropertiesDlg.ui" line="20"/>
        <source>Properties</source>
        <translation>Eigenschaften</translation>
    </message>
    <message>
        <location filename="../gui/tools/KPropertiesDlg.ui" line="62"/>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <location filename="../gui/tools/KPropertiesDlg.cpp" line="70"/>
        <source>Disk Properties</source>
        <translation>Datenträger</translation>
    </message>
    <message>
        <location filename="../gui/tools/KPropertiesDlg.cpp" line="81"/>
        <source>Usage</source>
        <translation>Belegung</translation>
    </message>
    <message>
        <location filename="../gui/tools/KPropertiesDlg.cpp" line="91"/>
        <source>Partition Info</source>
        <translation>Partitionsinfo</translation>
    </message>
    <message>
        <location filename="../gui/tools/KPropertiesDlg.cpp" line="104"/>
        <source>File System Info</source>
        <translation>Dateisysteminfo</translation>
    </message>
    <message>
        <location filename="../gui/tools/KPropertiesDlg.cpp" line="113"/>
        <source>

	Sectors per Cluster: %1 (%2 bytes)

	Number of Fats: %3

	Reserved Sectors: %4

	Sectors per FAT: %5

	Root Entries Limit: %6</source>
        <translation>

	Sektoren pro Cluster: %1 (%2 Bytes)

	Anzahl FATs: %3

	Reservierte Sektoren: %4

	Sektoren pro FAT: %5

	Max. Stammverzeichniseinträge: %6</translation>
    </message>
    <message>
        <location filename="../gui/tools/KPropertiesDlg.cpp" line="122"/>
        <source>

	Sectors per Cluster: %1 (%2 bytes)

	Number of Fats: %3

	Reserved Sectors: %4

	Sectors per FAT: %5

	Root 1st Cluster NO.: %6</source>
        <translation>

	Sektoren pro Cluster: %1 (%2 Bytes)

	Anzahl FATs: %3

	Reservierte Sektoren: %4

	Sektoren pro FAT: %5

	Erster Cluster des Stammverz.: %6</translation>
    </message>
    <message>
        <location filename="../gui/tools/KPropertiesDlg.cpp" line="131"/>
        <source>

	Sectors per Cluster: %1 (%2 bytes)

	Sectors per File Record: %3 (%4 bytes)

	Sectors per Index Record: %5 (%6 bytes)

	$MFT LCN: %7

	$MFTMirr LCN: %8</source>
        <translation>

	Sektoren pro Cluster: %1 (%2 Bytes)

	Sektoren pro Dateidatensatz: %3 (%4 Bytes)

	Sektoren pro Indexdatensatz: %5 (%6 Bytes)

	$MFT LCN: %7

	$MFTMirr LCN: %8</translation>
    </message>
    <message>
        <location filename="../gui/tools/KPropertiesDlg.cpp" line="143"/>
        <source>

	Sectors per Cluster: %1 (%2 bytes)

	Inodes Per Group: %3

	Blocks Per Group: %4

	Inode Size: %5</source>
        <translation>

	Sektoren pro Cluster: %1 (%2 Bytes)

	Inodes pro Gruppe: %3

	Blöcke pro Gruppe: %4

	Inode-Größe: %5</translation>
    </message>
</context>
<context>
    <name>KSelectPartitionPage</name>
    <message>
        <location filename="../gui/wizards/KSelectPartitionPage.cpp" line="33"/>
        <source>Copy Partition</source>
        <translation>Partition kopieren</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KSelectPartitionPage.cpp" line="33"/>
        <source>Where to create a copy</source>
        <translation>Ziel der Kopie</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KSelectPartitionPage.cpp" line="34"/>
        <source>Select a partition you would like to copy.</source>
        <translation>Wählen Sie die Partition aus, die Sie kopieren möchten.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KSelectPartitionPage.cpp" line="35"/>
        <source>Select a disk and mark the position where you would like to create the copy of the selected partition.</source>
        <translation>Wählen Sie einen Datenträger aus und markieren Sie die Stelle, an der die Kopie der ausgewählten Partition erstellt werden soll.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KSelectPartitionPage.cpp" line="130"/>
        <location filename="../gui/wizards/KSelectPartitionPage.cpp" line="149"/>
        <source>Source device must be a partition.</source>
        <translation>Das Quellgerät muss eine Partition sein.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KSelectPartitionPage.cpp" line="131"/>
        <source>Destination device must be an unallocated space.</source>
        <translation>Das Zielgerät muss ein freier Bereich sein.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KSelectPartitionPage.cpp" line="157"/>
        <source>This disk uses MBR format, the disk space beyond 2 TB will be unusable.</source>
        <translation>Dieser Datenträger verwendet das MBR-Format; Speicherplatz jenseits von 2 TB ist nicht nutzbar.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KSelectPartitionPage.cpp" line="159"/>
        <source>The destination unallocated space is too small.</source>
        <translation>Der freie Zielbereich ist zu klein.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KSelectPartitionPage.cpp" line="169"/>
        <source>Volmara cannot create a partition at the specified location.</source>
        <translation>Volmara kann an der angegebenen Stelle keine Partition erstellen.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KSelectPartitionPage.cpp" line="186"/>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
</context>
<context>
    <name>KSelectingDiskPage</name>
    <message>
        <location filename="../gui/wizards/KSelectingDiskPage.cpp" line="21"/>
        <source>Select Disk to copy</source>
        <translation>Quelldatenträger wählen</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KSelectingDiskPage.cpp" line="21"/>
        <source>Select target Disk</source>
        <translation>Zieldatenträger wählen</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KSelectingDiskPage.cpp" line="22"/>
        <source>Choose a disk you would like to copy.</source>
        <translation>Wählen Sie den Datenträger aus, den Sie kopieren möchten.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KSelectingDiskPage.cpp" line="23"/>
        <source>Choose a disk to copy the source content to.</source>
        <translation>Wählen Sie den Datenträger aus, auf den der Quellinhalt kopiert werden soll.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KSelectingDiskPage.cpp" line="28"/>
        <source>On this page, you can choose a disk you like to copy. All partitions from this disk will be copied to the destination you will choose on the next page.</source>
        <translation>Auf dieser Seite können Sie den Datenträger auswählen, den Sie kopieren möchten. Alle Partitionen dieses Datenträgers werden auf das Ziel kopiert, das Sie auf der nächsten Seite auswählen.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KSelectingDiskPage.cpp" line="30"/>
        <source>Select a target disk. All data from the source disk will be copied there. During copy operation, &lt;B&gt;target disk content will be deleted&lt;/B&gt;.</source>
        <translation>Wählen Sie einen Zieldatenträger aus. Alle Daten des Quelldatenträgers werden dorthin kopiert. Beim Kopieren &lt;B&gt;wird der Inhalt des Zieldatenträgers gelöscht&lt;/B&gt;.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KSelectingDiskPage.cpp" line="106"/>
        <source>This disk is Dynamic Disk.</source>
        <translation>Dies ist ein dynamischer Datenträger.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KSelectingDiskPage.cpp" line="109"/>
        <source>This disk is GPT Disk. And your OS is not support GPT disk.</source>
        <translation>Dies ist ein GPT-Datenträger, und Ihr Betriebssystem unterstützt keine GPT-Datenträger.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KSelectingDiskPage.cpp" line="116"/>
        <source>This disk is empty.</source>
        <translation>Dieser Datenträger ist leer.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KSelectingDiskPage.cpp" line="121"/>
        <source>This disk is source disk.</source>
        <translation>Dies ist der Quelldatenträger.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KSelectingDiskPage.cpp" line="141"/>
        <source>This disk is too small.</source>
        <translation>Dieser Datenträger ist zu klein.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KSelectingDiskPage.cpp" line="148"/>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KSelectingDiskPage.cpp" line="149"/>
        <source>All the data on the disk will be destroyed.

Are you sure that you want to continue?</source>
        <translation>Alle Daten auf dem Datenträger werden gelöscht.

Möchten Sie wirklich fortfahren?</translation>
    </message>
</context>
<context>
    <name>KSurfaceScanDlg</name>
    <message>
        <location filename="../gui/tools/KSurfaceScanDlg.ui" line="9"/>
        <source>Surface Test</source>
        <translation>Oberflächentest</translation>
    </message>
    <message>
        <location filename="../gui/tools/KSurfaceScanDlg.ui" line="15"/>
        <source>Device:</source>
        <translation>Gerät:</translation>
    </message>
    <message>
        <location filename="../gui/tools/KSurfaceScanDlg.ui" line="21"/>
        <source>Speed:</source>
        <translation>Tempo:</translation>
    </message>
    <message>
        <location filename="../gui/tools/KSurfaceScanDlg.ui" line="27"/>
        <source>Errors found:</source>
        <translation>Fehler:</translation>
    </message>
    <message>
        <location filename="../gui/tools/KSurfaceScanDlg.ui" line="33"/>
        <source>Elapsed Time:</source>
        <translation>Laufzeit:</translation>
    </message>
    <message>
        <location filename="../gui/tools/KSurfaceScanDlg.ui" line="39"/>
        <location filename="../gui/tools/KSurfaceScanDlg.cpp" line="52"/>
        <location filename="../gui/tools/KSurfaceScanDlg.cpp" line="188"/>
        <source>Start Now</source>
        <translation>Starten</translation>
    </message>
    <message>
        <location filename="../gui/tools/KSurfaceScanDlg.ui" line="42"/>
        <source>Time Remaining:</source>
        <translation>Restzeit:</translation>
    </message>
    <message>
        <location filename="../gui/tools/KSurfaceScanDlg.ui" line="48"/>
        <source>Percent Completed:</source>
        <translation>Fortschritt:</translation>
    </message>
    <message>
        <location filename="../gui/tools/KSurfaceScanDlg.ui" line="69"/>
        <source>Disk block without read error</source>
        <translation>Block ohne Lesefehler</translation>
    </message>
    <message>
        <location filename="../gui/tools/KSurfaceScanDlg.ui" line="78"/>
        <source>Read error in this block</source>
        <translation>Block mit Lesefehler</translation>
    </message>
    <message>
        <location filename="../gui/tools/KSurfaceScanDlg.cpp" line="49"/>
        <location filename="../gui/tools/KSurfaceScanDlg.cpp" line="237"/>
        <source>%1 MB/Min.</source>
        <translation>%1 MB/Min.</translation>
    </message>
    <message>
        <location filename="../gui/tools/KSurfaceScanDlg.cpp" line="176"/>
        <source>Stop Now</source>
        <translation>Stoppen</translation>
    </message>
    <message>
        <location filename="../gui/tools/KSurfaceScanDlg.cpp" line="191"/>
        <source>%1 errors found.</source>
        <translation>%1 Fehler gefunden.</translation>
    </message>
    <message>
        <location filename="../gui/tools/KSurfaceScanDlg.cpp" line="191"/>
        <source>No error found.</source>
        <translation>Keine Fehler gefunden.</translation>
    </message>
    <message>
        <location filename="../gui/tools/KSurfaceScanDlg.cpp" line="193"/>
        <source>User canceled. %1</source>
        <translation>Abgebrochen. %1</translation>
    </message>
    <message>
        <location filename="../gui/tools/KSurfaceScanDlg.cpp" line="196"/>
        <source>Surface scan complete. %1</source>
        <translation>Test abgeschlossen. %1</translation>
    </message>
    <message>
        <location filename="../gui/tools/KSurfaceScanDlg.cpp" line="256"/>
        <source>Are you sure you want to cancel surface scan?</source>
        <translation>Möchten Sie den Oberflächentest wirklich abbrechen?</translation>
    </message>
</context>
<context>
    <name>KTargetDiskEditorPage</name>
    <message>
        <location filename="../gui/wizards/KTargetDiskEditorPage.ui" line="14"/>
        <source>Review the changes</source>
        <translation>Änderungen prüfen</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KTargetDiskEditorPage.ui" line="17"/>
        <source>On this page you can review the changes you have been made.</source>
        <translation>Auf dieser Seite können Sie die vorgenommenen Änderungen prüfen.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KTargetDiskEditorPage.ui" line="23"/>
        <source>Target Disk Layout:</source>
        <translation>Layout des Ziels:</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KTargetDiskEditorPage.ui" line="42"/>
        <source>Copy Options:</source>
        <translation>Kopieroptionen:</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KTargetDiskEditorPage.ui" line="48"/>
        <source>1. Fit partitions to entire disk.</source>
        <translation>1. Partitionen an Datenträger anpassen.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KTargetDiskEditorPage.ui" line="58"/>
        <source>2. Copy partitions without resize.</source>
        <translation>2. Partitionen unverändert kopieren.</translation>
    </message>
    <message>
        <location filename="../gui/wizards/KTargetDiskEditorPage.ui" line="65"/>
        <source>3. Copy partitions with minimum size.</source>
        <translation>3. Partitionen mit Mindestgröße kopieren.</translation>
    </message>
</context>
<context>
    <name>KWelcomePage</name>
    <message>
        <location filename="../gui/wizards/KWelcomePage.cpp" line="11"/>
        <source>




To continue, click Next...</source>
        <translation>




Klicken Sie zum Fortfahren auf „Weiter“...</translation>
    </message>
</context>
<context>
    <name>KWipingDiskDlg</name>
    <message>
        <location filename="../gui/dialogs/KWipingDiskDlg.ui" line="14"/>
        <source>Wiping Disk or Partition</source>
        <translation>Datenträger oder Partition sicher löschen</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KWipingDiskDlg.ui" line="47"/>
        <source>Wiping Disk/Partition will remove every sectors of data on the disk. Data once wiped can not be recovered by any data recovery solutions.</source>
        <translation>Beim sicheren Löschen eines Datenträgers oder einer Partition werden die Daten in sämtlichen Sektoren entfernt. Sicher gelöschte Daten können mit keiner Datenrettungslösung wiederhergestellt werden.</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KWipingDiskDlg.ui" line="61"/>
        <source>Destination Device:</source>
        <translation>Zielgerät:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KWipingDiskDlg.ui" line="90"/>
        <source>Wiping Method:</source>
        <translation>Löschmethode:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KWipingDiskDlg.ui" line="99"/>
        <source>Fill Sectors with Zero</source>
        <translation>Sektoren mit Nullen füllen</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KWipingDiskDlg.ui" line="109"/>
        <location filename="../gui/dialogs/KWipingDiskDlg.ui" line="123"/>
        <source>( Quick )</source>
        <translation>( Schnell )</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KWipingDiskDlg.ui" line="116"/>
        <source>Fill Sectors with One</source>
        <translation>Sektoren mit Einsen füllen</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KWipingDiskDlg.ui" line="130"/>
        <source>Fill Sectors with Zero &amp;&amp; One</source>
        <translation>Sektoren mit Nullen &amp;&amp; Einsen füllen</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KWipingDiskDlg.ui" line="137"/>
        <source>( Slow )</source>
        <translation>( Langsam )</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KWipingDiskDlg.ui" line="144"/>
        <source>DoD 5220.22-M (3 passes)</source>
        <translation>DoD 5220.22-M (3 Durchgänge)</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KWipingDiskDlg.ui" line="151"/>
        <location filename="../gui/dialogs/KWipingDiskDlg.ui" line="165"/>
        <source>( Very Slow )</source>
        <translation>( Sehr langsam )</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KWipingDiskDlg.ui" line="158"/>
        <source>DoD 5220.28-STD (7 passes)</source>
        <translation>DoD 5220.28-STD (7 Durchgänge)</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KWipingDiskDlg.ui" line="223"/>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/KWipingDiskDlg.ui" line="233"/>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
</context>
<context>
    <name>MainFrame</name>
    <message>
        <location filename="../gui/mainframe/MainFrame.cpp" line="124"/>
        <source>Volmara Free Edition %1</source>
        <translation>Volmara Free Edition %1</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.cpp" line="195"/>
        <source>Apply</source>
        <translation>Anwenden</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.cpp" line="196"/>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.cpp" line="214"/>
        <source>Wizards</source>
        <translation>Assistenten</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.cpp" line="216"/>
        <source>Operations</source>
        <translation>Vorgänge</translation>
    </message>
    <message numerus="yes">
        <location filename="../gui/mainframe/MainFrame.cpp" line="218"/>
        <source>%n Operations Pending</source>
        <translation>
            <numerusform>%n ausstehender Vorgang</numerusform>
            <numerusform>%n ausstehende Vorgänge</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.cpp" line="620"/>
        <source>Discard Changes?</source>
        <translation>Änderungen verwerfen?</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.cpp" line="621"/>
        <source>&lt;B&gt;Discard all pending changes?&lt;/B&gt;&lt;br&gt;&lt;br&gt;The changes you have made will be lost.</source>
        <translation>&lt;B&gt;Alle ausstehenden Änderungen verwerfen?&lt;/B&gt;&lt;br&gt;&lt;br&gt;Die von Ihnen vorgenommenen Änderungen gehen verloren.</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.cpp" line="634"/>
        <source>Apply Changes?</source>
        <translation>Änderungen übernehmen?</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.cpp" line="635"/>
        <source>Apply pending changes?&lt;BR&gt;&lt;BR&gt;&lt;B&gt;We strongly recommend you close all other applications before you apply the pending changes.&lt;/B&gt;</source>
        <translation>Ausstehende Änderungen übernehmen?&lt;BR&gt;&lt;BR&gt;&lt;B&gt;Wir empfehlen dringend, alle anderen Anwendungen zu schließen, bevor Sie die ausstehenden Änderungen übernehmen.&lt;/B&gt;</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.cpp" line="651"/>
        <source>Updating</source>
        <translation>Aktualisierung</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.cpp" line="652"/>
        <source>Updating partition information, please wait...</source>
        <translation>Partitionsinformationen werden aktualisiert, bitte warten...</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.cpp" line="692"/>
        <source>&lt;B&gt;%1. %2&lt;/B&gt;&lt;BR&gt;%3&lt;BR&gt;</source>
        <translation>&lt;B&gt;%1. %2&lt;/B&gt;&lt;BR&gt;%3&lt;BR&gt;</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.cpp" line="696"/>
        <source>Successful</source>
        <translation>Erfolgreich</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.cpp" line="696"/>
        <source>Apply all the pending changes successfully.</source>
        <translation>Alle ausstehenden Änderungen wurden erfolgreich übernommen.</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.cpp" line="698"/>
        <location filename="../gui/mainframe/MainFrame.cpp" line="704"/>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.cpp" line="699"/>
        <source>These pending changes could not be applied:&lt;BR&gt;&lt;BR&gt;%1</source>
        <translation>Diese ausstehenden Änderungen konnten nicht angewendet werden:&lt;BR&gt;&lt;BR&gt;%1</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.cpp" line="701"/>
        <source>Failed to apply one of the pending changes. Operations abort.</source>
        <translation>Eine der ausstehenden Änderungen konnte nicht übernommen werden. Die Vorgänge wurden abgebrochen.</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.cpp" line="736"/>
        <source>BUG!</source>
        <translation>Programmfehler!</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.cpp" line="737"/>
        <source>The last operation will create a overlapping partition. It&apos;s a bug of Volmara. And your last operating will be canceled.&lt;BR&gt;&lt;BR&gt;Please send the steps that led to it to support@volmara.example so that we can fix it. Thank you!</source>
        <translation>Der letzte Vorgang würde eine überlappende Partition erzeugen. Dies ist ein Fehler in Volmara, daher wird Ihr letzter Vorgang abgebrochen.&lt;BR&gt;&lt;BR&gt;Bitte senden Sie die Schritte, die dazu geführt haben, an support@volmara.example, damit wir den Fehler beheben können. Vielen Dank!</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.cpp" line="752"/>
        <source>Quit?</source>
        <translation>Beenden?</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.cpp" line="753"/>
        <source>&lt;B&gt;Quit the program?&lt;/B&gt;&lt;BR&gt;&lt;BR&gt;&lt;BR&gt;You are about to quit the program and &lt;B&gt;cancel all pending operations&lt;/B&gt;.&lt;BR&gt;The changes you have made will be lost.</source>
        <translation>&lt;B&gt;Programm beenden?&lt;/B&gt;&lt;BR&gt;&lt;BR&gt;&lt;BR&gt;Sie sind dabei, das Programm zu beenden und &lt;B&gt;alle ausstehenden Vorgänge abzubrechen&lt;/B&gt;.&lt;BR&gt;Die von Ihnen vorgenommenen Änderungen gehen verloren.</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="50"/>
        <source>Disk %1</source>
        <translation>Datenträger %1</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="54"/>
        <source>%1 ( Disk %2 Partition %3 )</source>
        <translation>%1 ( Datenträger %2 Partition %3 )</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="58"/>
        <source>Disk %1 Partition %2</source>
        <translation>Datenträger %1 Partition %2</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="77"/>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="209"/>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="97"/>
        <source>This partition is system partition, deleting system partition may cause your computer to be unbootable!

Are you sure that you want to delete this partition?</source>
        <translation>Diese Partition ist eine Systempartition. Wenn Sie die Systempartition löschen, startet Ihr Computer möglicherweise nicht mehr!

Möchten Sie diese Partition wirklich löschen?</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="101"/>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="197"/>
        <location filename="../gui/mainframe/MainFrameWizardHandlers.cpp" line="190"/>
        <location filename="../gui/mainframe/MainFrameWizardHandlers.cpp" line="264"/>
        <source>Delete: (%1)</source>
        <translation>Löschen: (%1)</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="114"/>
        <source>Unhide: (%1)</source>
        <translation>Sichtbar machen: (%1)</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="114"/>
        <source>Hide: (%1)</source>
        <translation>Verstecken: (%1)</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="130"/>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="144"/>
        <source>Set Active: (%1)</source>
        <translation>Als aktiv festlegen: (%1)</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="138"/>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="157"/>
        <source>Set Inactive: (%1)</source>
        <translation>Als inaktiv festlegen: (%1)</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="170"/>
        <source>Initiate Disk %1 to GPT</source>
        <translation>Datenträger %1 als GPT initialisieren</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="171"/>
        <source>Initiate Disk %1 to MBR</source>
        <translation>Datenträger %1 als MBR initialisieren</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="172"/>
        <source>Rebuild MBR on Disk %1</source>
        <translation>MBR auf Datenträger %1 neu erstellen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="210"/>
        <source>Are you sure that you want to delete all partitions on disk %1 ?</source>
        <translation>Möchten Sie wirklich alle Partitionen auf Datenträger %1 löschen?</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="214"/>
        <source>This disk contains system partition, deleting system partition may cause your computer to be unbootable!

Are you sure that you want to delete all partitions on the disk?</source>
        <translation>Dieser Datenträger enthält eine Systempartition. Wenn Sie die Systempartition löschen, startet Ihr Computer möglicherweise nicht mehr!

Möchten Sie wirklich alle Partitionen auf dem Datenträger löschen?</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="218"/>
        <source>Delete All Partitions on Disk %1</source>
        <translation>Alle Partitionen auf Datenträger %1 löschen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="230"/>
        <source>Set Partition as Primary (%1)</source>
        <translation>Partition als primär festlegen (%1)</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="117"/>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="126"/>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="131"/>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="143"/>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="308"/>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="244"/>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="312"/>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="316"/>
        <location filename="../gui/mainframe/MainFrameSideHandlers.cpp" line="52"/>
        <location filename="../gui/mainframe/MainFrameToolHandlers.cpp" line="157"/>
        <location filename="../gui/mainframe/MainFrameToolHandlers.cpp" line="170"/>
        <location filename="../gui/mainframe/MainFrameToolHandlers.cpp" line="188"/>
        <location filename="../gui/mainframe/MainFrameToolHandlers.cpp" line="198"/>
        <location filename="../gui/mainframe/MainFrameToolHandlers.cpp" line="203"/>
        <location filename="../gui/mainframe/MainFrameToolHandlers.cpp" line="218"/>
        <location filename="../gui/mainframe/MainFrameToolHandlers.cpp" line="222"/>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="244"/>
        <source>Cannot convert this primary partition to logical partition.</source>
        <translation>Diese primäre Partition kann nicht in eine logische Partition umgewandelt werden.</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="259"/>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="269"/>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="288"/>
        <source>Set Partition as Logical (%1)</source>
        <translation>Partition als logisch festlegen (%1)</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="270"/>
        <source>Move Partition: (%1)</source>
        <translation>Partition verschieben: (%1)</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="305"/>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="322"/>
        <location filename="../gui/mainframe/MainFrameToolHandlers.cpp" line="63"/>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="306"/>
        <source>Please apply all the changes you have made before you use this function.</source>
        <translation>Bitte übernehmen Sie alle vorgenommenen Änderungen, bevor Sie diese Funktion verwenden.</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="312"/>
        <source>Failed to convert the specified dynamic disk.</source>
        <translation>Der angegebene dynamische Datenträger konnte nicht konvertiert werden.</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="317"/>
        <source>Volmara cannot convert the specified dynamic disk to basic disk. Because Volmara cannot convert any dynamic volume type except the simple or mirrored volume.</source>
        <translation>Volmara kann den angegebenen dynamischen Datenträger nicht in einen Basisdatenträger konvertieren, da Volmara außer einfachen und gespiegelten Volumes keine dynamischen Volumetypen konvertieren kann.</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="323"/>
        <source>Volmara could convert the specified dynamic disk to basic disk. However, you need to break the mirrored volumes by using &lt;B&gt;Windows Disk Management&lt;/B&gt; first.</source>
        <translation>Volmara kann den angegebenen dynamischen Datenträger in einen Basisdatenträger konvertieren. Sie müssen jedoch zuerst mit der &lt;B&gt;Windows-Datenträgerverwaltung&lt;/B&gt; die Spiegelung der gespiegelten Volumes aufheben.</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="336"/>
        <source>Convert Dynamic Disk %1 to Basic Disk</source>
        <translation>Dynamischen Datenträger %1 in Basisdatenträger konvertieren</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="337"/>
        <source>Initialize Disk %1</source>
        <translation>Datenträger %1 initialisieren</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="340"/>
        <source>Convert Partition (Disk:%2 LBA: %1)</source>
        <translation>Partition konvertieren (Datenträger: %2, LBA: %1)</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="351"/>
        <source>NOTE:</source>
        <translation>HINWEIS:</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameHandlers.cpp" line="352"/>
        <source>You cannot do any operations except convert other dynamic disk to basic. All other operations will be available after you apply the conversion.</source>
        <translation>Außer dem Konvertieren weiterer dynamischer Datenträger in Basisdatenträger können Sie keine Vorgänge ausführen. Alle anderen Vorgänge stehen zur Verfügung, nachdem Sie die Konvertierung übernommen haben.</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="118"/>
        <source>Volmara cannot create a partition at here. There are no free MBR slots on the disk.</source>
        <translation>Volmara kann hier keine Partition erstellen. Die MBR-Partitionstabelle des Datenträgers hat keine freien Einträge mehr.</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="127"/>
        <source>This disk uses MBR format, the disk space beyond 2 TB will be unusable.</source>
        <translation>Dieser Datenträger verwendet das MBR-Format. Der Speicherplatz jenseits von 2 TB kann nicht genutzt werden.</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="131"/>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="143"/>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="308"/>
        <source>Not enough free space!</source>
        <translation>Nicht genügend freier Speicherplatz!</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="178"/>
        <source>Create (%1:) on Disk %2 </source>
        <translation>(%1:) auf Datenträger %2 erstellen </translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="200"/>
        <source>Format: (%1)</source>
        <translation>Formatieren: (%1)</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="224"/>
        <source>None</source>
        <translation>Keines</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="225"/>
        <source>Change Letter: (%1) to (%2)</source>
        <translation>Laufwerksbuchstaben ändern: (%1) in (%2)</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="241"/>
        <source>Set Label (%1) to &quot;%2&quot;</source>
        <translation>Bezeichnung von (%1) auf „%2“ festlegen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="328"/>
        <source>Move/Resize: (%1)</source>
        <translation>Verschieben/Größe ändern: (%1)</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="342"/>
        <source>This partition is system partition, wiping system partition may cause your computer to be unbootable!

Are you sure that you want to wipe this partition?</source>
        <translation>Diese Partition ist eine Systempartition. Wenn Sie die Systempartition sicher löschen, startet Ihr Computer möglicherweise nicht mehr!

Möchten Sie diese Partition wirklich sicher löschen?</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="349"/>
        <source>Wipe Partition: (%1)</source>
        <translation>Partition sicher löschen: (%1)</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="364"/>
        <source>This disk contains system partition, wiping system partition may cause your computer to be unbootable!

Are you sure that you want to wipe this disk?</source>
        <translation>Dieser Datenträger enthält eine Systempartition. Wenn Sie die Systempartition sicher löschen, startet Ihr Computer möglicherweise nicht mehr!

Möchten Sie diesen Datenträger wirklich sicher löschen?</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="370"/>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="371"/>
        <source>Wipe Disk %1</source>
        <translation>Datenträger %1 sicher löschen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="390"/>
        <source>Change Partition Type ID: (%1)</source>
        <translation>Partitionstyp-ID ändern: (%1)</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="412"/>
        <source>Change Partition Serial Number: (%1)</source>
        <translation>Seriennummer der Partition ändern: (%1)</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameDialogHandlers.cpp" line="435"/>
        <location filename="../gui/mainframe/MainFrameWizardHandlers.cpp" line="133"/>
        <source>Change Cluster Size: %1</source>
        <translation>Clustergröße ändern: %1</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameWizardHandlers.cpp" line="94"/>
        <source>Copy Partition: (%1)</source>
        <translation>Partition kopieren: (%1)</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameWizardHandlers.cpp" line="95"/>
        <source>Copy Partition: (%1) to Disk %2</source>
        <translation>Partition kopieren: (%1) auf Datenträger %2</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameWizardHandlers.cpp" line="99"/>
        <location filename="../gui/mainframe/MainFrameWizardHandlers.cpp" line="207"/>
        <location filename="../gui/mainframe/MainFrameWizardHandlers.cpp" line="270"/>
        <source>Create Partition (Disk:%2 LBA: %1)</source>
        <translation>Partition erstellen (Datenträger:%2 LBA: %1)</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameWizardHandlers.cpp" line="128"/>
        <source>Merge Partition: %1</source>
        <translation>Partition zusammenführen: %1</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameWizardHandlers.cpp" line="141"/>
        <source>Check Partitions</source>
        <translation>Partitionen prüfen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameWizardHandlers.cpp" line="143"/>
        <source>Merge Partition</source>
        <translation>Partition zusammenführen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameWizardHandlers.cpp" line="183"/>
        <source>Copy Disk %1 to Disk %2</source>
        <translation>Datenträger %1 auf Datenträger %2 kopieren</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameWizardHandlers.cpp" line="204"/>
        <source>Copy Partition (%1)</source>
        <translation>Partition kopieren (%1)</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameWizardHandlers.cpp" line="218"/>
        <source>Update Disk%1 Boot Configure</source>
        <translation>Startkonfiguration von Datenträger%1 aktualisieren</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameWizardHandlers.cpp" line="257"/>
        <source>Partition Recovery on Disk %1</source>
        <translation>Partitionswiederherstellung auf Datenträger %1</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameSideHandlers.cpp" line="35"/>
        <source>Export disk configuration</source>
        <translation>Datenträgerkonfiguration exportieren</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameSideHandlers.cpp" line="35"/>
        <source>Text File (*.txt)</source>
        <translation>Textdatei (*.txt)</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameSideHandlers.cpp" line="52"/>
        <source>Failed to create file.</source>
        <translation>Die Datei konnte nicht erstellt werden.</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameSideHandlers.cpp" line="119"/>
        <source>Volmara</source>
        <translation>Volmara</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameSideHandlers.cpp" line="119"/>
        <source>A new version has been detected. Do you want to download the new version?</source>
        <translation>Eine neue Version wurde gefunden. Möchten Sie die neue Version herunterladen?</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameToolHandlers.cpp" line="64"/>
        <source>Please apply all the changes you have made before you convert file system for this partition.</source>
        <translation>Bitte übernehmen Sie alle vorgenommenen Änderungen, bevor Sie das Dateisystem dieser Partition umwandeln.</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameToolHandlers.cpp" line="142"/>
        <source>%1 (Disk %2 Partition %3)</source>
        <translation>%1 (Datenträger %2, Partition %3)</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameToolHandlers.cpp" line="157"/>
        <source>The selected partition does not contain boot.ini file.</source>
        <translation>Die ausgewählte Partition enthält keine boot.ini-Datei.</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameToolHandlers.cpp" line="170"/>
        <location filename="../gui/mainframe/MainFrameToolHandlers.cpp" line="218"/>
        <location filename="../gui/mainframe/MainFrameToolHandlers.cpp" line="222"/>
        <source>Failed to modify boot.ini.</source>
        <translation>boot.ini konnte nicht geändert werden.</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameToolHandlers.cpp" line="188"/>
        <source>The selected disk does not contain a bootable partition.</source>
        <translation>Der ausgewählte Datenträger enthält keine startfähige Partition.</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameToolHandlers.cpp" line="198"/>
        <source>The bootable partition does not contain boot.ini file.</source>
        <translation>Die startfähige Partition enthält keine boot.ini-Datei.</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrameToolHandlers.cpp" line="203"/>
        <source>The content of boot.ini file is invalid.</source>
        <translation>Der Inhalt der boot.ini-Datei ist ungültig.</translation>
    </message>
</context>
<context>
    <name>MainFrameClass</name>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="20"/>
        <source>Volmara</source>
        <translation>Volmara</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="156"/>
        <source>&amp;General</source>
        <translation>All&amp;gemein</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="166"/>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="170"/>
        <source>&amp;Disk Map Location</source>
        <translation>&amp;Position der Datenträgerübersicht</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="182"/>
        <source>&amp;Disk</source>
        <translation>&amp;Datenträger</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="205"/>
        <source>&amp;Partition</source>
        <translation>&amp;Partition</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="209"/>
        <source>&amp;Modify</source>
        <translation>Ä&amp;ndern</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="255"/>
        <source>&amp;Wizard</source>
        <translation>A&amp;ssistent</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="263"/>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="281"/>
        <source>Toolbar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="310"/>
        <source>Toolbar2</source>
        <translation>Werkzeugleiste 2</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="325"/>
        <source>Apply Changes</source>
        <translation>Änderungen übernehmen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="328"/>
        <source>Ctrl+A</source>
        <translation>Ctrl+A</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="333"/>
        <source>Undo Last Changes</source>
        <translation>Letzte Änderungen rückgängig machen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="336"/>
        <source>Ctrl+Z</source>
        <translation>Ctrl+Z</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="341"/>
        <source>Discard All Changes</source>
        <translation>Alle Änderungen verwerfen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="344"/>
        <source>Ctrl+D</source>
        <translation>Ctrl+D</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="349"/>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="360"/>
        <source>&amp;Tool Bar</source>
        <translation>&amp;Werkzeugleiste</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="371"/>
        <source>Legend Bar</source>
        <translation>Legendenleiste</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="382"/>
        <source>&amp;Action Panel</source>
        <translation>&amp;Aktionsbereich</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="390"/>
        <source>&amp;Top</source>
        <translation>&amp;Oben</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="398"/>
        <source>&amp;Bottom</source>
        <translation>&amp;Unten</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="403"/>
        <location filename="../gui/mainframe/MainFrame.ui" line="468"/>
        <location filename="../gui/mainframe/MainFrame.ui" line="586"/>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="408"/>
        <source>&amp;Delete All Partitions</source>
        <translation>&amp;Alle Partitionen löschen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="413"/>
        <source>&amp;Rebuild MBR</source>
        <translation>MBR &amp;neu erstellen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="418"/>
        <source>Initialize to MBR Disk</source>
        <translation>Als MBR-Datenträger initialisieren</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="423"/>
        <source>Initialize to &amp;GPT Disk</source>
        <translation>Als &amp;GPT-Datenträger initialisieren</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="428"/>
        <source>Convert Dynamic Disk To Basic Disk</source>
        <translation>Dynamischen Datenträger in Basisdatenträger konvertieren</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="433"/>
        <source>Surface Test</source>
        <translation>Oberflächentest</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="438"/>
        <source>Partition &amp;Recovery</source>
        <translation>Partitions&amp;wiederherstellung</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="443"/>
        <source>&amp;Wipe Disk</source>
        <translation>Datenträger &amp;sicher löschen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="448"/>
        <location filename="../gui/mainframe/MainFrame.ui" line="526"/>
        <location filename="../gui/mainframe/MainFrame.ui" line="591"/>
        <source>&amp;Properties</source>
        <translation>&amp;Eigenschaften</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="453"/>
        <source>Repair boot.ini</source>
        <translation>boot.ini reparieren</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="458"/>
        <source>&amp;Move/Resize</source>
        <translation>&amp;Verschieben/Größe ändern</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="463"/>
        <source>Merge</source>
        <translation>Zusammenführen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="473"/>
        <source>&amp;Explore</source>
        <translation>&amp;Durchsuchen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="478"/>
        <source>C&amp;reate</source>
        <translation>E&amp;rstellen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="483"/>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="486"/>
        <source>Del</source>
        <translation>Entf</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="491"/>
        <source>&amp;Format</source>
        <translation>&amp;Formatieren</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="496"/>
        <source>&amp;Label</source>
        <translation>&amp;Bezeichnung</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="501"/>
        <source>Change Le&amp;tter</source>
        <translation>Laufwerksbuchs&amp;taben ändern</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="506"/>
        <source>Check File System</source>
        <translation>Dateisystem überprüfen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="511"/>
        <source>Convert FAT to NTFS</source>
        <translation>FAT in NTFS konvertieren</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="516"/>
        <source>Surface Test </source>
        <translation>Oberflächentest </translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="521"/>
        <source>&amp;Wipe Partition</source>
        <translation>Partition &amp;sicher löschen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="531"/>
        <source>Set Windows Boot Partition</source>
        <translation>Windows-Startpartition festlegen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="536"/>
        <source>Boot.ini Editor</source>
        <translation>Boot.ini-Editor</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="541"/>
        <source>Set &amp;Active</source>
        <translation>Als &amp;aktiv festlegen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="546"/>
        <source>Set &amp;Inactive</source>
        <translation>Als &amp;inaktiv festlegen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="551"/>
        <source>&amp;Hide Partition</source>
        <translation>Partition &amp;verstecken</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="556"/>
        <source>&amp;Unhide Partition</source>
        <translation>Partition &amp;sichtbar machen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="561"/>
        <source>Set Partition as &amp;Primary</source>
        <translation>Partition als &amp;primär festlegen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="566"/>
        <source>Set Partition as &amp;Logical</source>
        <translation>Partition als &amp;logisch festlegen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="571"/>
        <source>Change Serial &amp;Number</source>
        <translation>Serien&amp;nummer ändern</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="576"/>
        <source>Change Partition &amp;Type ID</source>
        <translation>Partitions&amp;typ-ID ändern</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="581"/>
        <source>Change Cluster Size</source>
        <translation>Clustergröße ändern</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="596"/>
        <source>Partition &amp;Copy Wizard</source>
        <translation>Partition &amp;kopieren</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="601"/>
        <source>Copy &amp;Disk Wizard</source>
        <translation>&amp;Datenträger kopieren</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="606"/>
        <source>Partition &amp;Recovery Wizard</source>
        <translation>Partitionen &amp;wiederherstellen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="611"/>
        <source>Frequently Asked Questions</source>
        <translation>Häufig gestellte Fragen</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="616"/>
        <source>&amp;Contents</source>
        <translation>&amp;Inhalt</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="619"/>
        <source>F1</source>
        <translation>F1</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="624"/>
        <source>Export disk configuration</source>
        <translation>Datenträgerkonfiguration exportieren</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="629"/>
        <source>&amp;About</source>
        <translation>Ü&amp;ber</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="634"/>
        <source>&amp;Bootable CD</source>
        <translation>&amp;Bootfähige CD</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="639"/>
        <source>Contact us</source>
        <translation>Kontakt</translation>
    </message>
    <message>
        <location filename="../gui/mainframe/MainFrame.ui" line="644"/>
        <source>Donate</source>
        <translation>Spenden</translation>
    </message>
</context>
<context>
    <name>QChangePartitionSerialNumberDlg</name>
    <message>
        <location filename="../gui/dialogs/QChangePartitionSerialNumberDlg.ui" line="14"/>
        <source>Change Partition Serial Number</source>
        <translation>Seriennummer der Partition ändern</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/QChangePartitionSerialNumberDlg.ui" line="33"/>
        <source>Your computer may no longer boot or work correctly.</source>
        <translation>Ihr Computer startet möglicherweise nicht mehr oder funktioniert nicht mehr ordnungsgemäß.</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/QChangePartitionSerialNumberDlg.ui" line="45"/>
        <source>Please enter new serial number in hexadecimal format:</source>
        <translation>Bitte geben Sie die neue Seriennummer im Hexadezimalformat ein:</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/QChangePartitionSerialNumberDlg.ui" line="102"/>
        <source>&amp;Yes</source>
        <translation>&amp;Ja</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/QChangePartitionSerialNumberDlg.ui" line="112"/>
        <source>&amp;No</source>
        <translation>&amp;Nein</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/QChangePartitionSerialNumberDlg.cpp" line="15"/>
        <source>&lt;B&gt;Are you sure you want to change serial number of partition &quot;%1&quot;?&lt;/B&gt;</source>
        <translation>&lt;B&gt;Möchten Sie die Seriennummer der Partition „%1“ wirklich ändern?&lt;/B&gt;</translation>
    </message>
</context>
<context>
    <name>Startup</name>
    <message>
        <location filename="../app/Startup.cpp" line="150"/>
        <location filename="../app/Startup.cpp" line="184"/>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <location filename="../app/Startup.cpp" line="151"/>
        <source>Volmara has been launched.</source>
        <translation>Volmara wird bereits ausgeführt.</translation>
    </message>
    <message>
        <location filename="../app/Startup.cpp" line="185"/>
        <source>&lt;B&gt;Volmara cannot find any disk in your computer.&lt;/B&gt;&lt;BR&gt;&lt;BR&gt;Please make sure that you have administrator privileges.</source>
        <translation>&lt;B&gt;Volmara kann keinen Datenträger in Ihrem Computer finden.&lt;/B&gt;&lt;BR&gt;&lt;BR&gt;Bitte stellen Sie sicher, dass Sie über Administratorrechte verfügen.</translation>
    </message>
</context>
<context>
    <name>VolumeLabelRule</name>
    <message>
        <location filename="../gui/dialogs/VolumeLabelRule.cpp" line="30"/>
        <source>Label contains invalid symbol.

Following symbols are invalid:
* ? | \ / &gt; &lt; &quot;</source>
        <translation>Die Bezeichnung enthält ein ungültiges Zeichen.

Folgende Zeichen sind ungültig:
* ? | \ / &gt; &lt; &quot;</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/VolumeLabelRule.cpp" line="44"/>
        <source>The label is too long for this file system.</source>
        <translation>Die Bezeichnung ist für dieses Dateisystem zu lang.</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/VolumeLabelRule.cpp" line="47"/>
        <source>The label contains a character this file system does not allow: %1</source>
        <translation>Die Bezeichnung enthält ein Zeichen, das dieses Dateisystem nicht erlaubt: %1</translation>
    </message>
    <message>
        <location filename="../gui/dialogs/VolumeLabelRule.cpp" line="57"/>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
</context>
<context>
    <name>WizardDiskList</name>
    <message>
        <location filename="../gui/wizards/WizardDiskList.cpp" line="37"/>
        <source>Disk</source>
        <translation>Datenträger</translation>
    </message>
    <message>
        <location filename="../gui/wizards/WizardDiskList.cpp" line="38"/>
        <source>Capacity</source>
        <translation>Kapazität</translation>
    </message>
    <message>
        <location filename="../gui/wizards/WizardDiskList.cpp" line="39"/>
        <source>Model</source>
        <translation>Modell</translation>
    </message>
    <message>
        <location filename="../gui/wizards/WizardDiskList.cpp" line="65"/>
        <source>Disk %1</source>
        <translation>Datenträger %1</translation>
    </message>
</context>
</TS>
