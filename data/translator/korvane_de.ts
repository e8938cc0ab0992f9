<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>AboutDialog</name>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Informationen</translation>
    </message>
    <message>
        <source>Korvane:</source>
        <translation>Korvane:</translation>
    </message>
    <message>
        <source>Firmware:</source>
        <translation>Firmware:</translation>
    </message>
    <message>
        <source>Hardware:</source>
        <translation>Hardware:</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Scanner:</source>
        <translation>Scanner:</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>The option --scanner needs the name of a scanner.</source>
        <translation>Die Option --scanner braucht den Namen eines Scanners.</translation>
    </message>
    <message>
        <source>The option --scanner may be given once.</source>
        <translation>Die Option --scanner darf nur einmal angegeben werden.</translation>
    </message>
    <message>
        <source>Unknown option %1.</source>
        <translation>Unbekannte Option %1.</translation>
    </message>
    <message>
        <source>Usage: korvane [--scanner NAME]
Scans film and slides with the simulated scanner or a scanner that SANE supports.

Options:
  --scanner NAME  link to this scanner for this run, without asking and without
                  changing the scanner chosen in File &gt; Scanner...: &quot;simulator&quot;
                  or a device name as &quot;scanimage -L&quot; prints it, e.g. test:0
  -h, --help      show this help and exit
  -v, --version   show the version and exit
</source>
        <translation>Aufruf: korvane [--scanner NAME]
Scannt Filme und Dias mit dem simulierten Scanner oder einem Scanner, den SANE unterstützt.

Optionen:
  --scanner NAME  für diesen Lauf mit diesem Scanner verbinden, ohne zu fragen und ohne
                  den in Datei &gt; Scanner... gewählten Scanner zu ändern: &quot;simulator&quot;
                  oder ein Gerätename, wie &quot;scanimage -L&quot; ihn ausgibt, z. B. test:0
  -h, --help      diese Hilfe zeigen und beenden
  -v, --version   die Version zeigen und beenden
</translation>
    </message>
    <message>
        <source>Try &quot;korvane --help&quot;.</source>
        <translation>Siehe &quot;korvane --help&quot;.</translation>
    </message>
</context>
<context>
    <name>CustomDialog</name>
    <message>
        <source>Custom Settings</source>
        <translation>Eigene Einstellungen</translation>
    </message>
    <message>
        <source>Scanning Mode:</source>
        <translation>Scanmodus:</translation>
    </message>
    <message>
        <source>Microscope Slides</source>
        <translation>Objektträger</translation>
    </message>
    <message>
        <source>135 Film</source>
        <translation>Kleinbildfilm</translation>
    </message>
    <message>
        <source>Show the filters on your own prescan instead of the sample picture</source>
        <translation>Die Filter auf Ihrer eigenen Vorschau statt auf dem Beispielbild zeigen</translation>
    </message>
    <message>
        <source>Preview on the prescan</source>
        <translation>Auf der Vorschau zeigen</translation>
    </message>
    <message>
        <source>PushButton</source>
        <translation>PushButton</translation>
    </message>
    <message>
        <source>Select kor project file for save</source>
        <translation>Profildatei zum Speichern wählen</translation>
    </message>
    <message>
        <source>Untitled.kor</source>
        <translation>Unbenannt.kor</translation>
    </message>
    <message>
        <source>Kor Project(*.kor)</source>
        <translation>Korvane-Profil (*.kor)</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>The profile could not be written to &quot;%1&quot;.</source>
        <translation>Das Profil konnte nicht nach „%1“ geschrieben werden.</translation>
    </message>
    <message>
        <source>Select kor Project File</source>
        <translation>Profildatei wählen</translation>
    </message>
    <message>
        <source>This project format is illegal</source>
        <translation>Das Format dieser Profildatei ist ungültig.</translation>
    </message>
</context>
<context>
    <name>EngineerDialog</name>
    <message>
        <source>Engineer Setting</source>
        <translation>Technikereinstellungen</translation>
    </message>
    <message>
        <source>Adjustment</source>
        <translation>Abgleich</translation>
    </message>
    <message>
        <source>R</source>
        <translation>R</translation>
    </message>
    <message>
        <source>G</source>
        <translation>G</translation>
    </message>
    <message>
        <source>B</source>
        <translation>B</translation>
    </message>
    <message>
        <source>Exposure time </source>
        <translation>Belichtungszeit </translation>
    </message>
    <message>
        <source>Gain</source>
        <translation>Verstärkung</translation>
    </message>
    <message>
        <source>lightness</source>
        <translation>Helligkeit</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>Setzen</translation>
    </message>
    <message>
        <source>Open File Location...</source>
        <translation>Speicherort öffnen...</translation>
    </message>
    <message>
        <source>Getting</source>
        <translation>Wird gelesen</translation>
    </message>
    <message>
        <source>The scanner is not connected.</source>
        <translation>Der Scanner ist nicht verbunden.</translation>
    </message>
    <message>
        <source>Get success</source>
        <translation>Erfolgreich gelesen</translation>
    </message>
    <message>
        <source>setting</source>
        <translation>Wird gesetzt</translation>
    </message>
    <message>
        <source>set success</source>
        <translation>Erfolgreich gesetzt</translation>
    </message>
    <message>
        <source>The folder %1 could not be opened.</source>
        <translation>Der Ordner %1 konnte nicht geöffnet werden.</translation>
    </message>
