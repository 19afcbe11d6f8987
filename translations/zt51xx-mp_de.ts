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
        <source>Install the tool again: its image is damaged</source>
        <translation>Werkzeug neu installieren: Sein Image ist beschädigt</translation>
    </message>
    <message>
        <source>Re-plug the unit and press Write again</source>
        <translation>Gerät neu einstecken und erneut „EEPROM schreiben“ drücken</translation>
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
    <message>
        <source>The tool was closing, so the command was not sent and the job ended there; start the tool again and repeat the job.</source>
        <translation>Das Werkzeug wurde gerade geschlossen, daher wurde der Befehl nicht gesendet und der Auftrag endete dort; Werkzeug neu starten und den Auftrag wiederholen.</translation>
    </message>
    <message>
        <source>The chip did not answer this EEPROM request, so the image may be incomplete (the unit then starts as an updater device): check the cable and the hub, re-plug and run the job again.</source>
        <translation>Der Chip hat diese EEPROM-Anfrage nicht beantwortet, daher ist das Image möglicherweise unvollständig (das Gerät startet dann als Updater-Gerät): Kabel und Hub prüfen, neu einstecken und den Auftrag wiederholen.</translation>
    </message>
    <message>
        <source>The chip did not answer this register read over HID, so its identity is unknown: check the cable and re-plug; at stage 00 nothing was written, at stage 01 (after the re-plug) the unit is already erased and needs a new job.</source>
        <translation>Der Chip hat diesen Registerlesevorgang über HID nicht beantwortet, daher ist seine Identität unbekannt: Kabel prüfen und neu einstecken; in Stufe 00 wurde nichts geschrieben, in Stufe 01 (nach dem Neueinstecken) ist das Gerät bereits gelöscht und braucht einen neuen Auftrag.</translation>
    </message>
    <message>
        <source>The audio driver did not carry this register read (used when the HID reports are too short for commands): check that the device&apos;s audio function and its driver are present; at stage 01 (after the re-plug) the unit is already erased and needs a new job.</source>
        <translation>Der Audiotreiber hat diesen Registerlesevorgang nicht übertragen (genutzt, wenn die HID-Reports für Befehle zu kurz sind): prüfen, ob die Audiofunktion des Geräts und ihr Treiber vorhanden sind; in Stufe 01 (nach dem Neueinstecken) ist das Gerät bereits gelöscht und braucht einen neuen Auftrag.</translation>
    </message>
    <message>
        <source>An internal fault of the tool, not of the device: report it with this code.</source>
        <translation>Ein interner Fehler des Werkzeugs, nicht des Geräts: bitte mit diesem Code melden.</translation>
    </message>
    <message>
        <source>The chip&apos;s identifier selects none of the embedded images, or its status byte is not 0; nothing was written: check that the unit carries a supported ZT51xx variant.</source>
        <translation>Die Kennung des Chips passt zu keinem eingebauten Image, oder sein Statusbyte ist nicht 0; es wurde nichts geschrieben: prüfen, ob das Gerät eine unterstützte ZT51xx-Variante trägt.</translation>
    </message>
    <message>
        <source>The device&apos;s HID input reports are 24 bytes or shorter, too short for the read-back, so the job was refused before anything was erased: connect the device directly, or check the firmware it runs.</source>
        <translation>Die HID-Eingabereports des Geräts sind 24 Bytes oder kürzer, zu kurz für das Zurücklesen, daher wurde der Auftrag abgelehnt, bevor etwas gelöscht wurde: Gerät direkt anschließen oder seine Firmware prüfen.</translation>
    </message>
    <message>
        <source>The device&apos;s HID output reports are shorter than 16 bytes, too short to carry 8 EEPROM bytes per write, so the job was refused before anything was erased: check the firmware it runs.</source>
        <translation>Die HID-Ausgabereports des Geräts sind kürzer als 16 Bytes, zu kurz für 8 EEPROM-Bytes je Schreibvorgang, daher wurde der Auftrag abgelehnt, bevor etwas gelöscht wurde: die Firmware des Geräts prüfen.</translation>
    </message>
    <message>
        <source>The serial number given for the unit does not fit the image&apos;s serial string (its length or its characters), so nothing was written: give serials of the image&apos;s length, made of letters, digits and &apos;-&apos;.</source>
        <translation>Die für das Gerät angegebene Seriennummer passt nicht zur Seriennummer des Images (Länge oder Zeichen), daher wurde nichts geschrieben: Seriennummern in der Länge des Images aus Buchstaben, Ziffern und &apos;-&apos; angeben.</translation>
    </message>
    <message>
        <source>Another job, in this tool or another, holds the unit&apos;s port, so this job left the unit alone; nothing was sent to it: wait until that job has ended, then write the unit.</source>
        <translation>Ein anderer Auftrag, in diesem oder einem anderen Werkzeug, belegt den Anschluss des Geräts, daher hat dieser Auftrag das Gerät nicht angefasst und nichts gesendet: warten, bis jener Auftrag beendet ist, dann das Gerät schreiben.</translation>
    </message>
    <message>
        <source>The lock that keeps two jobs off one unit could not be taken (a missing or read-only lock folder; the log line says why), so nothing was sent to the unit: mend the lock folder, then write the unit.</source>
        <translation>Die Sperre, die zwei Aufträge von einem Gerät fernhält, konnte nicht genommen werden (ein fehlender oder schreibgeschützter Sperrordner; die Protokollzeile nennt den Grund), daher wurde nichts an das Gerät gesendet: den Sperrordner reparieren, dann das Gerät schreiben.</translation>
    </message>
    <message>
        <source>The image file given for the job is not one for the chip in this unit (another variant&apos;s image, firmware, chip class or release series), so the unit was not erased: give the image of this unit&apos;s variant.</source>
        <translation>Die für den Auftrag angegebene Image-Datei ist nicht für den Chip in diesem Gerät (Image, Firmware, Chipklasse oder Release-Reihe einer anderen Variante), daher wurde das Gerät nicht gelöscht: das Image der Variante dieses Geräts angeben.</translation>
    </message>
    <message>
        <source>The embedded image has no chip-class record or one for another class than 0x27; nothing was written: the tool&apos;s image is damaged, install the tool again.</source>
        <translation>Das eingebaute Image hat keinen Chipklassen-Eintrag oder einen für eine andere Klasse als 0x27; es wurde nichts geschrieben: das Image des Werkzeugs ist beschädigt, Werkzeug neu installieren.</translation>
    </message>
    <message>
        <source>The embedded image has no high-speed descriptor record; nothing was written: the tool&apos;s image is damaged, install the tool again.</source>
        <translation>Das eingebaute Image hat keinen High-Speed-Deskriptor-Eintrag; es wurde nichts geschrieben: das Image des Werkzeugs ist beschädigt, Werkzeug neu installieren.</translation>
    </message>
    <message>
        <source>No known device found, or its device node could not be opened: plug the unit in, check the IDs typed in the boxes and the permission on the device node.</source>
        <translation>Kein bekanntes Gerät gefunden, oder sein Geräteknoten ließ sich nicht öffnen: Gerät einstecken, die in die Felder eingegebenen IDs und die Rechte am Geräteknoten prüfen.</translation>
    </message>
    <message>
        <source>The device that announced itself could not be opened by its IDs (gone again, or its node may not be opened); the worker keeps trying while its wait lasts.</source>
        <translation>Das Gerät, das sich gemeldet hat, ließ sich über seine IDs nicht öffnen (wieder weg, oder sein Knoten darf nicht geöffnet werden); der Worker versucht es weiter, solange seine Wartezeit läuft.</translation>
    </message>
    <message>
        <source>The chip did not acknowledge the control-register write over HID: check the cable and the hub; the stage byte tells whether the EEPROM was touched.</source>
        <translation>Der Chip hat das Schreiben des Steuerregisters über HID nicht bestätigt: Kabel und Hub prüfen; das Stufenbyte sagt, ob das EEPROM verändert wurde.</translation>
    </message>
    <message>
        <source>The audio driver did not carry the control-register write: check that the device&apos;s audio function and its driver are present.</source>
        <translation>Der Audiotreiber hat das Schreiben des Steuerregisters nicht übertragen: prüfen, ob die Audiofunktion des Geräts und ihr Treiber vorhanden sind.</translation>
    </message>
    <message>
        <source>The chip did not acknowledge the progress-marker write over HID: check the cable and the hub; at stage 00 the EEPROM is untouched, at stages 01 to 03 it is incomplete and needs a new job; at stage 04 only the final marker failed: the image and its header were written and verified, so the unit starts with its new image, but its progress marker still reads 4 until a job completes on it.</source>
        <translation>Der Chip hat das Schreiben der Fortschrittsmarke über HID nicht bestätigt: Kabel und Hub prüfen; in Stufe 00 ist das EEPROM unverändert, in Stufe 01 bis 03 ist es unvollständig und braucht einen neuen Auftrag; in Stufe 04 ist nur die letzte Marke fehlgeschlagen: Image und Header wurden geschrieben und geprüft, das Gerät startet also mit seinem neuen Image, doch seine Fortschrittsmarke lautet weiter 4, bis ein Auftrag darauf vollständig läuft.</translation>
    </message>
    <message>
        <source>The audio driver did not carry the progress-marker write: check that the device&apos;s audio function and its driver are present.</source>
        <translation>Der Audiotreiber hat das Schreiben der Fortschrittsmarke nicht übertragen: prüfen, ob die Audiofunktion des Geräts und ihr Treiber vorhanden sind.</translation>
    </message>
    <message>
        <source>The erase was asked for with no device open, so nothing was sent: plug the unit in and try again.</source>
        <translation>Das Löschen wurde ohne geöffnetes Gerät angefordert, daher wurde nichts gesendet: Gerät einstecken und erneut versuchen.</translation>
    </message>
    <message>
        <source>The erase command could not be written to the device (unplugged, or it refuses output reports); the EEPROM may be partly erased: re-plug and run the job again.</source>
        <translation>Der Löschbefehl konnte nicht an das Gerät geschrieben werden (ausgesteckt, oder es lehnt Ausgabereports ab); das EEPROM ist möglicherweise teilweise gelöscht: neu einstecken und den Auftrag wiederholen.</translation>
    </message>
    <message>
        <source>No known device was opened before the wait after the re-plug prompt ran out (the wait starts afresh at every re-plug prompt: about 10 s once the prompt is dismissed, or about 1 s of attempts to open a known device that announced itself since the prompt); the EEPROM is erased: re-plug the unit and run the job again.</source>
        <translation>Bevor die Wartezeit nach der Aufforderung zum Neueinstecken ablief, wurde kein bekanntes Gerät geöffnet (die Wartezeit beginnt bei jeder Aufforderung neu: etwa 10 s, nachdem die Aufforderung geschlossen wurde, oder etwa 1 s Öffnungsversuche für ein bekanntes Gerät, das sich seit der Aufforderung gemeldet hat); das EEPROM ist gelöscht: Gerät neu einstecken und den Auftrag wiederholen.</translation>
    </message>
    <message>
        <source>The header did not read back as zeros after it was cleared, so the job stopped before the body, with the EEPROM already erased. Unless the device was an updater device the header is then restored from its copy at 0x4010: the unit then starts as the normal device with whatever program the EEPROM holds (after the erase, none that runs), so it is found again but does not work; a restore that fails is reported next (origin 19, RestoreHeaderFromBackup). Run the job again, and reject the unit if its header does not clear a second time.</source>
        <translation>Der Header las sich nach dem Löschen nicht als Nullen zurück, daher hielt der Auftrag vor dem Hauptteil an, mit bereits gelöschtem EEPROM. Außer bei einem Updater-Gerät wird der Header dann aus seiner Kopie bei 0x4010 wiederhergestellt: das Gerät startet dann als normales Gerät mit dem Programm, das das EEPROM enthält (nach dem Löschen keines, das läuft), wird also wieder gefunden, funktioniert aber nicht; eine fehlgeschlagene Wiederherstellung wird danach gemeldet (Ursprung 19, RestoreHeaderFromBackup). Den Auftrag wiederholen und das Gerät aussondern, wenn sich sein Header ein zweites Mal nicht löschen lässt.</translation>
    </message>
    <message>
        <source>Body bytes still differed after two rewrite passes, or more than 16 differed at once; the unit starts as an updater device: run the job again, and reject the unit if it fails again.</source>
        <translation>Nach zwei Neuschreibdurchgängen wichen noch Bytes des Hauptteils ab, oder mehr als 16 wichen auf einmal ab; das Gerät startet als Updater-Gerät: den Auftrag wiederholen und das Gerät aussondern, wenn er erneut fehlschlägt.</translation>
    </message>
    <message>
        <source>Header bytes 5 to 7 read back differently from the image; the unit is left without a valid header: run the job again, and reject the unit if it fails again.</source>
        <translation>Die Header-Bytes 5 bis 7 lasen sich anders zurück als im Image; das Gerät bleibt ohne gültigen Header: den Auftrag wiederholen und das Gerät aussondern, wenn er erneut fehlschlägt.</translation>
    </message>
    <message>
        <source>Header bytes 0 to 4 read back differently from the image; the unit is left without a valid header: run the job again, and reject the unit if it fails again.</source>
        <translation>Die Header-Bytes 0 bis 4 lasen sich anders zurück als im Image; das Gerät bleibt ohne gültigen Header: den Auftrag wiederholen und das Gerät aussondern, wenn er erneut fehlschlägt.</translation>
    </message>
    <message>
        <source>The device that came back from the re-plug reports another chip identifier than the one the job was prepared for, or its status byte (register 0xB1) is not 0, so nothing was written to it: plug back the unit the job started with (it is erased) and run the job again.</source>
        <translation>Das nach dem Neueinstecken zurückgekehrte Gerät meldet eine andere Chipkennung als die, für die der Auftrag vorbereitet wurde, oder sein Statusbyte (Register 0xB1) ist nicht 0, daher wurde nichts darauf geschrieben: das Gerät wieder einstecken, mit dem der Auftrag begann (es ist gelöscht), und den Auftrag wiederholen.</translation>
    </message>
    <message>
        <source>The header copy at 0x4010 could not be read, so the header was not restored; a header whose bytes 0 to 3 still read &quot;WTC&quot; and a zero byte makes the unit start as the normal device with whatever program the EEPROM holds (after the erase, none that runs), any other header as an updater device. Either way the tool finds it again: run the job again, and reject the unit if its header does not clear a second time.</source>
        <translation>Die Header-Kopie bei 0x4010 ließ sich nicht lesen, daher wurde der Header nicht wiederhergestellt; ein Header, dessen Bytes 0 bis 3 noch &quot;WTC&quot; und ein Nullbyte lesen, lässt das Gerät als normales Gerät mit dem Programm starten, das das EEPROM enthält (nach dem Löschen keines, das läuft), jeder andere Header als Updater-Gerät. So oder so findet das Werkzeug es wieder: den Auftrag wiederholen und das Gerät aussondern, wenn sich sein Header ein zweites Mal nicht löschen lässt.</translation>
    </message>
    <message>
        <source>The header copy at 0x4010 is blank (all 0x00 or 0xFF), so there was nothing to restore; a header whose bytes 0 to 3 still read &quot;WTC&quot; and a zero byte makes the unit start as the normal device with whatever program the EEPROM holds (after the erase, none that runs), any other header as an updater device. Either way the tool finds it again: run the job again, and reject the unit if its header does not clear a second time.</source>
        <translation>Die Header-Kopie bei 0x4010 ist leer (nur 0x00 oder 0xFF), daher gab es nichts wiederherzustellen; ein Header, dessen Bytes 0 bis 3 noch &quot;WTC&quot; und ein Nullbyte lesen, lässt das Gerät als normales Gerät mit dem Programm starten, das das EEPROM enthält (nach dem Löschen keines, das läuft), jeder andere Header als Updater-Gerät. So oder so findet das Werkzeug es wieder: den Auftrag wiederholen und das Gerät aussondern, wenn sich sein Header ein zweites Mal nicht löschen lässt.</translation>
    </message>
    <message>
        <source>Header bytes 5 to 7 read back differently after the restore from the copy, so the head was not restored; a header whose bytes 0 to 3 still read &quot;WTC&quot; and a zero byte makes the unit start as the normal device with whatever program the EEPROM holds (after the erase, none that runs), any other header as an updater device. Either way the tool finds it again: run the job again, and reject the unit if its header does not clear a second time.</source>
        <translation>Die Header-Bytes 5 bis 7 lasen sich nach der Wiederherstellung aus der Kopie anders zurück, daher wurde der Kopf nicht wiederhergestellt; ein Header, dessen Bytes 0 bis 3 noch &quot;WTC&quot; und ein Nullbyte lesen, lässt das Gerät als normales Gerät mit dem Programm starten, das das EEPROM enthält (nach dem Löschen keines, das läuft), jeder andere Header als Updater-Gerät. So oder so findet das Werkzeug es wieder: den Auftrag wiederholen und das Gerät aussondern, wenn sich sein Header ein zweites Mal nicht löschen lässt.</translation>
    </message>
    <message>
        <source>Header bytes 0 to 4 read back differently after the restore from the copy; a header whose bytes 0 to 3 still read &quot;WTC&quot; and a zero byte makes the unit start as the normal device with whatever program the EEPROM holds (after the erase, none that runs), any other header as an updater device. Either way the tool finds it again: run the job again, and reject the unit if its header does not clear a second time.</source>
        <translation>Die Header-Bytes 0 bis 4 lasen sich nach der Wiederherstellung aus der Kopie anders zurück; ein Header, dessen Bytes 0 bis 3 noch &quot;WTC&quot; und ein Nullbyte lesen, lässt das Gerät als normales Gerät mit dem Programm starten, das das EEPROM enthält (nach dem Löschen keines, das läuft), jeder andere Header als Updater-Gerät. So oder so findet das Werkzeug es wieder: den Auftrag wiederholen und das Gerät aussondern, wenn sich sein Header ein zweites Mal nicht löschen lässt.</translation>
    </message>
    <message>
        <source>The written unit verified, but after its last re-plug it came back with other IDs, another release number or another serial string than its image gives: set it aside and check it; writing it again will not help.</source>
        <translation>Das geschriebene Gerät wurde geprüft, kam aber nach dem letzten Neueinstecken mit anderen IDs, einer anderen Release-Nummer oder einer anderen Seriennummer zurück, als sein Image angibt: aussortieren und prüfen; erneutes Schreiben hilft nicht.</translation>
    </message>
    <message>
        <source>No known device with the given IDs was found on the USB bus, so no version was read: plug the unit in and check the IDs.</source>
        <translation>Auf dem USB-Bus wurde kein bekanntes Gerät mit den angegebenen IDs gefunden, daher wurde keine Version gelesen: Gerät einstecken und die IDs prüfen.</translation>
    </message>
    <message>
        <source>The device was found but did not answer the version read (or could not be opened): check the cable and the permission on the device node, re-plug and ask again.</source>
        <translation>Das Gerät wurde gefunden, hat aber das Lesen der Version nicht beantwortet (oder ließ sich nicht öffnen): Kabel und die Rechte am Geräteknoten prüfen, neu einstecken und erneut abfragen.</translation>
    </message>
    <message>
        <source>The chip did not answer an EEPROM read, so the unit could not be read whole; nothing was written to it: check the cable and the hub, re-plug and read again.</source>
        <translation>Der Chip hat einen EEPROM-Lesevorgang nicht beantwortet, daher ließ sich das Gerät nicht vollständig lesen; es wurde nichts darauf geschrieben: Kabel und Hub prüfen, neu einstecken und erneut lesen.</translation>
    </message>
    <message>
        <source>The chip answered with an identifier that selects none of the built-in images, so there is nothing to compare with: name the image with --image.</source>
        <translation>Der Chip antwortete mit einer Kennung, die zu keinem eingebauten Image passt, daher gibt es nichts zum Vergleichen: das Image mit --image angeben.</translation>
    </message>
    <message>
        <source>The unit&apos;s EEPROM differs from the image it was compared with: write the unit again, or compare it with the image it should hold.</source>
        <translation>Das EEPROM des Geräts weicht vom verglichenen Image ab: das Gerät erneut schreiben oder es mit dem Image vergleichen, das es enthalten soll.</translation>
    </message>
    <message>
        <source>The unit was read whole but the file could not be written (no space, no permission, a link of another user); a file that was there is left as it was: free space or name another file.</source>
        <translation>Das Gerät wurde vollständig gelesen, aber die Datei ließ sich nicht schreiben (kein Platz, keine Berechtigung, ein Link eines anderen Benutzers); eine vorhandene Datei bleibt unverändert: Platz schaffen oder eine andere Datei angeben.</translation>
    </message>
    <message>
        <source>No failure has been recorded.</source>
        <translation>Es wurde kein Fehler aufgezeichnet.</translation>
    </message>
    <message>
        <source>Not a code this tool records: check the digits, or whether another program showed it.</source>
        <translation>Kein Code, den dieses Werkzeug aufzeichnet: die Ziffern prüfen, oder ob ein anderes Programm ihn angezeigt hat.</translation>
    </message>
    <message>
        <source>Check the unit&apos;s chip variant; put the unit aside if the tool has no image for it</source>
        <translation>Chipvariante des Geräts prüfen; Gerät aussortieren, wenn das Werkzeug kein Image dafür hat</translation>
    </message>
    <message>
        <source>Plug the unit in, check the IDs, then try again</source>
        <translation>Gerät einstecken, IDs prüfen, dann erneut versuchen</translation>
    </message>
    <message>
        <source>Check the cable and hub, re-plug the unit and try again</source>
        <translation>Kabel und Hub prüfen, Gerät neu einstecken und erneut versuchen</translation>
    </message>
    <message>
        <source>Plug back the unit this job started with; if it was that unit, put it aside</source>
        <translation>Das Gerät wieder einstecken, mit dem der Auftrag begann; war es dieses Gerät, aussortieren</translation>
    </message>
    <message>
        <source>Settle what the factory&apos;s check names, then put the unit in again</source>
        <translation>Klären, was die Prüfung der Fertigung nennt, dann das Gerät wieder einstecken</translation>
    </message>
    <message>
        <source>The station&apos;s pre-check program (--pre-check) ended with a status other than 0, so the unit was not touched; the record&apos;s preCheck field holds the first line it printed: settle what it names (a closed work order, a unit the factory does not know), then put the unit in again.</source>
        <translation>Das Vorprüfungsprogramm der Station (--pre-check) endete mit einem anderen Status als 0, daher wurde das Gerät nicht angetastet; das Feld preCheck des Datensatzes enthält die erste Zeile seiner Ausgabe: klären, was sie nennt (ein abgeschlossener Fertigungsauftrag, ein der Fertigung unbekanntes Gerät), dann das Gerät wieder einstecken.</translation>
    </message>
    <message>
        <source>The station&apos;s pre-check program could not be started, crashed, was still running at its time-out (--pre-check-timeout) and was killed, or said yes with output that is no JSON object, so the unit was not touched: the record&apos;s preCheck field says which; mend the program or the factory&apos;s system behind it, then put the unit in again.</source>
        <translation>Das Vorprüfungsprogramm der Station konnte nicht gestartet werden, ist abgestürzt, lief bei Ablauf seiner Zeit (--pre-check-timeout) noch und wurde beendet, oder hat zugestimmt mit einer Ausgabe, die kein JSON-Objekt ist; daher wurde das Gerät nicht angetastet: das Feld preCheck des Datensatzes sagt, was davon; das Programm oder das System der Fertigung dahinter in Ordnung bringen, dann das Gerät wieder einstecken.</translation>
    </message>
    <message>
        <source>The serial the pre-check program handed the unit does not fit the image&apos;s serial string (its length or its characters, letters, digits and &apos;-&apos;), or was handed out before and is in the serial ledger, so the unit was not touched: have the factory&apos;s system hand out serials of the image&apos;s length, each once.</source>
        <translation>Die Seriennummer, die das Vorprüfungsprogramm dem Gerät zugeteilt hat, passt nicht zur Seriennummer des Images (Länge oder Zeichen: Buchstaben, Ziffern und &apos;-&apos;), oder sie wurde schon einmal vergeben und steht im Seriennummernbuch; daher wurde das Gerät nicht angetastet: das System der Fertigung Seriennummern in der Länge des Images vergeben lassen, jede nur einmal.</translation>
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
    <message>
        <source>Erase the EEPROM of the unit the IDs select? Type y and Enter to go on:</source>
        <translation>Das EEPROM des durch die IDs gewählten Geräts löschen? Zum Fortfahren y eingeben und Enter drücken:</translation>
    </message>
    <message>
        <source>Writing %1 units (%2)</source>
        <translation>%1 Geräte werden geschrieben (%2)</translation>
    </message>
    <message>
        <source>Writing the EEPROM of %1:%2 (%3)</source>
        <translation>EEPROM von %1:%2 wird geschrieben (%3)</translation>
    </message>
    <message>
        <source>Station: each unit is written as it arrives (%1); Ctrl-C stops taking units</source>
        <translation>Station: Jedes Gerät wird beim Einstecken geschrieben (%1); Strg+C beendet die Annahme von Geräten</translation>
    </message>
    <message>
        <source>saved %1 bytes of EEPROM to %2</source>
        <translation>%1 Bytes des EEPROM in %2 gespeichert</translation>
    </message>
    <message>
        <source>equal: the unit holds %1 (%2 bytes)</source>
        <translation>gleich: Das Gerät enthält %1 (%2 Bytes)</translation>
    </message>
    <message>
        <source>Failures this run:</source>
        <translation>Fehlschläge in diesem Lauf:</translation>
    </message>
    <message>
        <source>+%1 more</source>
        <translation>+%1 weitere</translation>
    </message>
    <message>
        <source>%1; ready for the next unit</source>
        <translation>%1; bereit für das nächste Gerät</translation>
    </message>
    <message>
        <source>writing</source>
        <translation>schreibt</translation>
    </message>
    <message>
        <source>RE-PLUG</source>
        <translation>NEU STECKEN</translation>
    </message>
    <message>
        <source>checking</source>
        <translation>prüft</translation>
    </message>
    <message>
        <source>ready</source>
        <translation>bereit</translation>
    </message>
    <message>
        <source>writing: do not pull the unit</source>
        <translation>Schreibt: Gerät nicht herausziehen</translation>
    </message>
    <message>
        <source>re-plug this unit now: take it out and put it back into port %1</source>
        <translation>Dieses Gerät jetzt neu einstecken: herausziehen und wieder in Anschluss %1 stecken</translation>
    </message>
    <message>
        <source>checking the written unit</source>
        <translation>Das geschriebene Gerät wird geprüft</translation>
    </message>
    <message>
        <source>records not yet delivered: %1</source>
        <translation>noch nicht zugestellte Datensätze: %1</translation>
    </message>
    <message>
        <source>the pre-check refused this unit (%1); it was not written</source>
        <translation>Die Vorprüfung hat dieses Gerät abgelehnt (%1); es wurde nicht geschrieben</translation>
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
    <message>
        <source>Failures this shift:</source>
        <translation>Fehlschläge in dieser Schicht:</translation>
    </message>
</context>
</TS>
