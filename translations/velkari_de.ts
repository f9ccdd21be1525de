<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>EditProps</name>
    <message>
        <source>Edit Schedule</source>
        <translation>Termin bearbeiten</translation>
    </message>
    <message>
        <source>Choose a contact</source>
        <translation>Kontakt wählen</translation>
    </message>
    <message>
        <source>Recipient</source>
        <translation>Empfänger</translation>
    </message>
    <message>
        <source>No number yet</source>
        <translation>Noch keine Nummer</translation>
    </message>
    <message>
        <source>Phone number</source>
        <translation>Telefonnummer</translation>
    </message>
    <message>
        <source>Date and time</source>
        <translation>Datum und Uhrzeit</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Nachricht</translation>
    </message>
    <message>
        <source>Clear the message</source>
        <translation>Nachricht löschen</translation>
    </message>
    <message>
        <source>Done typing</source>
        <translation>Eingabe beenden</translation>
    </message>
    <message>
        <source>Repeat mode</source>
        <translation>Wiederholung</translation>
    </message>
    <message>
        <source>Choose how it repeats</source>
        <translation>Wiederholung wählen</translation>
    </message>
    <message>
        <source>Delete schedule</source>
        <translation>Termin löschen</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Velkari</source>
        <translation>Velkari</translation>
    </message>
</context>
<context>
    <name>Properties</name>
    <message>
        <source>New Schedule</source>
        <translation>Neuer Termin</translation>
    </message>
    <message>
        <source>Choose a contact</source>
        <translation>Kontakt wählen</translation>
    </message>
    <message>
        <source>Recipient</source>
        <translation>Empfänger</translation>
    </message>
    <message>
        <source>No number yet</source>
        <translation>Noch keine Nummer</translation>
    </message>
    <message>
        <source>Phone number</source>
        <translation>Telefonnummer</translation>
    </message>
    <message>
        <source>Date and time</source>
        <translation>Datum und Uhrzeit</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Nachricht</translation>
    </message>
    <message>
        <source>Clear the message</source>
        <translation>Nachricht löschen</translation>
    </message>
    <message>
        <source>Done typing</source>
        <translation>Eingabe beenden</translation>
    </message>
    <message>
        <source>Repeat mode</source>
        <translation>Wiederholung</translation>
    </message>
    <message>
        <source>Choose how it repeats</source>
        <translation>Wiederholung wählen</translation>
    </message>
</context>
<context>
    <name>RepeatMode</name>
    <message>
        <source>Repeat</source>
        <translation>Wiederholung</translation>
    </message>
    <message>
        <source>Repeat modes</source>
        <translation>Wiederholungsarten</translation>
    </message>
</context>
<context>
    <name>StoreAlerts</name>
    <message>
        <source>Failed to read %1!
The file is left as it is; new schedules can&apos;t be saved until it is repaired.</source>
        <translation>%1 konnte nicht gelesen werden!
Die Datei bleibt, wie sie ist; neue Termine können erst gespeichert werden, wenn sie repariert ist.</translation>
    </message>
    <message>
        <source>Failed to save %1!
Please check permissions of the folder</source>
        <translation>%1 konnte nicht gespeichert werden!
Bitte prüfen Sie die Berechtigungen des Ordners</translation>
    </message>
</context>
<context>
    <name>TableCellView</name>
    <message>
        <source>Edit schedule</source>
        <translation>Termin bearbeiten</translation>
    </message>
</context>
<context>
    <name>VelkariViewController</name>
    <message>
        <source>Schedules</source>
        <translation>Termine</translation>
    </message>
    <message>
        <source>About Velkari</source>
        <translation>Über Velkari</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Add schedule</source>
        <translation>Termin hinzufügen</translation>
    </message>
    <message>
        <source>No schedules yet.
Add one with +.</source>
        <translation>Noch keine Termine.
Fügen Sie mit + einen hinzu.</translation>
    </message>
</context>
<context>
    <name>platform::AlertView</name>
    <message>
        <source>Alert</source>
        <translation>Hinweis</translation>
    </message>
</context>
<context>
    <name>platform::Application</name>
    <message>
        <source>The registered reminders could not be read. The file was kept as %1; reminders registered before are not in effect.</source>
        <translation>Die eingetragenen Erinnerungen konnten nicht gelesen werden. Die Datei wurde als %1 aufbewahrt; zuvor eingetragene Erinnerungen gelten nicht.</translation>
    </message>
    <message>
        <source>Reminders cannot be registered: %1. The file is left as it is.</source>
        <translation>Erinnerungen können nicht eingetragen werden: %1. Die Datei bleibt, wie sie ist.</translation>
    </message>
    <message>
        <source>Registered reminders that could not be read: %1. They are not in effect and were kept as %2.</source>
        <translation>Eingetragene Erinnerungen, die nicht gelesen werden konnten: %1. Sie gelten nicht und wurden als %2 aufbewahrt.</translation>
    </message>