</context>
<context>
    <name>FWUpdateDialog</name>
    <message>
        <source>Update firmware</source>
        <translation>Firmware aktualisieren</translation>
    </message>
    <message>
        <source>Selec firmware  file and click update button to update.</source>
        <translation>Wählen Sie eine Firmware-Datei und klicken Sie auf „Aktualisieren“.</translation>
    </message>
    <message>
        <source>Now Version :</source>
        <translation>Aktuelle Version:</translation>
    </message>
    <message>
        <source>New Version :</source>
        <translation>Neue Version:</translation>
    </message>
    <message>
        <source>Select  file :</source>
        <translation>Datei:</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>Durchsuchen...</translation>
    </message>
    <message>
        <source>update</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Updating firmware</source>
        <translation>Firmware wird aktualisiert</translation>
    </message>
    <message>
        <source>Select firmware file </source>
        <translation>Firmware-Datei wählen</translation>
    </message>
    <message>
        <source>bin File(*.bin)</source>
        <translation>Firmware-Datei (*.bin)</translation>
    </message>
    <message>
        <source>This firmware file don&apos;t open</source>
        <translation>Diese Firmware-Datei lässt sich nicht öffnen.</translation>
    </message>
    <message>
        <source>This file is larger than the scanner&apos;s firmware memory of %1 bytes.</source>
        <translation>Diese Datei ist größer als der Firmware-Speicher des Scanners (%1 Byte).</translation>
    </message>
    <message>
        <source>This file is not a firmware file.</source>
        <translation>Diese Datei ist keine Firmware-Datei.</translation>
    </message>
    <message>
        <source>User need select the firmware file.</source>
        <translation>Bitte wählen Sie eine Firmware-Datei.</translation>
    </message>
</context>
<context>
    <name>Film135</name>
    <message>
        <source>Form</source>
        <translation>Formular</translation>
    </message>
    <message>
        <source>File Description:</source>
        <translation>Beschreibung:</translation>
    </message>
    <message>
        <source>Scanning Target:</source>
        <translation>Scanobjekt:</translation>
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
        <source>Positive B&amp;&amp;W</source>
        <translation>Positiv S/W</translation>
    </message>
    <message>
        <source>Negative B&amp;&amp;W</source>
        <translation>Negativ S/W</translation>
    </message>
    <message>
        <source>Scanning Resolution:</source>
        <translation>Scanauflösung:</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Qualität</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Color Depth:</source>
        <translation>Farbtiefe:</translation>
    </message>
    <message>
        <source>16 bit</source>
        <translation>16 Bit</translation>
    </message>
    <message>
        <source>8 bit</source>
        <translation>8 Bit</translation>
    </message>
    <message>
        <source>Directory:</source>
        <translation>Ordner:</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>Durchsuchen...</translation>
    </message>
    <message>
        <source>Prefix File Name:</source>
        <translation>Präfix des Dateinamens:</translation>
    </message>
    <message>
        <source>File Format:</source>
        <translation>Dateiformat:</translation>
    </message>
    <message>
        <source>TIFF</source>
        <translation>TIFF</translation>
    </message>
    <message>
        <source>JPEG</source>
        <translation>JPEG</translation>
    </message>
    <message>
        <source>Multipass Xposure</source>
        <translation>Mehrfachbelichtung</translation>
    </message>
    <message>
        <source>Digital Noise Reduction</source>
        <translation>Digitale Rauschminderung</translation>
    </message>
    <message>
        <source>Auto Contrast</source>
        <translation>Automatischer Kontrast</translation>
    </message>
    <message>
        <source>Auto Color</source>
        <translation>Automatische Farbe</translation>
    </message>
    <message>
        <source>Auto Balance</source>
        <translation>Automatischer Abgleich</translation>
    </message>
    <message>
        <source>Scatch and Dust Remove</source>
        <translation>Kratzer- und Staubentfernung</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>Helligkeit</translation>
    </message>
    <message>
        <source>Filter Preview</source>
        <translation>Filtervorschau</translation>
    </message>
    <message>
        <source>Before</source>
        <translation>Vorher</translation>
    </message>
    <message>
        <source>After</source>
        <translation>Nachher</translation>
    </message>
    <message>
        <source>Suggested Viewing Objects:</source>
        <translation>Empfohlene Objekte:</translation>
    </message>
    <message>
        <source>135mm Film + Multipass
