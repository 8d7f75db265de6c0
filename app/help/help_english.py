"""The English help document."""

ENGLISH = [
    ("title", "SOLWIRE Help"),
    ("p", "Solwire is the operator's program for solar battery charge regulators. Up to 32 regulators share one "
          "serial line, and each answers to its own site number, 0 to 31. Solwire reaches the line either directly "
          "through a serial port of this computer or through a dial-up modem, and talks to one site at a time. It "
          "shows the present state and the 32-day history of a site, reads and writes its settings, watches its "
          "alarm inputs, saves and prints reports and logs a site every few hours without an operator."),

    ("h1", "The tool bar"),
    ("p", "The twelve buttons of the tool bar, from left to right. Rest the mouse on a button to see its name in the "
          "left-hand panel of the status bar."),
    ("item", "1. \"Exit\"", "Shows the red exit panel with the question \"EXIT?\". The tick button ends Solwire and "
             "saves all your choices; the cross button, or pressing \"Exit\" again, hides the panel and Solwire "
             "carries on. The panel also shows the version of Solwire."),
    ("item", "2. \"Select Language\"", "Shows the language box. Pick English or Chinese: the texts of the window "
             "change at once and the button shows the flag of the language in use. The font button chooses the "
             "font and size (8 to 14 points) of the language in use; each language keeps its own font. If Chinese "
             "characters show as empty boxes, choose a font that has Chinese characters. French is chosen in the "
             "settings file (see \"The settings file\")."),
    ("item", "3. \"Help\"", "Shows or hides this help, in the language in use."),
    ("item", "4. \"Current State\"", "Opens the current state window and reads the selected site: battery voltage, "
             "charge and load current, the day's charge and load ampere-hours, the day's highest and lowest battery "
             "voltage, the system voltage and the regulator's state code. Click the window to read again. The button "
             "stays pressed while the window is open."),
    ("item", "5. \"Historical data\"", "Opens the history window: the last 32 days as bars, either charge and "
             "discharge ampere-hours or highest and lowest battery voltage. The history is read in blocks; a progress "
             "bar shows the transfer."),
    ("item", "6. \"Settings\"", "Opens the settings window with the regulator's control settings or its calibration "
             "(see \"Reading and writing settings\")."),
    ("item", "7. \"Alarms\"", "Opens the alarm panel with the 13 alarm inputs of the site (see \"Alarms\"). Hiding "
             "the panel also hides the picture window."),
    ("item", "8. \"Modem Setup\"", "Shows the port panel: the direct port and its baud rate, the modem port and the "
             "modem control."),
    ("item", "9. \"PhoneBook\"", "Shows or hides the phone book: the names and telephone numbers of remote sites, kept "
             "in a comma-separated file, from which you dial and hang up. If the phone book could not be opened at "
             "start-up, Solwire answers \"Sorry - Phone Book is not available\"."),
    ("item", "10. \"Save Data\"", "Shows the save panel for saving a report to a file or viewing the file (see "
             "\"Reports\")."),
    ("item", "11. \"Print Data\"", "Shows the save panel for printing a report on the default printer."),
    ("item", "12. \"Periodic Save\"", "Shows the periodic log panel (see \"The periodic log\")."),
    ("p", "Buttons 4 to 7 stay pressed while their window is open; closing a window with its own close box releases "
          "its button."),

    ("h1", "Choosing the site"),
    ("p", "The box marked \"SITE\" at the right of the tool bar holds the site number in yellow. Use its arrows to "
          "choose a site from 0 to 31; every reading and every write goes to this site. When you change the site, "
          "the four report options are switched off until data of the new site has been read, so that a report "
          "never mixes two sites. The first settings or history reading of a new site reads its present state "
          "first, which tells Solwire the battery voltage of that site."),

    ("h1", "Connecting a regulator on a serial port"),
    ("p", "1. Connect the regulator line to a serial port of this computer."),
    ("p", "2. Press \"Modem Setup\". Under \"Direct\", choose the port (COM1 to COM8) in the port list and the baud "
          "rate (110, 300, 600, 1200 or 2400) in the baud rate list. The baud rate must be the one the regulators "
          "are set to. A first start uses COM2 at 2400 baud."),
    ("p", "3. Choose the site and press \"Current State\". The status bar shows \"Request Sent\" and then \"Data "
          "Received\", and the window shows the values."),
    ("p", "The middle panels of the status bar show the port and the baud rate in use."),
    ("p", "If the port cannot be opened, the status bar shows \"Comm Fail\". Rest the mouse on that panel: its tip "
          "names the port, its device and the system's reason, for example \"COM2 (/dev/ttyUSB0): No such file or "
          "directory\" (there is no such device), \"Device or resource busy\" (another program holds it) or "
          "\"Permission denied\" (see below). The tip stays until the port opens."),
    ("h2", "Serial ports on Linux"),
    ("p", "On Linux each COM number stands for a device path. COM1 is /dev/ttyS0, COM2 is /dev/ttyS1, and so on up "
          "to COM8, /dev/ttyS7. A USB serial adapter usually appears as /dev/ttyUSB0. To use it, give a COM number "
          "that path in the section [Ports] of the settings file ~/.config/Veltrane/Solwire.conf, for example:"),
    ("code", ["[Ports]", "COM2=/dev/ttyUSB0"]),
    ("p", "Edit the file only while Solwire is closed, because Solwire writes the file when it ends. For a single "
          "run, set the environment variable SOLWIRE_COM<n> before starting Solwire, for example "
          "SOLWIRE_COM2=/dev/ttyUSB0. The variable takes precedence over the file and is never saved."),
    ("p", "The device name **sim** selects the built-in simulated line with 32 simulated regulators, for training "
          "and for trying Solwire without any equipment (for example SOLWIRE_COM2=sim); **sim-modem** selects a "
          "simulated modem."),
    ("p", "Your user account must be allowed to open the device; on Debian it must belong to the group dialout. A "
          "port that another program holds cannot be opened."),
    ("h2", "Reaching a site by modem"),
    ("p", "Choose the port of the modem in \"Modem Port\"; the modem line always runs at 2400 baud. Tick \"Enable "
          "TAPI mode\" to let the telephony service dial, and press \"Select\" to choose its line device. Without "
          "it, Solwire dials with AT commands, and the field \"Modem Setup String\" holds the setup commands of "
          "the modem without the leading AT (&K0&Q0&D0 unless you change it). Tick \"Pulse\" for pulse dialling. "
          "Dial a site from the phone book; while the call is up the phone book button shows another picture and "
          "every reading goes over the modem. \"Hangup\" ends the call."),

    ("h1", "Status messages"),
    ("p", "The right-hand panel of the status bar always shows the latest event of the link. The messages, what they "
          "mean and what to do:"),
    ("status",),

    ("h1", "Reading and writing settings"),
    ("p", "Press \"Settings\". The window lists the control settings of the selected site as read from the "
          "regulator: voltages, delays, display settings, the low battery alarm and the communication baud rate. "
          "The second button of the window shows the calibration instead. Click the column of labels to read the "
          "list again."),
    ("p", "To change a setting, click its value, type the new value and press Enter. Voltages are entered for the "
          "whole battery (for example 28.8 on a 24 V system). A value outside the allowed range is pulled to the "
          "nearest limit. When the value is accepted Solwire beeps and the send button becomes available; press it "
          "to write that one entry into the regulator. About a second later Solwire reads the settings back, so "
          "the list shows what the regulator now holds. Only one entry is written at a time."),
    ("p", "Calibration values are two hexadecimal digits, 00 to FF. Change them only with proper measuring "
          "equipment: a wrong value makes the regulator measure wrongly."),

    ("h1", "Reports"),
    ("p", "Press \"Save Data\" and tick the parts of the report: \"Current State\", \"History\", \"Settings\", "
          "\"Calibration\". A part can be ticked only once it has been read from the selected site. Type the file "
          "name (letters become capitals; no extension is added) and press the save button: a report with date, "
          "time, site number, state and battery voltage, followed by the ticked parts, is added at the end of the "
          "file. Earlier reports stay in the file. The read button shows the file in a viewer, which can print it."),
    ("p", "\"Print Data\" prints the same report on the default printer. If the disk is nearly full, Solwire beeps "
          "three times and creates no new file."),

    ("h1", "The periodic log"),
    ("p", "The periodic log records the present state of one site in a file every few hours, without an operator. "
          "Press \"Periodic Save\":"),
    ("item", "\"Log Data Every\"", "Tick it to switch logging on, and set the number of \"Hours\" between readings "
             "(1 to 48). The hours left until the next reading are shown beside it."),
    ("item", "Site to log", "The site number that is logged, 0 to 31, whatever the site selector shows."),
    ("item", "Log file", "The name of the log file. Each reading adds one entry: a separator line, date and time, "
             "state and battery voltage, then the battery, charge and load lines."),
    ("item", "\"Use Modem Dialup\"", "Tick it to reach the log site by dialling the number in the phone number field "
             "at each reading; the call ends by itself after the reading."),
    ("item", "\"View Logged Data\"", "Shows the log file."),
    ("p", "Readings fall on the change of the hour. Logging goes on as long as Solwire runs with \"Log Data Every\" "
          "ticked. A reading that fails adds nothing; the next one comes a full period later."),

    ("h1", "Alarms"),
    ("p", "Press \"Alarms\". The panel shows the 13 alarm inputs of the selected site as picture buttons, with a "
          "status strip beneath them that marks each input inactive, active or disabled. Solwire reads the inputs "
          "when the panel opens; click the panel or its status label to read them again."),
    ("p", "An input whose state has changed flashes, and beeps if the alarm sound is on, until you acknowledge it "
          "with a left click on its button. Another left click makes it flash again."),
    ("p", "Right-click a button for its menu: \"Enable\" switches the input on or off (a disabled input shows no "
          "picture and never flashes or beeps); \"Assign\" opens the picture window, where you click the picture "
          "that suits the input: low or high battery voltage, generator running, logic, load or solar failure, "
          "door, fire or smoke alarm, or a plain number."),
    ("p", "The picture window also holds three alarm options: \"Update Alarm Every\" sets how often Solwire reads the "
          "alarms by itself (None, 2, 5, 10, 20 or 30 minutes, 1, 2, 4, 8 or 24 hours); \"Alarm Sound\" beeps for "
          "new alarms; \"Dial Up Alarm\" lets the automatic alarm reading dial the number last dialled from the "
          "phone book."),

    ("h1", "The settings file"),
    ("p", "Solwire reads all your choices when it starts and writes them when it ends: site, ports and baud rate, "
          "language and fonts, report and log options, modem settings, alarm options and pictures, and the phone "
          "book file. On Linux they are kept in ~/.config/Veltrane/Solwire.conf, on Windows in the registry under "
          "Software\\Veltrane\\Solwire. A value that is missing or not valid takes its default. A change is saved "
          "only when Solwire ends normally; a save that fails leaves the previous file whole, and Solwire says why "
          "(for example \"Permission denied\")."),
    ("p", "A read-only settings file is left as it is: Solwire says when it ends that the settings were not saved. "
          "If part of the file cannot be read, Solwire says so when it starts; what could not be read takes its "
          "default and is left out when the settings are saved. If the file is a symbolic link, Solwire writes the "
          "file the link points to and keeps the link. A settings path that is not a regular file (a named pipe, "
          "a device) is refused with a message, and Solwire starts with its default settings."),
    ("p", "Spaces in names are written as %20 in the file. To use French, set this line in the section [Settings] "
          "while Solwire is closed (0 is English, 1 French, 2 Chinese):"),
    ("code", ["[Settings]", "Language%20Number=1"]),
]

