<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1">
<context>
    <name>EditProps</name>
    <message>
        <source>Edit Schedule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose a contact</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recipient</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No number yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Phone number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Date and time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Message</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear the message</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Done typing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Repeat mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose how it repeats</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete schedule</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Velkari</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Properties</name>
    <message>
        <source>New Schedule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose a contact</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recipient</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No number yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Phone number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Date and time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Message</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear the message</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Done typing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Repeat mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose how it repeats</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RepeatMode</name>
    <message>
        <source>Repeat</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Repeat modes</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>StoreAlerts</name>
    <message>
        <source>Failed to read %1!
The file is left as it is; new schedules can&apos;t be saved until it is repaired.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to save %1!
Please check permissions of the folder</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TableCellView</name>
    <message>
        <source>Edit schedule</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>VelkariViewController</name>
    <message>
        <source>Schedules</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About Velkari</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add schedule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No schedules yet.
Add one with +.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>platform::AlertView</name>
    <message>
        <source>Alert</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>platform::Application</name>
    <message>
        <source>The registered reminders could not be read. The file was kept as %1; reminders registered before are not in effect.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reminders cannot be registered: %1. The file is left as it is.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Registered reminders that could not be read: %1. They are not in effect and were kept as %2.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>platform::CalendarSheet</name>
    <message>
        <source>Calendar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Previous month</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next month</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>platform::DatePicker</name>
    <message>
        <source>Day</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hour</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Minute</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Previous day</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>One hour earlier</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>One minute earlier</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next day</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>One hour later</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>One minute later</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>platform::DesktopNotifications</name>
    <message>
        <source>Open Velkari to prepare the message.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A message to send</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>platform::KdeConnectTransport</name>
    <message>
        <source>The session bus is not available, so KDE Connect cannot be reached.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>KDE Connect is not running.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>KDE Connect did not list its devices: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No paired phone that can send text messages is reachable.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>KDE Connect could not pass the message on: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>platform::MessageComposer</name>
    <message>
        <source>New Message</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Send</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>To:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recipients</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Message</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This device cannot send text messages.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sending…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sent.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The message could not be handed to the phone.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not sent.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Message not sent</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Try Again</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>platform::ModemManagerTransport</name>
    <message>
        <source>The system bus is not available, so ModemManager cannot be reached.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ModemManager is not running.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ModemManager did not list its modems: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No modem is ready to send text messages.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The modem refused the message: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ModemManager did not say where it keeps the message.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The modem could not send the message: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no SIM card in the modem.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The modem cannot be used: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its SIM card does not work</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it failed to start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The SIM card is locked. Unlock it with its PIN, then try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The modem is switched off (airplane mode may be on). Switch it on, then try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The modem is still starting. Try again in a moment.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This modem cannot send text messages.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” is not a phone number the modem can dial.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>platform::PageCurl</name>
    <message>
        <source>Back</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>platform::PeoplePicker</name>
    <message>
        <source>Contacts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search contacts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nobody matches.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open the contacts folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>‹ Contacts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Phone numbers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No phone numbers.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reading contacts…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No contacts yet.

Velkari shows the contacts of GNOME Contacts (Evolution Data Server), the vCard files (.vcf) of KDE&apos;s contacts in

%1

and the contacts you export from your phone or mail program as vCard files. Put them in

%2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>platform::SmsTransport</name>
    <message>
        <source>No confirmation within %1 s; the message may still be sent later.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no number to send the message to.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>platform::Tray</name>
    <message>
        <source>Show Velkari</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Velkari: %n upcoming</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
</context>
<context>
    <name>platform::Window</name>
    <message>
        <source>Quit</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>velkari::Properties</name>
    <message>
        <source>This schedule can&apos;t be saved: %1 could not be read.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