Xposure</source>
        <translation>Kleinbildfilm + Mehrfach-
belichtung</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Importieren</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Select directory for save</source>
        <translation>Zielordner wählen</translation>
    </message>
</context>
<context>
    <name>HistogramView</name>
    <message>
        <source>Histogram</source>
        <translation>Histogramm</translation>
    </message>
    <message>
        <source>Drag the black, gamma and white handles below the curves</source>
        <translation>Ziehen Sie die Schwarz-, Gamma- und Weißregler unter den Kurven</translation>
    </message>
</context>
<context>
    <name>InstallCheck</name>
    <message>
        <source>The parameter file %1 is missing. Scans use the built-in values instead, so their crop and colours may differ. Install Korvane again to restore it.</source>
        <translation>Die Parameterdatei %1 fehlt. Scans verwenden stattdessen die eingebauten Werte, Zuschnitt und Farben können daher abweichen. Installieren Sie Korvane erneut, um sie wiederherzustellen.</translation>
    </message>
    <message>
        <source>The TIFF templates in %1 are missing or damaged. Very large 16-bit TIFF scans cannot be saved; choose JPEG, 8 bits or a lower resolution, or install Korvane again.</source>
        <translation>Die TIFF-Vorlagen in %1 fehlen oder sind beschädigt. Sehr große 16-Bit-TIFF-Scans können nicht gespeichert werden; wählen Sie JPEG, 8 Bit oder eine niedrigere Auflösung, oder installieren Sie Korvane erneut.</translation>
    </message>
    <message>
        <source>The user manual %1 is missing or damaged, so Help &gt; User Manual cannot show it. Install Korvane again to restore it.</source>
        <translation>Das Benutzerhandbuch %1 fehlt oder ist beschädigt, daher kann Hilfe &gt; Benutzerhandbuch es nicht anzeigen. Installieren Sie Korvane erneut, um es wiederherzustellen.</translation>
    </message>
</context>
<context>
    <name>LanguageDialog</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
</context>
<context>
    <name>LevelsPanel</name>
    <message>
        <source>Logarithmic</source>
        <translation>Logarithmisch</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Zurücksetzen</translation>
    </message>
    <message>
        <source>Show clipping while dragging</source>
        <translation>Beschnitt beim Ziehen zeigen</translation>
    </message>
    <message>
        <source>All</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Rot</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Grün</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Blau</translation>
    </message>
    <message>
        <source>Channel</source>
        <translation>Kanal</translation>
    </message>
    <message>
        <source>Black point</source>
        <translation>Schwarzpunkt</translation>
    </message>
    <message>
        <source>Gamma</source>
        <translation>Gamma</translation>
    </message>
    <message>
        <source>White point</source>
        <translation>Weißpunkt</translation>
    </message>
    <message>
        <source>Share clipped by Auto</source>
        <translation>Von Auto beschnittener Anteil</translation>
    </message>
    <message>
        <source>Set black and white points from the histogram</source>
        <translation>Schwarz- und Weißpunkt aus dem Histogramm setzen</translation>
    </message>
    <message>
        <source>Set every channel back to neutral levels</source>
        <translation>Alle Kanäle auf neutrale Tonwerte zurücksetzen</translation>
    </message>
    <message>
        <source>Channel:</source>
        <translation>Kanal:</translation>
    </message>
    <message>
        <source>Black:</source>
        <translation>Schwarz:</translation>
    </message>
    <message>
        <source>Gamma:</source>
        <translation>Gamma:</translation>
    </message>
    <message>
        <source>White:</source>
        <translation>Weiß:</translation>
    </message>
    <message>
        <source>Clip:</source>
        <translation>Beschnitt:</translation>
    </message>
    <message>
        <source>Clipped at black: R %1 %  G %2 %  B %3 %</source>
        <translation>Beschnitt Schwarz: R %1 %  G %2 %  B %3 %</translation>
    </message>
    <message>
        <source>Clipped at white: R %1 %  G %2 %  B %3 %</source>
        <translation>Beschnitt Weiß: R %1 %  G %2 %  B %3 %</translation>
    </message>