</context>
<context>
    <name>platform::CalendarSheet</name>
    <message>
        <source>Calendar</source>
        <translation>Kalender</translation>
    </message>
    <message>
        <source>Previous month</source>
        <translation>Vorheriger Monat</translation>
    </message>
    <message>
        <source>Next month</source>
        <translation>Nächster Monat</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>platform::DatePicker</name>
    <message>
        <source>Day</source>
        <translation>Tag</translation>
    </message>
    <message>
        <source>Hour</source>
        <translation>Stunde</translation>
    </message>
    <message>
        <source>Minute</source>
        <translation>Minute</translation>
    </message>
    <message>
        <source>Previous day</source>
        <translation>Vorheriger Tag</translation>
    </message>
    <message>
        <source>One hour earlier</source>
        <translation>Eine Stunde früher</translation>
    </message>
    <message>
        <source>One minute earlier</source>
        <translation>Eine Minute früher</translation>
    </message>
    <message>
        <source>Next day</source>
        <translation>Nächster Tag</translation>
    </message>
    <message>
        <source>One hour later</source>
        <translation>Eine Stunde später</translation>
    </message>
    <message>
        <source>One minute later</source>
        <translation>Eine Minute später</translation>
    </message>
</context>
<context>
    <name>platform::DesktopNotifications</name>
    <message>
        <source>Open Velkari to prepare the message.</source>
        <translation>Öffnen Sie Velkari, um die Nachricht vorzubereiten.</translation>
    </message>
    <message>
        <source>A message to send</source>
        <translation>Eine Nachricht zum Senden</translation>
    </message>
</context>
<context>
    <name>platform::KdeConnectTransport</name>
    <message>
        <source>The session bus is not available, so KDE Connect cannot be reached.</source>
        <translation>Der Sitzungsbus ist nicht verfügbar, daher ist KDE Connect nicht erreichbar.</translation>
    </message>
    <message>
        <source>KDE Connect is not running.</source>
        <translation>KDE Connect läuft nicht.</translation>
    </message>
    <message>
        <source>KDE Connect did not list its devices: %1</source>
        <translation>KDE Connect hat seine Geräte nicht aufgelistet: %1</translation>
    </message>
    <message>
        <source>No paired phone that can send text messages is reachable.</source>
        <translation>Kein gekoppeltes Telefon, das SMS senden kann, ist erreichbar.</translation>
    </message>
    <message>
        <source>KDE Connect could not pass the message on: %1</source>
        <translation>KDE Connect konnte die Nachricht nicht weitergeben: %1</translation>
    </message>
</context>
<context>
    <name>platform::MessageComposer</name>
    <message>
        <source>New Message</source>
        <translation>Neue Nachricht</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Senden</translation>
    </message>
    <message>
        <source>To:</source>
        <translation>An:</translation>
    </message>
    <message>
        <source>Recipients</source>
        <translation>Empfänger</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Nachricht</translation>
    </message>
    <message>
        <source>This device cannot send text messages.</source>
        <translation>Dieses Gerät kann keine SMS senden.</translation>
    </message>
    <message>
        <source>Sending…</source>
        <translation>Wird gesendet …</translation>
    </message>
    <message>
        <source>Sent.</source>
        <translation>Gesendet.</translation>
    </message>
    <message>
        <source>The message could not be handed to the phone.</source>
        <translation>Die Nachricht konnte nicht an das Telefon übergeben werden.</translation>
    </message>
    <message>
        <source>Not sent.</source>
        <translation>Nicht gesendet.</translation>
    </message>
    <message>
        <source>Message not sent</source>
        <translation>Nachricht nicht gesendet</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Try Again</source>
        <translation>Erneut versuchen</translation>
    </message>
