<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>LanguageDialog</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>MainWindow</source>
        <translation>Hauptfenster</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;User Manual</source>
        <translation>&amp;Benutzerhandbuch</translation>
    </message>
    <message>
        <source>Ctrl+U</source>
        <translation>Ctrl+U</translation>
    </message>
    <message>
        <source>&amp;Firmware Update</source>
        <translation>&amp;Firmware aktualisieren</translation>
    </message>
    <message>
        <source>Ctrl+F</source>
        <translation>Ctrl+F</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>Ü&amp;ber</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Ctrl+A</source>
        <translation>Ctrl+A</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
    <message>
        <source>Ctrl+E</source>
        <translation>Ctrl+E</translation>
    </message>
    <message>
        <source>Korvane</source>
        <translation>Korvane</translation>
    </message>
    <message>
        <source>Scanner disconnect</source>
        <translation>Die Verbindung zum Scanner ist getrennt</translation>
    </message>
</context>
<context>
    <name>NotifyDialog</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <source>Initialize scanner. Please wait</source>
        <translation>Scanner wird initialisiert. Bitte warten</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>Startup</name>
    <message>
        <source>Korvane</source>
        <translation>Korvane</translation>
    </message>
    <message>
        <source>Another program instance is already running, aborting.</source>
        <translation>Das Programm läuft bereits, der zweite Start wird abgebrochen.</translation>
    </message>
    <message>
        <source>Initialize scanner. Please wait</source>
        <translation>Scanner wird initialisiert. Bitte warten</translation>
    </message>
    <message>
        <source>Connect with Kor scanner fail !</source>
        <translation>Die Verbindung zum Kor-Scanner ist fehlgeschlagen!</translation>
    </message>
</context>
<context>
    <name>manager</name>
    <message>
        <source>The film-term file %1 is missing or damaged. Scans that need it are not corrected.</source>
        <translation>Die Filmdatei %1 fehlt oder ist beschädigt. Scans, die sie brauchen, werden nicht korrigiert.</translation>
    </message>
    <message>
        <source>Custom 1</source>
        <translation>Eigenes 1</translation>
    </message>
    <message>
        <source>Custom 2</source>
        <translation>Eigenes 2</translation>
    </message>
    <message>
        <source>Custom 3</source>
        <translation>Eigenes 3</translation>
    </message>
    <message>
        <source>Custom 4</source>
        <translation>Eigenes 4</translation>
    </message>
    <message>
        <source>Custom 5</source>
        <translation>Eigenes 5</translation>
    </message>
    <message>
        <source>Tissue Sections</source>
        <translation>Gewebeschnitte</translation>
    </message>
    <message>
        <source>Common Things</source>
        <translation>Alltägliche Objekte</translation>
    </message>
    <message>
        <source>Aquatic Organisms</source>
        <translation>Wasserorganismen</translation>
    </message>
    <message>
        <source>Positive Color</source>
        <translation>Farbpositiv</translation>
    </message>
    <message>
        <source>Negative Color</source>
        <translation>Farbnegativ</translation>
    </message>
    <message>
        <source>The profile file %1 could not be read. It was kept as %2 and the built-in profile is used.</source>
        <translation>Die Profildatei %1 konnte nicht gelesen werden. Sie wurde als %2 aufbewahrt, das eingebaute Profil wird verwendet.</translation>
    </message>
    <message>
        <source>The profile file %1 could not be read. The built-in profile is used.</source>
        <translation>Die Profildatei %1 konnte nicht gelesen werden. Das eingebaute Profil wird verwendet.</translation>
    </message>
    <message>
        <source>The profile file %1 could not be written.</source>
        <translation>Die Profildatei %1 konnte nicht geschrieben werden.</translation>
    </message>
</context>
</TS>
