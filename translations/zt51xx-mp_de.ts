<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>FailureCatalogue</name>
    <message>
        <source>Action: %1</source>
        <translation>Maßnahme: %1</translation>
    </message>
    <message>
        <source>Put this unit aside: its chip is not one the tool writes</source>
        <translation>Gerät aussortieren: Das Werkzeug beschreibt diesen Chip nicht</translation>
    </message>
    <message>
        <source>Install the tool again: its image is damaged</source>
        <translation>Werkzeug neu installieren: Sein Image ist beschädigt</translation>
    </message>
    <message>
        <source>Plug the unit in, check the IDs, then press Write again</source>
        <translation>Gerät einstecken, IDs prüfen, dann erneut „EEPROM schreiben“ drücken</translation>
    </message>
    <message>
        <source>Re-plug the unit and press Write again</source>
        <translation>Gerät neu einstecken und erneut „EEPROM schreiben“ drücken</translation>
    </message>
    <message>
        <source>Check the cable and hub, re-plug the unit and press Write again</source>
        <translation>Kabel und Hub prüfen, Gerät neu einstecken und erneut „EEPROM schreiben“ drücken</translation>
    </message>
    <message>
        <source>Connect the unit directly, not through an adapter, and try again</source>
        <translation>Gerät direkt anschließen, nicht über einen Adapter, und erneut versuchen</translation>
    </message>
    <message>
        <source>Check the unit&apos;s audio driver, re-plug and press Write again</source>
        <translation>Audiotreiber des Geräts prüfen, neu einstecken und erneut „EEPROM schreiben“ drücken</translation>
    </message>
    <message>
        <source>Report this code to the engineer</source>
        <translation>Diesen Code dem Techniker melden</translation>
    </message>
    <message>
        <source>Re-plug the unit sooner after the prompt and press Write again</source>
        <translation>Gerät nach der Aufforderung schneller neu einstecken und erneut „EEPROM schreiben“ drücken</translation>
    </message>
    <message>
        <source>Start the tool again and write the unit again</source>
        <translation>Werkzeug neu starten und das Gerät erneut schreiben</translation>
    </message>
    <message>
        <source>Re-plug the unit and press Write again; if it fails twice, put it aside</source>
        <translation>Gerät neu einstecken und erneut „EEPROM schreiben“ drücken; nach zwei Fehlschlägen aussortieren</translation>
    </message>
    <message>
        <source>Plug the same unit back into the same port and write it again</source>
        <translation>Dasselbe Gerät wieder in denselben Anschluss stecken und erneut schreiben</translation>
    </message>
    <message>
        <source>Give a serial number that fits the image and write the unit again</source>
        <translation>Eine zum Image passende Seriennummer angeben und das Gerät erneut schreiben</translation>
    </message>
    <message>
        <source>Check the file and the folder, then try again</source>
        <translation>Datei und Ordner prüfen, dann erneut versuchen</translation>
    </message>
    <message>
        <source>Wait for the other job to end, then write the unit again</source>
        <translation>Warten, bis der andere Auftrag beendet ist, dann das Gerät erneut schreiben</translation>
    </message>
    <message>
        <source>Choose the image file for this unit&apos;s chip and write it again</source>
        <translation>Die Image-Datei für den Chip dieses Geräts wählen und erneut schreiben</translation>
    </message>
</context>
<context>
    <name>JobTexts</name>
    <message>
        <source>Fail to Write EEPROM! [%08X]</source>
        <translation>EEPROM konnte nicht geschrieben werden! [%08X]</translation>
    </message>
    <message>
        <source>Write to EEPROM...</source>
        <translation>EEPROM wird geschrieben...</translation>
    </message>
    <message>
        <source>Please re-plugin USB device and MUST wait for USB device being recognized.
Then press button to continue writting EEPROM!!</source>
        <translation>Bitte das USB-Gerät neu einstecken und unbedingt warten, bis es erkannt wurde.
Dann die Schaltfläche drücken, um das Schreiben des EEPROM fortzusetzen!</translation>
    </message>
    <message>
        <source>Write to EEPROM OK! Please re-plugin USB device !!</source>
        <translation>EEPROM erfolgreich geschrieben! Bitte das USB-Gerät neu einstecken!</translation>
    </message>
