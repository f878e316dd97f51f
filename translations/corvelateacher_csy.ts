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
    <name>TFAbout</name>
    <message>
        <source>About ...</source>
        <translation>O programu ...</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Verze</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>TFCorvelaTeacher</name>
    <message>
        <source>Waiting for client connection ...</source>
        <translation>Čekám na připojení klienta ...</translation>
    </message>
    <message>
        <source>Unlock computer</source>
        <translation>Odemknout počítač</translation>
    </message>
    <message>
        <source>Lock computer</source>
        <translation>Zamknout počítač</translation>
    </message>
    <message>
        <source>Disable internet</source>
        <translation>Zakázat internet</translation>
    </message>
    <message>
        <source>Enable internet</source>
        <translation>Povolit internet</translation>
    </message>
    <message>
        <source>Safe web browser</source>
        <translation>Bezpečný prohlížeč</translation>
    </message>
    <message>
        <source>Select all</source>
        <translation>Vybrat vše</translation>
    </message>
    <message>
        <source>Select none</source>
        <translation>Zrušit výběr</translation>
    </message>
    <message>
        <source>Invert selection</source>
        <translation>Obrátit výběr</translation>
    </message>
    <message>
        <source>Control panel</source>
        <translation>Ovládací panel</translation>
    </message>
    <message>
        <source>Reboot</source>
        <translation>Restartovat</translation>
    </message>
    <message>
        <source>Shutdown</source>
        <translation>Vypnout</translation>
    </message>
    <message>
        <source>Wake up</source>
        <translation>Probudit</translation>
    </message>
    <message>
        <source>Sleep</source>
        <translation>Uspat</translation>
    </message>
    <message>
        <source>Logoff</source>
        <translation>Odhlásit</translation>
    </message>
    <message>
        <source>Remove computer</source>
        <translation>Odebrat počítač</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Jazyk</translation>
    </message>
    <message>
        <source>Remote desktop</source>
        <translation>Vzdálená plocha</translation>
    </message>
    <message>
        <source>About ...</source>
        <translation>O programu ...</translation>
    </message>
    <message>
        <source>English</source>
        <translation>Angličtina</translation>
    </message>
    <message>
        <source>Czech</source>
        <translation>Čeština</translation>
    </message>
    <message>
        <source>There is no selected computer</source>
        <translation>Není vybrán žádný počítač</translation>
    </message>
    <message>
        <source>Do you want to cancel &apos;Safe web browser&apos;?</source>
        <translation>Chcete zrušit „Bezpečný prohlížeč“?</translation>
    </message>
    <message>
        <source>Safe Web Browser</source>
        <translation>Bezpečný prohlížeč</translation>
    </message>
    <message>
        <source>Enter URL:</source>
        <translation>Zadejte adresu URL:</translation>
    </message>
    <message>
        <source>Do you want to reboot selected computers?</source>
        <translation>Chcete restartovat vybrané počítače?</translation>
    </message>
    <message>
        <source>Do you want to shutdown selected computers?</source>
        <translation>Chcete vypnout vybrané počítače?</translation>
    </message>
    <message>
        <source>Do you want to wake up selected computers?</source>
        <translation>Chcete probudit vybrané počítače?</translation>
    </message>
    <message>
        <source>Do you want to sleep selected computers?</source>
        <translation>Chcete uspat vybrané počítače?</translation>
    </message>
    <message>
        <source>Do you want to logoff and logon as a different user?</source>
        <translation>Chcete se odhlásit a přihlásit jako jiný uživatel?</translation>
    </message>
    <message>
        <source>Do you want to remove %1?</source>
        <translation>Chcete odebrat %1?</translation>
    </message>
    <message>
        <source>Offline</source>
        <translation>Odpojen</translation>
    </message>
    <message>
        <source>Locked</source>
        <translation>Zamčen</translation>
    </message>
    <message>
        <source>Unlocked, internet disabled</source>
        <translation>Odemčen, internet zakázán</translation>
    </message>
    <message>
        <source>Unlocked, internet enabled</source>
        <translation>Odemčen, internet povolen</translation>
    </message>
</context>
<context>
    <name>corvela::TFCorvelaTeacher</name>
    <message>
        <source>Corvela - Teacher</source>
        <translation>Corvela - Učitel</translation>
    </message>
</context>
</TS>
