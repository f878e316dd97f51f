<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="cs_CZ" sourcelanguage="en_US">
<context>
    <name>MessageBox</name>
    <message>
        <source>Error</source>
        <translation>Chyba</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Informace</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Potvrzení</translation>
    </message>
</context>
<context>
    <name>QPlatformTheme</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Ano</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Ne</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Storno</translation>
    </message>
</context>
<context>
    <name>TFCorvela</name>
    <message>
        <source>Initialization ...</source>
        <translation>Inicializace ...</translation>
    </message>
    <message>
        <source>Shutdown</source>
        <translation>Vypnout</translation>
    </message>
    <message>
        <source>Reboot</source>
        <translation>Restartovat</translation>
    </message>
    <message>
        <source>Log off</source>
        <translation>Odhlásit</translation>
    </message>
    <message>
        <source>Konec</source>
        <translation>Konec</translation>
    </message>
    <message>
        <source>* Offline *</source>
        <translation>* Odpojeno *</translation>
    </message>
    <message>
        <source>Can not run the Corvela while you are logged on as an administrator<byte value="xd"/>
<byte value="xd"/>
Logoff and logon as an different user and run the program again</source>
        <translation>Program Corvela nelze spustit, když jste přihlášeni jako správce.<byte value="xd"/>
<byte value="xd"/>
Odhlaste se, přihlaste se jako jiný uživatel a spusťte program znovu.</translation>
    </message>
</context>
</TS>