STATUS_ENGLISH = [
    "A request has gone to the selected site and the reply is awaited. Nothing to do; if no reply comes, \"Data "
    "Timeout\" follows.",
    "Shown only for a moment, as \"Comm Fail\" follows at once: a reading was asked for but no link is open, "
    "because the direct port could not be opened or a modem call is not connected. Check the direct port in "
    "\"Modem Setup\", or dial the site first.",
    "The serial port has been opened. Nothing to do.",
    "The port has been set up but is not open. Check the port number and that the device exists, then read again.",
    "Opening the direct port for a reading failed. \"Comm Fail\" replaces it at once, and the tip of the panel "
    "says which port and why (see \"Connecting a regulator on a serial port\"): the device does not exist, "
    "another program is using it, or you may not open it. Choose another COM number, close the other program, "
    "and check the path under [Ports] and your membership of the group dialout. It stays in view when a port "
    "could not be set up as Solwire starts or closed as it ends.",
    "The setup string has been sent to the modem. Nothing to do.",
    "The modem could not be set up because its port is not open. Check the modem port and that the modem is "
    "connected and switched on.",
    "The request has been given up: no reply, or no link. Check the cable, the site number, the baud rate (it must "
    "be the regulator's) and the regulator's power, then click the window to read again. If the port could not "
    "be opened, the tip of the panel names the port and the system's reason.",
    "The modem is dialling. Wait for the connection.",
    "The modem port could not be opened for a call. Check the modem port in \"Modem Setup\" and that no other "
    "program holds it.",
    "A reply has arrived and been read. Nothing to do.",
    "A reply arrived but failed its check, so some values may be wrong. Read again; if it happens again, look for "
    "interference on the line, two regulators with the same site number, or a wrong baud rate.",
    "The modem call has ended and the link is back on the direct port.",
    "The hang-up command has been sent to the modem.",
    "The escape sequence has been sent to the modem before hanging up. Wait for \"Closed\".",
    "The telephony service has ended the call.",
    "Hanging up has begun; it takes a few seconds. Wait for \"Closed\".",
    "You asked to hang up, but the modem port is not open. Nothing to do.",
    "The call made by the telephony service is connected; readings now go over the modem.",
    "The telephony service could not make the call. Check the line device chosen with \"Select\", the modem and "
    "the telephone line, or untick \"Enable TAPI mode\" and dial with AT commands.",
    "The telephony service has opened the modem line.",
    "The modem reports a carrier: the call is connected and readings now go over the modem.",
    "No complete reply came in time. \"Comm Fail\" follows; check as for \"Comm Fail\".",
]
