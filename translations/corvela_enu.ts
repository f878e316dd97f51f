<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="en_US">
<context>
    <name>MessageBox</name>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Confirm</translation>
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
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>TFCorvela</name>
    <message>
        <source>Initialization ...</source>
        <translation>Initialization ...</translation>
    </message>
    <message>
        <source>Shutdown</source>
        <translation>Shutdown</translation>
    </message>
    <message>
        <source>Reboot</source>
        <translation>Reboot</translation>
    </message>
    <message>
        <source>Log off</source>
        <translation>Log off</translation>
    </message>
    <message>
        <source>Konec</source>
        <translation>Konec</translation>
    </message>
    <message>
        <source>* Offline *</source>
        <translation>* Offline *</translation>
    </message>
    <message>
        <source>Can not run the Corvela while you are logged on as an administrator<byte value="xd"/>
<byte value="xd"/>
Logoff and logon as an different user and run the program again</source>
        <translation>Can not run the Corvela while you are logged on as an administrator<byte value="xd"/>
<byte value="xd"/>
Logoff and logon as an different user and run the program again</translation>
    </message>
</context>
</TS>