</context>
<context>
    <name>MainForm</name>
    <message>
        <source>Form</source>
        <translation>Formular</translation>
    </message>
    <message>
        <source>Scanning Mode</source>
        <translation>Scanmodus</translation>
    </message>
    <message>
        <source>Microscope Slides</source>
        <translation>Objektträger</translation>
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
        <source>135 Film</source>
        <translation>Kleinbildfilm</translation>
    </message>
    <message>
        <source>Positive Film</source>
        <translation>Positivfilm</translation>
    </message>
    <message>
        <source>Negative Film</source>
        <translation>Negativfilm</translation>
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
        <source>Preference...</source>
        <translation>Einstellungen...</translation>
    </message>
    <message>
        <source>Other Settings</source>
        <translation>Weitere Einstellungen</translation>
    </message>
    <message>
        <source>Architect&apos;s Scale</source>
        <translation>Maßstab</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>Helligkeit</translation>
    </message>
    <message>
        <source>Prescan Viewing function</source>
        <translation>Vorschau-Werkzeuge</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Zoom In&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Vergrößern&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Zoom In</source>
        <translation>Vergrößern</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Zoom Out&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Verkleinern&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Zoom Out</source>
        <translation>Verkleinern</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Rotate 90 Left&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;90° nach links drehen&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Rotate 90 Left</source>
        <translation>90° nach links drehen</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Rotate 90 Right&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;90° nach rechts drehen&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Rotate 90 Right</source>
        <translation>90° nach rechts drehen</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Flip Horizontal&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Horizontal spiegeln&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Flip Horizontal</source>
        <translation>Horizontal spiegeln</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Flip Vertical&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Vertikal spiegeln&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Flip Vertical</source>
        <translation>Vertikal spiegeln</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Clear Object&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Rahmen und Maßstab entfernen&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Clear Object</source>
        <translation>Rahmen und Maßstab entfernen</translation>
    </message>
    <message>
        <source>Take a quick look at what lies in the scanner</source>
        <translation>Schnell ansehen, was im Scanner liegt</translation>
    </message>
    <message>
        <source>Prescan</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>Scan the framed area, or the whole frame, and save it in the directory below</source>
        <translation>Den gerahmten Bereich oder das ganze Bild scannen und im unten genannten Ordner speichern</translation>
    </message>
    <message>
        <source>Scan</source>
        <translation>Scannen</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Informationen</translation>
    </message>
    <message>
        <source>Image Resolution:</source>
        <translation>Bildauflösung:</translation>
    </message>
    <message>
        <source>Width: 0 pixels</source>
        <translation>Breite: 0 Pixel</translation>
    </message>
    <message>
        <source>Color Depth:</source>
        <translation>Farbtiefe:</translation>
    </message>
    <message>
        <source>Height: 0 pixels</source>
        <translation>Höhe: 0 Pixel</translation>
    </message>
    <message>
        <source>File Format:</source>
        <translation>Dateiformat:</translation>
    </message>
    <message>
        <source>Size: 0 MB</source>
        <translation>Größe: 0 MB</translation>
    </message>
    <message>
        <source>Directory:</source>
        <translation>Ordner:</translation>
    </message>
    <message>
        <source>Open File Location...</source>
        <translation>Speicherort öffnen...</translation>
    </message>
    <message>
        <source>Suggested Viewing Objects:</source>
        <translation>Empfohlene Objekte:</translation>
    </message>
    <message>
        <source>Time-lapse Photography</source>
        <translation>Zeitraffer</translation>
    </message>
    <message>
        <source>Number of Scans:</source>
        <translation>Anzahl der Scans:</translation>
    </message>
    <message>
        <source>999</source>
        <translation>999</translation>
    </message>
    <message>
        <source>minute</source>
        <translation>Minuten</translation>
    </message>
    <message>
        <source>Scan Rate:</source>
        <translation>Intervall:</translation>
    </message>
    <message>
        <source>Automatic  Encode Video:</source>
        <translation>Video automatisch erstellen:</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>Aktivieren</translation>
    </message>
    <message>
        <source>Image Resolution: %1</source>
        <translation>Bildauflösung: %1</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Qualität</translation>
    </message>
    <message>
        <source>8 bit</source>
        <translation>8 Bit</translation>
    </message>
    <message>
        <source>16 bit</source>
        <translation>16 Bit</translation>
    </message>
    <message>
        <source>8bit</source>
        <translation>8 Bit</translation>
    </message>
    <message>
        <source>16bit</source>
        <translation>16 Bit</translation>
    </message>
    <message>
        <source>Color Depth: %1</source>
        <translation>Farbtiefe: %1</translation>
    </message>
    <message>
        <source>File Format: %1</source>
        <translation>Dateiformat: %1</translation>
    </message>
    <message>
        <source>Directory: %1</source>
        <translation>Ordner: %1</translation>
    </message>
    <message>
        <source>Size: %1 MB</source>
        <translation>Größe: %1 MB</translation>
    </message>
    <message>
        <source>Hight: 0 pixels</source>
        <translation>Höhe: 0 Pixel</translation>
    </message>
    <message>
        <source>Brightness : 0</source>
        <translation>Helligkeit: 0</translation>
    </message>
    <message>
        <source>Korvane</source>
        <translation>Korvane</translation>
    </message>
    <message>
        <source>PreScan failure</source>
        <translation>Die Vorschau ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>Prescaning. Please wait</source>
        <translation>Vorschau wird erstellt. Bitte warten</translation>
    </message>
    <message>
        <source>Please Prescan before using Multipass Xposure function.</source>
        <translation>Bitte erstellen Sie zuerst eine Vorschau, bevor Sie die Mehrfachbelichtung verwenden.</translation>
    </message>
    <message>
        <source>Scan failure</source>
        <translation>Der Scan ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>Scaning. Please wait</source>
        <translation>Scan läuft. Bitte warten</translation>
    </message>
    <message>
        <source>The folder %1 could not be opened.</source>
        <translation>Der Ordner %1 konnte nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>Brightness : %1</source>
        <translation>Helligkeit: %1</translation>
    </message>
    <message>
        <source>Cancel this action of prescan by user.</source>
        <translation>Die Vorschau wurde abgebrochen.</translation>
    </message>
    <message>
        <source>Cancel this action of scan by user.</source>
        <translation>Der Scan wurde abgebrochen.</translation>
    </message>
    <message>
        <source>Width: %1 pixels</source>
        <translation>Breite: %1 Pixel</translation>
    </message>
    <message>
        <source>Height: %1 pixels</source>
        <translation>Höhe: %1 Pixel</translation>
    </message>
    <message>
        <source>Last saved: %1</source>
        <translation>Zuletzt gespeichert: %1</translation>
    </message>
    <message>
        <source>Image Resolution: %1 dpi</source>
        <translation>Bildauflösung: %1 dpi</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Histogram and Levels&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Histogramm und Tonwerte&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Histogram and Levels</source>
        <translation>Histogramm und Tonwerte</translation>
    </message>
    <message>
        <source>The levels could not be kept with the mode; they still apply to this scan.</source>
        <translation>Die Tonwerte konnten nicht mit dem Modus gespeichert werden; für diesen Scan gelten sie dennoch.</translation>
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
    <message>
        <source>Engineer Setting</source>
        <translation>Technikereinstellungen</translation>
    </message>
    <message>
        <source>Adjust Setting</source>
        <translation>Abgleicheinstellungen</translation>
    </message>
    <message>
        <source>The user manual %1 could not be opened.</source>
        <translation>Das Benutzerhandbuch %1 konnte nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>Update firmware</source>
        <translation>Firmware aktualisieren</translation>
    </message>
    <message>
        <source>Update firmware success.
