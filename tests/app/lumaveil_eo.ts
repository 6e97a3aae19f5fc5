<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="eo" sourcelanguage="en">
<context>
    <name>Countdown</name>
    <message>
        <source>Turn On Screensaver</source>
        <translation>Ŝaltu la ekrankurtenon</translation>
    </message>
    <message>
        <source>Turn Off Screensaver</source>
        <translation>Malŝaltu la ekrankurtenon</translation>
    </message>
</context>
<context>
    <name>Form4</name>
    <message>
        <source>ScreenSaver Options</source>
        <translation>Agordoj de la ekrankurteno</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Turn the screensaver on.</source>
        <translation>Ŝaltu la ekrankurtenon.</translation>
    </message>
    <message>
        <source>Unknown argument &apos;%1&apos;.</source>
        <translation>Nekonata argumento «%1».</translation>
    </message>
</context>
</TS>