</context>
<context>
    <name>platform::ModemManagerTransport</name>
    <message>
        <source>The system bus is not available, so ModemManager cannot be reached.</source>
        <translation>Der Systembus ist nicht verfügbar, daher ist ModemManager nicht erreichbar.</translation>
    </message>
    <message>
        <source>ModemManager is not running.</source>
        <translation>ModemManager läuft nicht.</translation>
    </message>
    <message>
        <source>ModemManager did not list its modems: %1</source>
        <translation>ModemManager hat seine Modems nicht aufgelistet: %1</translation>
    </message>
    <message>
        <source>No modem is ready to send text messages.</source>
        <translation>Kein Modem ist bereit, SMS zu senden.</translation>
    </message>
    <message>
        <source>The modem refused the message: %1</source>
        <translation>Das Modem hat die Nachricht abgelehnt: %1</translation>
    </message>
    <message>
        <source>ModemManager did not say where it keeps the message.</source>
        <translation>ModemManager hat nicht mitgeteilt, wo es die Nachricht ablegt.</translation>
    </message>
    <message>
        <source>The modem could not send the message: %1</source>
        <translation>Das Modem konnte die Nachricht nicht senden: %1</translation>
    </message>
    <message>
        <source>There is no SIM card in the modem.</source>
        <translation>Im Modem steckt keine SIM-Karte.</translation>
    </message>
    <message>
        <source>The modem cannot be used: %1.</source>
        <translation>Das Modem kann nicht verwendet werden: %1.</translation>
    </message>
    <message>
        <source>its SIM card does not work</source>
        <translation>seine SIM-Karte funktioniert nicht</translation>
    </message>
    <message>
        <source>it failed to start</source>
        <translation>es konnte nicht starten</translation>
    </message>
    <message>
        <source>The SIM card is locked. Unlock it with its PIN, then try again.</source>
        <translation>Die SIM-Karte ist gesperrt. Entsperren Sie sie mit ihrer PIN und versuchen Sie es dann erneut.</translation>
    </message>
    <message>
        <source>The modem is switched off (airplane mode may be on). Switch it on, then try again.</source>
        <translation>Das Modem ist ausgeschaltet (vielleicht ist der Flugmodus an). Schalten Sie es ein und versuchen Sie es dann erneut.</translation>
    </message>
    <message>
        <source>The modem is still starting. Try again in a moment.</source>
        <translation>Das Modem startet noch. Versuchen Sie es gleich noch einmal.</translation>
    </message>
    <message>
        <source>This modem cannot send text messages.</source>
        <translation>Dieses Modem kann keine Textnachrichten senden.</translation>
    </message>
    <message>
        <source>“%1” is not a phone number the modem can dial.</source>
        <translation>„%1“ ist keine Telefonnummer, die das Modem wählen kann.</translation>
    </message>
</context>
<context>
    <name>platform::PageCurl</name>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
</context>
<context>
    <name>platform::PeoplePicker</name>
    <message>
        <source>Contacts</source>
        <translation>Kontakte</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Search contacts</source>
        <translation>Kontakte durchsuchen</translation>
    </message>
    <message>
        <source>Nobody matches.</source>
        <translation>Niemand passt.</translation>
    </message>
    <message>
        <source>Open the contacts folder</source>
        <translation>Kontakteordner öffnen</translation>
    </message>
    <message>
        <source>‹ Contacts</source>
        <translation>‹ Kontakte</translation>
    </message>
    <message>
        <source>Phone numbers</source>
        <translation>Telefonnummern</translation>
    </message>
    <message>
        <source>No phone numbers.</source>
        <translation>Keine Telefonnummern.</translation>
    </message>
    <message>
        <source>Reading contacts…</source>
        <translation>Kontakte werden gelesen…</translation>
    </message>
    <message>
        <source>No contacts yet.

Velkari shows the contacts of GNOME Contacts (Evolution Data Server), the vCard files (.vcf) of KDE&apos;s contacts in

%1

and the contacts you export from your phone or mail program as vCard files. Put them in

%2</source>
        <translation>Noch keine Kontakte.

Velkari zeigt die Kontakte von GNOME Kontakte (Evolution Data Server), die vCard-Dateien (.vcf) der KDE-Kontakte in

%1

und die Kontakte, die Sie aus Ihrem Telefon oder Mailprogramm als vCard-Dateien exportieren. Legen Sie sie ab in

%2</translation>
    </message>
</context>
<context>
    <name>platform::SmsTransport</name>
    <message>
        <source>No confirmation within %1 s; the message may still be sent later.</source>
        <translation>Keine Bestätigung innerhalb von %1 s; die Nachricht wird vielleicht noch gesendet.</translation>
    </message>
    <message>
        <source>There is no number to send the message to.</source>
        <translation>Es gibt keine Nummer, an die die Nachricht gehen kann.</translation>
    </message>
</context>
<context>
    <name>platform::Tray</name>
    <message>
        <source>Show Velkari</source>
        <translation>Velkari zeigen</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message numerus="yes">
        <source>Velkari: %n upcoming</source>
        <translation>
            <numerusform>Velkari: %n anstehend</numerusform>
            <numerusform>Velkari: %n anstehend</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>platform::Window</name>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
</context>
<context>
    <name>velkari::Properties</name>
    <message>
        <source>This schedule can&apos;t be saved: %1 could not be read.</source>
        <translation>Dieser Termin kann nicht gespeichert werden: %1 konnte nicht gelesen werden.</translation>
    </message>
</context>
</TS>