It will close Korvane softwrae now.</source>
        <translation>Die Firmware wurde aktualisiert.
Korvane wird jetzt beendet.</translation>
    </message>
    <message>
        <source>Update firmware failed.
The scanner keeps its firmware. Korvane will close now; connect the scanner again and restart Korvane.</source>
        <translation>Die Firmware-Aktualisierung ist fehlgeschlagen.
Der Scanner behält seine bisherige Firmware. Korvane wird jetzt beendet; schließen Sie den Scanner erneut an und starten Sie Korvane neu.</translation>
    </message>
    <message>
        <source>Are you sure to exit Korvane?</source>
        <translation>Möchten Sie Korvane wirklich beenden?</translation>
    </message>
    <message>
        <source>&amp;Scanner...</source>
        <translation>&amp;Scanner...</translation>
    </message>
    <message>
        <source>Connect with Kor scanner fail !</source>
        <translation>Die Verbindung zum Kor-Scanner ist fehlgeschlagen!</translation>
    </message>
    <message>
        <source>&amp;Language...</source>
        <translation>Sp&amp;rache...</translation>
    </message>
    <message>
        <source>Korvane could not save the language in %1, so it is shown in this language only until Korvane is closed.</source>
        <translation>Korvane konnte die Sprache nicht in %1 speichern; sie gilt daher nur, bis Korvane geschlossen wird.</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
    </message>
