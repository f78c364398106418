<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>DlgText</name>
    <message>
        <source>Warning</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Retry</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LibText</name>
    <message>
        <source>Range check error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is already associated with %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PrgText</name>
    <message>
        <source>Tessaril Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Help is not available on this system!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Backs up photos, music and documents from phones, tablets,</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cameras and media players to a folder on this computer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Part of program package:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
