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
    <name>TFAbout</name>
    <message>
        <source>About ...</source>
        <translation>Error&lt;/source&gt;
        &lt;translation&gt;Error&lt;/translation&gt;
    &lt;/message&gt;
    &lt;message&gt;
        &lt;source&gt;Information&lt;/source&gt;
        &lt;translation&gt;Information&lt;/translation&gt;
    &lt;/message&gt;
    &lt;message&gt;
        &lt;source&gt;Confirm&lt;/source&gt;
        &lt;translation&gt;Confirm&lt;/translation&gt;
    &lt;/message&gt;
&lt;/context&gt;
&lt;context&gt;
    &lt;name&gt;QPlatformTheme&lt;/name&gt;
    &lt;message&gt;
        &lt;source&gt;OK&lt;/source&gt;
        &lt;translation&gt;OK&lt;/translation&gt;
    &lt;/message&gt;
    &lt;message&gt;
        &lt;source&gt;&amp;Yes&lt;/source&gt;
        &lt;translation&gt;&amp;Yes&lt;/translation&gt;
    &lt;/message&gt;
    &lt;message&gt;
        &lt;source&gt;&amp;No&lt;/source&gt;
        &lt;translation&gt;&amp;No&lt;/translation&gt;
    &lt;/message&gt;
    &lt;message&gt;
        &lt;source&gt;Cancel&lt;/source&gt;
        &lt;translation&gt;Cancel&lt;/translation&gt;
    &lt;/message&gt;
&lt;/context&gt;
&lt;context&gt;
    &lt;name&gt;TFAbout&lt;/name&gt;
    &lt;message&gt;
        &lt;source&gt;About ...</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
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
        <translation>Waiting for client connection ...</translation>
    </message>
    <message>
        <source>Unlock computer</source>
        <translation>Unlock computer</translation>
    </message>
    <message>
        <source>Lock computer</source>
        <translation>Lock computer</translation>
    </message>
    <message>
        <source>Disable internet</source>
        <translation>Disable internet</translation>
    </message>
    <message>
        <source>Enable internet</source>
        <translation>Enable internet</translation>
    </message>
    <message>
        <source>Safe web browser</source>
        <translation>Safe web browser</translation>
    </message>
    <message>
        <source>Select all</source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>Select none</source>
        <translation>Select none</translation>
    </message>
    <message>
        <source>Invert selection</source>
        <translation>Invert selection</translation>
    </message>
    <message>
        <source>Control panel</source>
        <translation>Control panel</translation>
    </message>
    <message>
        <source>Reboot</source>
        <translation>Reboot</translation>
    </message>
    <message>
        <source>Shutdown</source>
        <translation>Shutdown</translation>
    </message>
    <message>
        <source>Wake up</source>
        <translation>Wake up</translation>
    </message>
    <message>
        <source>Sleep</source>
        <translation>Sleep</translation>
    </message>
    <message>
        <source>Logoff</source>
        <translation>Logoff</translation>
    </message>
    <message>
        <source>Remove computer</source>
        <translation>Remove computer</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>Remote desktop</source>
        <translation>Remote desktop</translation>
    </message>
    <message>
        <source>About ...</source>
        <translation>About ...</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Czech</source>
        <translation>Czech</translation>
    </message>
    <message>
        <source>There is no selected computer</source>
        <translation>There is no selected computer</translation>
    </message>
    <message>
        <source>Do you want to cancel &apos;Safe web browser&apos;?</source>
        <translation>Do you want to cancel 'Safe web browser'?</translation>
    </message>
    <message>
        <source>Safe Web Browser</source>
        <translation>Safe Web Browser</translation>
    </message>
    <message>
        <source>Enter URL:</source>
        <translation>Enter URL:</translation>
    </message>
    <message>
        <source>Do you want to reboot selected computers?</source>
        <translation>Do you want to reboot selected computers?</translation>
    </message>
    <message>
        <source>Do you want to shutdown selected computers?</source>
        <translation>Do you want to shutdown selected computers?</translation>
    </message>
    <message>
        <source>Do you want to wake up selected computers?</source>
        <translation>Do you want to wake up selected computers?</translation>
    </message>
    <message>
        <source>Do you want to sleep selected computers?</source>
        <translation>Do you want to sleep selected computers?</translation>
    </message>
    <message>
        <source>Do you want to logoff and logon as a different user?</source>
        <translation>Do you want to logoff and logon as a different user?</translation>
    </message>
    <message>
        <source>Do you want to remove %1?</source>
        <translation>Do you want to remove %1?</translation>
    </message>
    <message>
        <source>Offline</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>Locked</source>
        <translation>Locked</translation>
    </message>
    <message>
        <source>Unlocked, internet disabled</source>
        <translation>Unlocked, internet disabled</translation>
    </message>
    <message>
        <source>Unlocked, internet enabled</source>
        <translation>Unlocked, internet enabled</translation>
    </message>
</context>
<context>
    <name>corvela::TFCorvelaTeacher</name>
    <message>
        <source>Corvela - Teacher</source>
        <translation>Corvela - Teacher</translation>
    </message>
</context>
</TS>