</context>
<context>
    <name>MicroSides</name>
    <message>
        <source>Form</source>
        <translation>Formular</translation>
    </message>
    <message>
        <source>File Description:</source>
        <translation>Beschreibung:</translation>
    </message>
    <message>
        <source>Scanning Target:</source>
        <translation>Scanobjekt:</translation>
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
        <source>Aqauatic Organisms</source>
        <translation>Wasserorganismen</translation>
    </message>
    <message>
        <source>Others</source>
        <translation>Sonstiges</translation>
    </message>
    <message>
        <source>Scanning Resolution:</source>
        <translation>Scanauflösung:</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Qualität</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Color Depth:</source>
        <translation>Farbtiefe:</translation>
    </message>
    <message>
        <source>16 bit</source>
        <translation>16 Bit</translation>
    </message>
    <message>
        <source>8 bit</source>
        <translation>8 Bit</translation>
    </message>
    <message>
        <source>Directory:</source>
        <translation>Ordner:</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>Durchsuchen...</translation>
    </message>
    <message>
        <source>Prefix File Name:</source>
        <translation>Präfix des Dateinamens:</translation>
    </message>
    <message>
        <source>File Format:</source>
        <translation>Dateiformat:</translation>
    </message>
    <message>
        <source>TIFF</source>
        <translation>TIFF</translation>
    </message>
    <message>
        <source>JPEG</source>
        <translation>JPEG</translation>
    </message>
    <message>
        <source>Multipass Xposure</source>
        <translation>Mehrfachbelichtung</translation>
    </message>
    <message>
        <source>Auto Contrast</source>
        <translation>Automatischer Kontrast</translation>
    </message>
    <message>
        <source>Saturation</source>
        <translation>Sättigung</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>Helligkeit</translation>
    </message>
    <message>
        <source>Filter Preview</source>
        <translation>Filtervorschau</translation>
    </message>
    <message>
        <source>Before</source>
        <translation>Vorher</translation>
    </message>
    <message>
        <source>After</source>
        <translation>Nachher</translation>
    </message>
    <message>
        <source>Suggested Viewing Objects:</source>
        <translation>Empfohlene Objekte:</translation>
    </message>
    <message>
        <source>Animal/Plant Tissue Sections</source>
        <translation>Tierische/pflanzliche Gewebeschnitte</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Importieren</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Select directory for save</source>
        <translation>Zielordner wählen</translation>
    </message>
</context>
<context>
    <name>NVAScanner</name>
    <message>
        <source>This scanner does not take this request: Korvane reaches it through SANE, which offers no such function.</source>
        <translation>Dieser Scanner nimmt diese Anforderung nicht an: Korvane erreicht ihn über SANE, das keine solche Funktion bietet.</translation>
    </message>
    <message>
        <source>The scanner %1 was not found. Plug it in, switch it on and check that &quot;scanimage -L&quot; lists it.</source>
        <translation>Der Scanner %1 wurde nicht gefunden. Schließen Sie ihn an, schalten Sie ihn ein und prüfen Sie, ob &quot;scanimage -L&quot; ihn aufführt.</translation>
    </message>
    <message>
        <source>The scanner %1 is busy: another program is using it. Close that program and try again.</source>
        <translation>Der Scanner %1 ist belegt: Ein anderes Programm verwendet ihn. Schließen Sie dieses Programm und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Korvane may not use the scanner %1. Add your user to the scanner group, log in again and try again.</source>
        <translation>Korvane darf den Scanner %1 nicht verwenden. Fügen Sie Ihren Benutzer der Gruppe scanner hinzu, melden Sie sich neu an und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The scanner reported an input/output error. Check its cable and power, then try again.</source>
        <translation>Der Scanner meldete einen Ein-/Ausgabefehler. Prüfen Sie Kabel und Stromversorgung und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The film is jammed in the scanner. Free it and scan again.</source>
        <translation>Der Film klemmt im Scanner. Lösen Sie ihn und scannen Sie erneut.</translation>
    </message>
    <message>
        <source>The scanner&apos;s cover is open. Close it and scan again.</source>
        <translation>Die Abdeckung des Scanners ist offen. Schließen Sie sie und scannen Sie erneut.</translation>
    </message>
    <message>
        <source>There is no film in the scanner. Insert the film holder and scan again.</source>
        <translation>Im Scanner liegt kein Film. Legen Sie den Filmhalter ein und scannen Sie erneut.</translation>
    </message>
    <message>
        <source>The scanner no longer answers: it was unplugged or switched off.</source>
        <translation>Der Scanner antwortet nicht mehr: Er wurde abgezogen oder ausgeschaltet.</translation>
    </message>
    <message>
        <source>This scanner cannot tell the height of an image before it scans it, so Korvane cannot use it.</source>
        <translation>Dieser Scanner kennt die Höhe eines Bildes nicht, bevor er es scannt; daher kann Korvane ihn nicht verwenden.</translation>
    </message>
    <message>
        <source>The framed area lies outside what this scanner can scan. Frame an area inside the preview and scan again.</source>
        <translation>Der gewählte Bereich liegt außerhalb dessen, was dieser Scanner scannen kann. Wählen Sie einen Bereich innerhalb der Vorschau und scannen Sie erneut.</translation>
    </message>
    <message>
        <source>This scanner does not take multipass scans. Switch multipass off in the profile and scan again.</source>
        <translation>Dieser Scanner kann keine Mehrfachscans. Schalten Sie Multipass im Profil aus und scannen Sie erneut.</translation>
    </message>
    <message>
        <source>The scanner reported a fault. Check the scanner and try again.</source>
        <translation>Der Scanner meldete einen Fehler. Prüfen Sie den Scanner und versuchen Sie es erneut.</translation>
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
    <name>PreferencesDialog</name>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Scanning Resolution:</source>
        <translation>Scanauflösung:</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Qualität</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Color Depth:</source>
        <translation>Farbtiefe:</translation>
    </message>
    <message>
        <source>16 bit</source>
        <translation>16 Bit</translation>
    </message>
    <message>
        <source>8 bit</source>
        <translation>8 Bit</translation>
    </message>
    <message>
        <source>Directory:</source>
        <translation>Ordner:</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>Durchsuchen...</translation>
    </message>
    <message>
        <source>Prefix File Name:</source>
        <translation>Präfix des Dateinamens:</translation>
    </message>
    <message>
        <source>File Format:</source>
        <translation>Dateiformat:</translation>
    </message>
    <message>
        <source>TIFF</source>
        <translation>TIFF</translation>
    </message>
    <message>
        <source>JPEG</source>
        <translation>JPEG</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Select directory for save</source>
        <translation>Zielordner wählen</translation>
    </message>