</context>
<context>
    <name>MainDialog</name>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>Write EEPROM</source>
        <translation>EEPROM schreiben</translation>
    </message>
    <message>
        <source>Vendor ID</source>
        <translation>Hersteller-ID</translation>
    </message>
    <message>
        <source>Product ID</source>
        <translation>Produkt-ID</translation>
    </message>
    <message>
        <source> EEPROM WP</source>
        <translation> EEPROM-Schreibschutz</translation>
    </message>
    <message>
        <source>Use EVB VID (0x3C4D) and PID (0x0001, High Speed), PID (0x0002, Full Speed)</source>
        <translation>EVB-VID (0x3C4D) und PID (0x0001, High Speed), PID (0x0002, Full Speed) verwenden</translation>
    </message>
    <message>
        <source>Erase EPRM</source>
        <translation>EEPROM löschen</translation>
    </message>
    <message>
        <source>Get FW Ver.</source>
        <translation>FW-Version lesen</translation>
    </message>
    <message>
        <source>FW Version:</source>
        <translation>FW-Version:</translation>
    </message>
    <message>
        <source>Last result: %1</source>
        <translation>Letztes Ergebnis: %1</translation>
    </message>
    <message>
        <source>Closing now stops the write and leaves the EEPROM incomplete; close anyway?</source>
        <translation>Schließen bricht das Schreiben ab und lässt das EEPROM unvollständig; trotzdem schließen?</translation>
    </message>
</context>
<context>
    <name>Station</name>
    <message>
        <source>(continuing by itself)</source>
        <translation>(wird automatisch fortgesetzt)</translation>
    </message>
    <message>
        <source>Press Enter to continue...</source>
        <translation>Zum Fortfahren Enter drücken...</translation>
    </message>
    <message>
        <source>a unit arrived on port %1; this job waits for port %2: plug it back into the same port</source>
        <translation>Ein Gerät wurde an Anschluss %1 eingesteckt; dieser Auftrag wartet auf Anschluss %2: Gerät wieder in denselben Anschluss stecken</translation>
    </message>
    <message>
        <source>Please re-plug every unit and wait until each is recognized. (%1 units; each has %2 s to come back)</source>
        <translation>Bitte jedes Gerät neu einstecken und warten, bis jedes erkannt wurde. (%1 Geräte; jedes hat %2 s Zeit)</translation>
    </message>
    <message>
        <source>cannot re-plug the unit at port %1 by itself (%2); re-plug it by hand</source>
        <translation>Das Gerät an Anschluss %1 kann nicht selbsttätig neu verbunden werden (%2); bitte von Hand neu einstecken</translation>
    </message>
    <message>
        <source>re-plugging the unit at port %1: switching the port off and on</source>
        <translation>Gerät an Anschluss %1 wird neu verbunden: Anschluss wird aus- und eingeschaltet</translation>
    </message>
    <message>
        <source>switching the port %1 off and on failed; re-plug the unit by hand</source>
        <translation>Aus- und Einschalten von Anschluss %1 fehlgeschlagen; Gerät von Hand neu einstecken</translation>
    </message>
    <message>
        <source>ready: plug in a unit</source>
        <translation>Bereit: Gerät einstecken</translation>
    </message>
    <message>
        <source>re-plug this unit: take it out and put it back into port %1</source>
        <translation>Dieses Gerät neu einstecken: herausziehen und wieder in Anschluss %1 stecken</translation>
    </message>
    <message>
        <source>the unit is held by another job; take it out when that job has ended</source>
        <translation>Das Gerät ist von einem anderen Auftrag belegt; nach dessen Ende herausziehen</translation>
    </message>
    <message>
        <source>no serial for this unit: %1</source>
        <translation>Keine Seriennummer für dieses Gerät: %1</translation>
    </message>
    <message>
        <source>the record of this unit was not written (%1); the station takes no more units</source>
        <translation>Der Datensatz dieses Geräts wurde nicht geschrieben (%1); die Station nimmt keine Geräte mehr an</translation>
    </message>
    <message>
        <source>passed %1  failed %2  %3 units/h</source>
        <translation>bestanden %1  fehlgeschlagen %2  %3 Geräte/h</translation>
    </message>
    <message>
        <source>re-plug the unit at port %1 to confirm it</source>
        <translation>Gerät an Anschluss %1 zur Bestätigung neu einstecken</translation>
    </message>
    <message>
        <source>the image file is refused for this unit, %1; it was not written</source>
        <translation>Die Image-Datei passt nicht zu diesem Gerät, %1; es wurde nicht geschrieben</translation>
    </message>
