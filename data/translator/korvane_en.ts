<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
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
        <translation>MainWindow</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>&amp;User Manual</source>
        <translation>&amp;User Manual</translation>
    </message>
    <message>
        <source>Ctrl+U</source>
        <translation>Ctrl+U</translation>
    </message>
    <message>
        <source>&amp;Firmware Update</source>
        <translation>&amp;Firmware Update</translation>
    </message>
    <message>
        <source>Ctrl+F</source>
        <translation>Ctrl+F</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>About</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Ctrl+A</source>
        <translation>Ctrl+A</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Close</translation>
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
        <translation>Scanner disconnect</translation>
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
        <translation>Initialize scanner. Please wait</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
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
        <translation>Another program instance is already running, aborting.</translation>
    </message>
    <message>
        <source>Initialize scanner. Please wait</source>
        <translation>Initialize scanner. Please wait</translation>
    </message>
    <message>
        <source>Connect with Kor scanner fail !</source>
        <translation>Connect with Kor scanner fail !</translation>
    </message>
</context>
<context>
    <name>manager</name>
    <message>
        <source>The film-term file %1 is missing or damaged. Scans that need it are not corrected.</source>
        <translation>The film-term file %1 is missing or damaged. Scans that need it are not corrected.</translation>
    </message>
    <message>
        <source>Custom 1</source>
        <translation>Custom 1</translation>
    </message>
    <message>
        <source>Custom 2</source>
        <translation>Custom 2</translation>
    </message>
    <message>
        <source>Custom 3</source>
        <translation>Custom 3</translation>
    </message>
    <message>
        <source>Custom 4</source>
        <translation>Custom 4</translation>
    </message>
    <message>
        <source>Custom 5</source>
        <translation>Custom 5</translation>
    </message>
    <message>
        <source>Tissue Sections</source>
        <translation>Tissue Sections</translation>
    </message>
    <message>
        <source>Common Things</source>
        <translation>Common Things</translation>
    </message>
    <message>
        <source>Aquatic Organisms</source>
        <translation>Aquatic Organisms</translation>
    </message>
    <message>
        <source>Positive Color</source>
        <translation>Positive Color</translation>
    </message>
    <message>
        <source>Negative Color</source>
        <translation>Negative Color</translation>
    </message>
    <message>
        <source>The profile file %1 could not be read. It was kept as %2 and the built-in profile is used.</source>
        <translation>The profile file %1 could not be read. It was kept as %2 and the built-in profile is used.</translation>
    </message>
    <message>
        <source>The profile file %1 could not be read. The built-in profile is used.</source>
        <translation>The profile file %1 could not be read. The built-in profile is used.</translation>
    </message>
    <message>
        <source>The profile file %1 could not be written.</source>
        <translation>The profile file %1 could not be written.</translation>
    </message>
</context>
</TS>