</context>
<context>
    <name>ProfileEditing</name>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>The profile could not be saved to &quot;%1&quot;. It is used until the program ends.</source>
        <translation>Das Profil konnte nicht nach „%1“ gespeichert werden. Es gilt bis zum Programmende.</translation>
    </message>
</context>
<context>
    <name>RulerItem</name>
    <message>
        <source>0.5 %1</source>
        <translation>0,5 %1</translation>
    </message>
    <message>
        <source>cm</source>
        <translation>cm</translation>
    </message>
    <message>
        <source>inch</source>
        <translation>Zoll</translation>
    </message>
</context>
<context>
    <name>ScannerDialog</name>
    <message>
        <source>Scanner</source>
        <translation>Scanner</translation>
    </message>
    <message>
        <source>Choose the scanner Korvane works with:</source>
        <translation>Wählen Sie den Scanner, mit dem Korvane arbeitet:</translation>
    </message>
    <message>
        <source>Scanners</source>
        <translation>Scanner</translation>
    </message>
</context>
<context>
    <name>ScannerLinking</name>
    <message>
        <source>Korvane</source>
        <translation>Korvane</translation>
    </message>
    <message>
        <source>Initialize scanner. Please wait</source>
        <translation>Scanner wird initialisiert. Bitte warten</translation>
    </message>
    <message>
        <source>Korvane could not remember the scanner in %1; it is used until Korvane ends.</source>
        <translation>Korvane konnte den Scanner nicht in %1 speichern; er wird verwendet, bis Korvane endet.</translation>
    </message>
    <message>
        <source>Korvane cannot find the scanner %1. Plug it in and switch it on, then check that &quot;scanimage -L&quot; lists it. If it is listed only when run as root, add yourself to the scanner group and log in again.
Choose the scanner again, or the simulated scanner.</source>
        <translation>Korvane findet den Scanner %1 nicht. Schließen Sie ihn an, schalten Sie ihn ein und prüfen Sie, ob &quot;scanimage -L&quot; ihn aufführt. Wird er nur mit Root-Rechten aufgeführt, fügen Sie sich der Gruppe scanner hinzu und melden Sie sich neu an.
Wählen Sie den Scanner erneut oder den simulierten Scanner.</translation>
    </message>
    <message>
        <source>The scanner %1 did not answer: another program may be using it, or you may not be allowed to use it. Close other scanning programs, make sure you are in the scanner group (log in again after adding yourself), and check that &quot;scanimage -L&quot; lists it.
Choose the scanner again, or the simulated scanner.</source>
        <translation>Der Scanner %1 hat nicht geantwortet: Vielleicht verwendet ihn ein anderes Programm, oder Sie dürfen ihn nicht verwenden. Schließen Sie andere Scanprogramme, stellen Sie sicher, dass Sie in der Gruppe scanner sind (nach dem Hinzufügen neu anmelden), und prüfen Sie, ob &quot;scanimage -L&quot; ihn aufführt.
Wählen Sie den Scanner erneut oder den simulierten Scanner.</translation>
    </message>
</context>
<context>
    <name>ScannerList</name>
    <message>
        <source>Simulated scanner (built in)</source>
        <translation>Simulierter Scanner (eingebaut)</translation>
    </message>