</context>
<context>
    <name>zt::qt::BarcodeScanField</name>
    <message>
        <source>&amp;Barcode:</source>
        <translation>&amp;Barcode:</translation>
    </message>
    <message>
        <source>; scan it again. </source>
        <translation>; bitte erneut scannen. </translation>
    </message>
    <message>
        <source>no code waiting</source>
        <translation>kein Code wartet</translation>
    </message>
    <message>
        <source>next unit: </source>
        <translation>nächstes Gerät: </translation>
    </message>
    <message>
        <source>next units: </source>
        <translation>nächste Geräte: </translation>
    </message>
</context>
<context>
    <name>zt::qt::StationCounters</name>
    <message>
        <source>Passed: %1   Failed: %2   Units per hour: %3</source>
        <translation>Bestanden: %1   Fehlgeschlagen: %2   Geräte pro Stunde: %3</translation>
    </message>
</context>
<context>
    <name>zt::qt::StationIdentityFields</name>
    <message>
        <source>&amp;Station ID:</source>
        <translation>&amp;Stations-ID:</translation>
    </message>
    <message>
        <source>&amp;Operator:</source>
        <translation>&amp;Bediener:</translation>
    </message>
    <message>
        <source>Wor&amp;k order:</source>
        <translation>Fertigungs&amp;auftrag:</translation>
    </message>
</context>
<context>
    <name>zt::qt::StationWindow</name>
    <message>
        <source>The station log was not written:
</source>
        <translation>Das Stationsprotokoll wurde nicht geschrieben:
</translation>
    </message>
    <message>
        <source>Closing now stops the write and leaves the EEPROM of every unit being written incomplete; close anyway?</source>
        <translation>Schließen bricht das Schreiben ab und lässt das EEPROM jedes gerade geschriebenen Geräts unvollständig; trotzdem schließen?</translation>
    </message>
    <message>
        <source>Held by another job; not written</source>
        <translation>Von einem anderen Auftrag belegt; nicht geschrieben</translation>
    </message>
    <message>
        <source>Lock not taken; not written: </source>
        <translation>Sperre nicht erhalten; nicht geschrieben: </translation>
    </message>
    <message>
        <source> (updater)</source>
        <translation> (Updater)</translation>
    </message>
    <message>
        <source> (cannot be opened)</source>
        <translation> (kann nicht geöffnet werden)</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Anschluss</translation>
    </message>
    <message>
        <source>VID:PID</source>
        <translation>VID:PID</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>What to do</source>
        <translation>Was zu tun ist</translation>
    </message>
    <message>
        <source>&amp;Write EEPROM</source>
        <translation>EEPROM &amp;schreiben</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>&amp;Run station</source>
        <translation>Station &amp;starten</translation>
    </message>
    <message>
        <source>1 unit present</source>
        <translation>1 Gerät vorhanden</translation>
    </message>
    <message>
        <source>%1 units present</source>
        <translation>%1 Geräte vorhanden</translation>
    </message>
    <message>
        <source>No known device present.</source>
        <translation>Kein bekanntes Gerät vorhanden.</translation>
    </message>
    <message>
        <source>(unplugged)</source>
        <translation>(ausgesteckt)</translation>
    </message>
    <message>
        <source>Station running: each unit is written as it arrives</source>
        <translation>Station läuft: Jedes Gerät wird beim Einstecken geschrieben</translation>
    </message>
    <message>
        <source>Station stopping: the units under way finish first</source>
        <translation>Station hält an: Laufende Geräte werden erst fertig</translation>
    </message>
    <message>
        <source>Writing %1 units...</source>
        <translation>%1 Geräte werden geschrieben...</translation>
    </message>
</context>
</TS>