</context>
<context>
    <name>ScannerSDK</name>
    <message>
        <source>The scan could not be saved in %1: the disk is full. Free some space or choose another folder in Preference...</source>
        <translation>Der Scan konnte nicht in %1 gespeichert werden: Der Datenträger ist voll. Geben Sie Speicherplatz frei oder wählen Sie unter „Einstellungen...“ einen anderen Ordner.</translation>
    </message>
    <message>
        <source>The scan could not be saved in %1: the folder does not exist or cannot be written. Choose another folder in Preference...</source>
        <translation>Der Scan konnte nicht in %1 gespeichert werden: Der Ordner existiert nicht oder ist schreibgeschützt. Wählen Sie unter „Einstellungen...“ einen anderen Ordner.</translation>
    </message>
    <message>
        <source>The scan could not be saved in %1: every file number from 0001 to 9998 is taken. Move some files away or choose another folder in Preference...</source>
        <translation>Der Scan konnte nicht in %1 gespeichert werden: Alle Dateinummern von 0001 bis 9998 sind vergeben. Verschieben Sie einige Dateien oder wählen Sie unter „Einstellungen...“ einen anderen Ordner.</translation>
    </message>
    <message>
        <source>The scan could not be saved in %1: writing the file failed. Check the folder and try again.</source>
        <translation>Der Scan konnte nicht in %1 gespeichert werden: Das Schreiben der Datei ist fehlgeschlagen. Prüfen Sie den Ordner und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The scanner did not deliver the scan. Check the scanner and try again.</source>
        <translation>Der Scanner hat den Scan nicht geliefert. Prüfen Sie den Scanner und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The scanner did not deliver the prescan. Check the scanner and try again.</source>
        <translation>Der Scanner hat die Vorschau nicht geliefert. Prüfen Sie den Scanner und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The scanner is not linked. Check its cable and power, then start Korvane again.</source>
        <translation>Der Scanner ist nicht verbunden. Prüfen Sie Kabel und Stromversorgung und starten Sie Korvane neu.</translation>
    </message>
</context>
<context>
    <name>ScannerView</name>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
</context>
<context>
    <name>ServiceTitles</name>
    <message>
        <source>Korvane</source>
        <translation>Korvane</translation>
    </message>
    <message>
        <source>Korvane - RAW mode</source>
        <translation>Korvane - RAW-Modus</translation>
    </message>
    <message>
        <source>Korvane - Engineer mode</source>
        <translation>Korvane - Technikermodus</translation>
    </message>
    <message>
        <source>Korvane - RAW&amp;Engineer mode</source>
        <translation>Korvane - RAW- und Technikermodus</translation>
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
        <source>Connect with Kor scanner fail !</source>
        <translation>Die Verbindung zum Kor-Scanner ist fehlgeschlagen!</translation>
    </message>
    <message>
        <source>Korvane cannot create or write to the folder %1, where it keeps your profiles and scans. Check that your Documents folder exists and that you may write to it, then start Korvane again.</source>
        <translation>Korvane kann den Ordner %1, in dem es Ihre Profile und Scans ablegt, nicht anlegen oder nicht darin schreiben. Prüfen Sie, ob Ihr Ordner „Dokumente“ vorhanden ist und Sie darin schreiben dürfen, und starten Sie Korvane dann erneut.</translation>
    </message>
</context>
<context>
    <name>adjustdialog</name>
    <message>
        <source>Form</source>
        <translation>Formular</translation>
    </message>
    <message>
        <source>Adjustment</source>
        <translation>Abgleich</translation>
    </message>
    <message>
        <source>R</source>
        <translation>R</translation>
    </message>
    <message>
        <source>G</source>
        <translation>G</translation>
    </message>
    <message>
        <source>B</source>
        <translation>B</translation>
    </message>
    <message>
        <source>(Percentage)</source>
        <translation>(Prozent)</translation>
    </message>
    <message>
        <source>Exposure factor</source>
        <translation>Belichtung</translation>
    </message>
    <message>
        <source>*max=2500</source>
        <translation>*max. 2500</translation>
    </message>
    <message>
        <source>Gain factor</source>
        <translation>Verstärkung</translation>
    </message>
    <message>
        <source>*max=600</source>
        <translation>*max. 600</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>Setzen</translation>
    </message>
    <message>
        <source>Getting</source>
        <translation>Wird gelesen</translation>
    </message>
    <message>
        <source>setting</source>
        <translation>Wird gesetzt</translation>
    </message>
    <message>
        <source>set success</source>
        <translation>Erfolgreich gesetzt</translation>
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
    <message>
        <source>The language list %1 is missing or empty. Korvane is shown in English; install Korvane again to choose another language.</source>
        <translation>Die Sprachenliste %1 fehlt oder ist leer. Korvane wird auf Englisch angezeigt; installieren Sie Korvane erneut, um eine andere Sprache wählen zu können.</translation>
    </message>
    <message>
        <source>The translation file %1 is missing or damaged. Korvane is shown in English; install Korvane again to restore it.</source>
        <translation>Die Übersetzungsdatei %1 fehlt oder ist beschädigt. Korvane wird auf Englisch angezeigt; installieren Sie Korvane erneut, um sie wiederherzustellen.</translation>
    </message>
    <message>
        <source>The translation file %1 is missing or damaged, so Korvane keeps its language; install Korvane again to restore it.</source>
        <translation>Die Übersetzungsdatei %1 fehlt oder ist beschädigt, daher behält Korvane seine Sprache; installieren Sie Korvane erneut, um sie wiederherzustellen.</translation>
    </message>
</context>
</TS>
