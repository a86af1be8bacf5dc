// SPDX-License-Identifier: GPL-2.0-or-later
#include "recordingservice.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

// Runs the built osd-notify with @p arguments, feeding @p input to its standard input and
// closing it. The event loop runs meanwhile, so that the recording service can answer.
static bool runClient(QProcess &process, const QStringList &arguments, const QByteArray &input = QByteArray())
{
    process.setProgram(QStringLiteral(OSD_NOTIFY_BINARY));
    process.setArguments(arguments);
    QSignalSpy finished(&process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished));
    process.start();
    process.write(input);
    process.closeWriteChannel();
    return finished.wait(60000) && process.exitStatus() == QProcess::NormalExit;
}

static const QByteArray helpText =
    "Usage:\n"
    "osd-notify [options]\n"
    "osd-notify method [arguments]\n"
    "\n"
    "Utility for displaying OSD notifications for confirmation type.\n"
    "\n"
    "Options:\n"
    "-h, --help         Displays help on commandline options.\n"
    "--methods          Displays methods description.\n"
    "--method_names     Displays list available method names.\n"
    "\n";

static const QByteArray methodsText =
    "Methods and arguments:\n"
    "--brightnessChanged <integer>\nShow change in brightness as a percentage.\n\n"
    "--keyboardBrightnessChanged <integer>\nShow change in keyboard brightness as a percentage.\n\n"
    "--volumeChanged <integer>\nShow change in volume as a percent.\n\n"
    "--microphoneVolumeChanged <integer>\nShow change in microphone volume as a percentage.\n\n"
    "--mediaPlayerVolumeChanged <integer> <string> <string>\nShow change in volume on media player as a percentage.\n\n"
    "--kbdLayoutChanged <string>\nShow keyboard layout change.\n\n"
    "--virtualDesktopChanged <string>\nShow change current virtual desktop.\n\n"
    "--touchpadEnabledChanged <boolean>\nShow change touchpad enabled.\n\n"
    "--wifiEnabledChanged <boolean>\nShow change Wi-Fi enabled.\n\n"
    "--bluetoothEnabledChanged <boolean>\nShow change bluetooth enabled.\n\n"
    "--wwanEnabledChanged <boolean>\nShow change wwan (mobile internet) enabled.\n\n"
    "--virtualKeyboardEnabledChanged <boolean>\nShow change virtual keyboard enabled.\n\n"
    "--showText <string> <string>\nShow a text message with icon to the user.\n\n"
    "--showTextWithFont <string> <string> <string> <integer> <integer> [<string>] [<string>]\n"
    "Show a text message with icon, font family, font size and duration in ms.\n"
    "Optional #6: [<string>] position: North, Center, NorthWest, NorthEast, West, East, SouthWest, South, SouthEast.\n"
    "Optional #7: [<string>] custom background color (#RRGGBB, #AARRGGBB, rgb(...), rgba(...)).\n\n"
    "--showTextWithFontNoBackground <string> <string> <string> <integer> <integer> [<string>] [<string>]\n"
    "Show a text message without background with icon, font family, font size and duration in ms.\n"
    "Optional #6: [<string>] position: North, Center, NorthWest, NorthEast, West, East, SouthWest, South, SouthEast.\n"
    "Optional #7: [<string>] custom background color (#RRGGBB, #AARRGGBB, rgb(...), rgba(...)).\n\n"
    "--showProgressBar <string> <integer>\nShow a progress bar with icon to the user.\n\n"
    "--screenBrightnessChanged <integer> <string> <string> <integer> <rectangle>\n"
    "Show change in one display's brightness as a percentage, with the display's id, its label, its priority and the rectangle of its screen as "
    "x,y,width,height.\n\n"
    "--powerProfileChanged <string>\nShow change of power profile (power-saver, balanced, performance).\n\n"
    "--powerManagementInhibitedChanged <boolean>\nShow change of sleep and screen locking blocked.\n\n"
    "--hide\nHide the pop-up now.\n\n";

static const QByteArray methodNamesText =
    "brightnessChanged\nkeyboardBrightnessChanged\nvolumeChanged\nmicrophoneVolumeChanged\nmediaPlayerVolumeChanged\n"
    "kbdLayoutChanged\nvirtualDesktopChanged\ntouchpadEnabledChanged\nwifiEnabledChanged\nbluetoothEnabledChanged\n"
    "wwanEnabledChanged\nvirtualKeyboardEnabledChanged\nshowText\nshowTextWithFont\nshowTextWithFontNoBackground\nshowProgressBar\n"
    "screenBrightnessChanged\npowerProfileChanged\npowerManagementInhibitedChanged\nhide\n";

static const QByteArray firstArgumentError =
    "First argument must be osd method name, used prefix on \"--\". Use '--methods' or '--method_names' for get available method names.\n";

class TestOsdNotify : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void refusedRuns_data();
    void refusedRuns();
    void calls_data();
    void calls();
    void waitModeCallsAsLinesArrive();
    void closedInput();
    // Last: it takes the recording service off the bus.
    void noService_data();
    void noService();

private:
    RecordingService recorder;
};

void TestOsdNotify::initTestCase()
{
    QVERIFY(recorder.start());
}

void TestOsdNotify::init()
{
    recorder.clear();
}

void TestOsdNotify::refusedRuns_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");

    QTest::newRow("no arguments") << QStringList() << QByteArray() << QByteArray("No method name! Use '-h' or '--help' for get available method names.\n");
    QTest::newRow("-h alone") << QStringList{"-h"} << helpText << QByteArray();
    QTest::newRow("--help after a valid call") << QStringList{"--volumeChanged", "50", "--help"} << helpText << QByteArray();
    QTest::newRow("-h after a bad first argument") << QStringList{"volumeChanged", "-h"} << helpText << QByteArray();
    QTest::newRow("--help wins over --methods") << QStringList{"--methods", "--help"} << helpText << QByteArray();
    QTest::newRow("--methods") << QStringList{"--methods"} << methodsText << QByteArray();
    QTest::newRow("--methods wins over --method_names") << QStringList{"--method_names", "x", "--methods"} << methodsText << QByteArray();
    QTest::newRow("--method_names") << QStringList{"--method_names"} << methodNamesText << QByteArray();
    QTest::newRow("-H is no option") << QStringList{"-H"} << QByteArray() << firstArgumentError;
    QTest::newRow("no leading dashes") << QStringList{"volumeChanged", "50"} << QByteArray() << firstArgumentError;
    QTest::newRow("one leading dash") << QStringList{"-volumeChanged", "50"} << QByteArray() << firstArgumentError;
    QTest::newRow("wrong case") << QStringList{"--VolumeChanged", "50"} << QByteArray()
                                << QByteArray("Unknown method name: \"VolumeChanged\". Use '--methods' or '--method_names' for get available method names.\n");
    QTest::newRow("dashes alone") << QStringList{"--"} << QByteArray()
                                  << QByteArray("Unknown method name: \"\". Use '--methods' or '--method_names' for get available method names.\n");
    QTest::newRow("two values missing") << QStringList{"--showText"} << QByteArray()
                                        << QByteArray("Unknown arguments for method: \"showText\". Use '--methods' for get arguments on this method.\n");
    QTest::newRow("three font values missing") << QStringList{
        "--showTextWithFont",
        "icon",
        "Sans"} << QByteArray() << QByteArray("Unknown arguments for method: \"showTextWithFont\". Use '--methods' for get arguments on this method.\n");
    QTest::newRow("boolean maybe") << QStringList{"--wifiEnabledChanged", "maybe"}
                                   << QByteArray("Method description:\n--wifiEnabledChanged <boolean>\nShow change Wi-Fi enabled.\n")
                                   << QByteArray("Error: cannot convert 1 argument, from value \"maybe\", to type \"bool\"!\n");
    QTest::newRow("player volume x") << QStringList{"--mediaPlayerVolumeChanged", "x", "vlc", "vlc"}
                                     << QByteArray(
                                            "Method description:\n--mediaPlayerVolumeChanged <integer> <string> <string>\n"
                                            "Show change in volume on media player as a percentage.\n")
                                     << QByteArray("Error: cannot convert 1 argument, from value \"x\", to type \"int\"!\n");
    QTest::newRow("font size 12pt") << QStringList{"--showTextWithFontNoBackground", "icon", "text", "Sans", "12pt", "3000"}
                                    << QByteArray(
                                           "Method description:\n"
                                           "--showTextWithFontNoBackground <string> <string> <string> <integer> <integer> [<string>] [<string>]\n"
                                           "Show a text message without background with icon, font family, font size and duration in ms.\n"
                                           "Optional #6: [<string>] position: North, Center, NorthWest, NorthEast, West, East, SouthWest, South, SouthEast.\n"
                                           "Optional #7: [<string>] custom background color (#RRGGBB, #AARRGGBB, rgb(...), rgba(...)).\n")
                                    << QByteArray("Error: cannot convert 4 argument, from value \"12pt\", to type \"int\"!\n");
    QTest::newRow("rectangle of three numbers") << QStringList{"--screenBrightnessChanged", "60", "eDP-1", "", "0", "0,0,1920"}
                                                << QByteArray(
                                                       "Method description:\n--screenBrightnessChanged <integer> <string> <string> <integer> <rectangle>\n"
                                                       "Show change in one display's brightness as a percentage, with the display's id, its label, its "
                                                       "priority and the rectangle of its screen as x,y,width,height.\n")
                                                << QByteArray("Error: cannot convert 5 argument, from value \"0,0,1920\", to type \"QRect\"!\n");
    QTest::newRow("placeholder as value") << QStringList{"--showProgressBar", "icon", "%1%3"}
                                          << QByteArray(
                                                 "Method description:\n--showProgressBar <string> <integer>\nShow a progress bar with icon to the user.\n")
                                          << QByteArray("Error: cannot convert 2 argument, from value \"%1%3\", to type \"int\"!\n");
}

void TestOsdNotify::refusedRuns()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);

    QProcess client;
    QVERIFY(runClient(client, arguments));
    const QByteArray output = client.readAllStandardOutput();
    QCOMPARE(output, out);
    QCOMPARE(client.readAllStandardError(), err);
    QCOMPARE(client.exitCode(), 1);
    QCOMPARE(recorder.calls(), QStringList());
}

void TestOsdNotify::calls_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QByteArray>("err");

    // One call of each method, with values that show the conversion.
    QTest::newRow("brightnessChanged") << QStringList{"--brightnessChanged", "70"} << QByteArray() << QStringList{"brightnessChanged(i) 70"} << QByteArray();
    QTest::newRow("keyboardBrightnessChanged") << QStringList{"--keyboardBrightnessChanged", "0"} << QByteArray()
                                               << QStringList{"keyboardBrightnessChanged(i) 0"} << QByteArray();
    QTest::newRow("volumeChanged") << QStringList{"--volumeChanged", "-5"} << QByteArray() << QStringList{"volumeChanged(i) -5"} << QByteArray();
    QTest::newRow("microphoneVolumeChanged") << QStringList{"--microphoneVolumeChanged", "007"} << QByteArray() << QStringList{"microphoneVolumeChanged(i) 7"}
                                             << QByteArray();
    QTest::newRow("mediaPlayerVolumeChanged") << QStringList{"--mediaPlayerVolumeChanged", "40", "VLC", "vlc"} << QByteArray()
                                              << QStringList{"mediaPlayerVolumeChanged(iss) 40 \"VLC\" \"vlc\""} << QByteArray();
    QTest::newRow("kbdLayoutChanged") << QStringList{"--kbdLayoutChanged", ""} << QByteArray() << QStringList{"kbdLayoutChanged(s) \"\""} << QByteArray();
    QTest::newRow("virtualDesktopChanged") << QStringList{"--virtualDesktopChanged", "Desktop 2"} << QByteArray()
                                           << QStringList{"virtualDesktopChanged(s) \"Desktop 2\""} << QByteArray();
    QTest::newRow("touchpadEnabledChanged") << QStringList{"--touchpadEnabledChanged", "TRUE"} << QByteArray() << QStringList{"touchpadEnabledChanged(b) true"}
                                            << QByteArray();
    QTest::newRow("wifiEnabledChanged") << QStringList{"--wifiEnabledChanged", "0"} << QByteArray() << QStringList{"wifiEnabledChanged(b) false"}
                                        << QByteArray();
    QTest::newRow("bluetoothEnabledChanged") << QStringList{"--bluetoothEnabledChanged", "1"} << QByteArray() << QStringList{"bluetoothEnabledChanged(b) true"}
                                             << QByteArray();
    QTest::newRow("wwanEnabledChanged") << QStringList{"--wwanEnabledChanged", "False"} << QByteArray() << QStringList{"wwanEnabledChanged(b) false"}
                                        << QByteArray();
    QTest::newRow("virtualKeyboardEnabledChanged") << QStringList{"--virtualKeyboardEnabledChanged", "true"} << QByteArray()
                                                   << QStringList{"virtualKeyboardEnabledChanged(b) true"} << QByteArray();
    QTest::newRow("showText") << QStringList{"--showText", "mono-info", "Hello %1 world"} << QByteArray()
                              << QStringList{"showText(ss) \"mono-info\" \"Hello %1 world\""} << QByteArray();
    QTest::newRow("showTextWithFont, 7 values") << QStringList{"--showTextWithFont", "i", "t", "Sans", "12", "3000", "North", "#ff0000"} << QByteArray()
                                                << QStringList{"showTextWithFont(sssiiss) \"i\" \"t\" \"Sans\" 12 3000 \"North\" \"#ff0000\""} << QByteArray();
    QTest::newRow("showTextWithFontNoBackground, 7 values")
        << QStringList{"--showTextWithFontNoBackground", "i", "t", "Sans", "12", "3000", "South", "red"} << QByteArray()
        << QStringList{"showTextWithFontNoBackground(sssiiss) \"i\" \"t\" \"Sans\" 12 3000 \"South\" \"red\""} << QByteArray();
    QTest::newRow("showProgressBar") << QStringList{"--showProgressBar", "mono-battery", "150"} << QByteArray()
                                     << QStringList{"showProgressBar(si) \"mono-battery\" 150"} << QByteArray();
    QTest::newRow("screenBrightnessChanged") << QStringList{"--screenBrightnessChanged", "60", "eDP-1", "Built-in Screen", "0", "-1280,0,1280,1024"}
                                             << QByteArray()
                                             << QStringList{"screenBrightnessChanged(issi(iiii)) 60 \"eDP-1\" \"Built-in Screen\" 0 -1280,0,1280,1024"}
                                             << QByteArray();
    QTest::newRow("powerProfileChanged") << QStringList{"--powerProfileChanged", "power-saver"} << QByteArray()
                                         << QStringList{"powerProfileChanged(s) \"power-saver\""} << QByteArray();
    QTest::newRow("powerManagementInhibitedChanged") << QStringList{"--powerManagementInhibitedChanged", "true"} << QByteArray()
                                                     << QStringList{"powerManagementInhibitedChanged(b) true"} << QByteArray();
    QTest::newRow("hide") << QStringList{"--hide"} << QByteArray() << QStringList{"hide()"} << QByteArray();
    QTest::newRow("hide, extra value") << QStringList{"--hide", "now"} << QByteArray() << QStringList{"hide()"} << QByteArray();

    // The optional values of the font methods, and values beyond what a method takes.
    QTest::newRow("font, 5 values") << QStringList{"--showTextWithFont", "i", "t", "Sans", "12", "3000"} << QByteArray()
                                    << QStringList{"showTextWithFont(sssiiss) \"i\" \"t\" \"Sans\" 12 3000 \"\" \"\""} << QByteArray();
    QTest::newRow("font, 6 values") << QStringList{"--showTextWithFont", "i", "t", "Sans", "12", "3000", "North"} << QByteArray()
                                    << QStringList{"showTextWithFont(sssiiss) \"i\" \"t\" \"Sans\" 12 3000 \"North\" \"\""} << QByteArray();
    QTest::newRow("no background, 5 values") << QStringList{"--showTextWithFontNoBackground", "i", "t", "Sans", "12", "3000"} << QByteArray()
                                             << QStringList{"showTextWithFontNoBackground(sssiiss) \"i\" \"t\" \"Sans\" 12 3000 \"\" \"\""} << QByteArray();
    QTest::newRow("font, 8 values") << QStringList{"--showTextWithFont", "i", "t", "Sans", "12", "3000", "North", "red", "extra"} << QByteArray()
                                    << QStringList{"showTextWithFont(sssiiss) \"i\" \"t\" \"Sans\" 12 3000 \"North\" \"red\""} << QByteArray();
    QTest::newRow("volume, extra value") << QStringList{"--volumeChanged", "50", "60"} << QByteArray() << QStringList{"volumeChanged(i) 50"} << QByteArray();
    QTest::newRow("extra value that does not convert")
        << QStringList{"--showProgressBar", "icon", "5", "x"} << QByteArray() << QStringList{"showProgressBar(si) \"icon\" 5"} << QByteArray();

    // Wait mode: one call per line, in order, the line at the method's wait index.
    QTest::newRow("wait, volume") << QStringList{"--volumeChanged"} << QByteArray("10\n20\n30\n")
                                  << QStringList{"volumeChanged(i) 10", "volumeChanged(i) 20", "volumeChanged(i) 30"} << QByteArray();
    QTest::newRow("wait, last line without line end") << QStringList{"--wifiEnabledChanged"} << QByteArray("true\r\nfalse")
                                                      << QStringList{"wifiEnabledChanged(b) true", "wifiEnabledChanged(b) false"} << QByteArray();
    QTest::newRow("wait, player volume first") << QStringList{"--mediaPlayerVolumeChanged", "VLC", "vlc"} << QByteArray("40\n")
                                               << QStringList{"mediaPlayerVolumeChanged(iss) 40 \"VLC\" \"vlc\""} << QByteArray();
    QTest::newRow("wait, progress percent second") << QStringList{"--showProgressBar", "icon"} << QByteArray("5\n6\n")
                                                   << QStringList{"showProgressBar(si) \"icon\" 5", "showProgressBar(si) \"icon\" 6"} << QByteArray();
    QTest::newRow("wait, font text second and padded") << QStringList{"--showTextWithFont", "i", "Sans", "12", "3000"} << QByteArray("one\ntwo\n")
                                                       << QStringList{"showTextWithFont(sssiiss) \"i\" \"one\" \"Sans\" 12 3000 \"\" \"\"",
                                                                      "showTextWithFont(sssiiss) \"i\" \"two\" \"Sans\" 12 3000 \"\" \"\""}
                                                       << QByteArray();
    QTest::newRow("wait, empty line is an empty text")
        << QStringList{"--showText", "icon"} << QByteArray("\n") << QStringList{"showText(ss) \"icon\" \"\""} << QByteArray();
    QTest::newRow("wait, bad lines skipped") << QStringList{"--volumeChanged"} << QByteArray("10\nloud\n\n20\n")
                                             << QStringList{"volumeChanged(i) 10", "volumeChanged(i) 20"}
                                             << QByteArray(
                                                    "Error: cannot convert 1 argument, from value \"loud\", to type \"int\"!\n"
                                                    "Error: cannot convert 1 argument, from value \"\", to type \"int\"!\n");
    QTest::newRow("wait, empty input") << QStringList{"--volumeChanged"} << QByteArray() << QStringList() << QByteArray();
    QTest::newRow("wait, screen brightness percent first")
        << QStringList{"--screenBrightnessChanged", "DP-2", "Dell", "1", "0,0,1920,1080"} << QByteArray("30\n")
        << QStringList{"screenBrightnessChanged(issi(iiii)) 30 \"DP-2\" \"Dell\" 1 0,0,1920,1080"} << QByteArray();
    QTest::newRow("wait, bytes that are not UTF-8") << QStringList{"--kbdLayoutChanged"}
                                                    << QByteArray(
                                                           "\xff\xfe"
                                                           "us\n")
                                                    << QStringList{QString::fromUtf8("kbdLayoutChanged(s) \"\xef\xbf\xbd\xef\xbf\xbdus\"")} << QByteArray();
    const QByteArray megabyte(1 << 20, 'a');
    QTest::newRow("wait, a megabyte line") << QStringList{"--showText", "icon"} << megabyte + '\n'
                                           << QStringList{"showText(ss) \"icon\" \"" + QString::fromLatin1(megabyte) + '"'} << QByteArray();
    QTest::newRow("wait, a line too long for the bus")
        << QStringList{"--showText", "icon"} << QByteArray(32 * 1024 * 1024 + 1, 'a') + "\nok\n"
        << QStringList{"showText(ss) \"icon\" \"ok\""} << QByteArray("Error: input line longer than 33554432 bytes skipped!\n");
}

void TestOsdNotify::calls()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QStringList, expected);
    QFETCH(QByteArray, err);

    QProcess client;
    QVERIFY(runClient(client, arguments, input));
    QCOMPARE(client.readAllStandardError(), err);
    QCOMPARE(client.exitCode(), 0);
    QCOMPARE(recorder.calls(), expected);
}

void TestOsdNotify::waitModeCallsAsLinesArrive()
{
    QProcess client;
    client.setProgram(QStringLiteral(OSD_NOTIFY_BINARY));
    client.setArguments({QStringLiteral("--showProgressBar"), QStringLiteral("icon")});
    QSignalSpy finished(&client, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished));
    client.start();

    // Each line is a call of its own as soon as it is written, not when the input ends.
    client.write("1\n");
    QTRY_COMPARE_WITH_TIMEOUT(recorder.calls(), QStringList{"showProgressBar(si) \"icon\" 1"}, 20000);
    client.write("2\n");
    QTRY_COMPARE_WITH_TIMEOUT(recorder.calls().size(), 2, 20000);
    QCOMPARE(client.state(), QProcess::Running);

    // The service leaving and coming back while the input goes on: the line in between is
    // refused by the bus, the next one reaches the service again.
    recorder.stop();
    client.write("3\n");
    QByteArray err;
    QTRY_VERIFY_WITH_TIMEOUT((err += client.readAllStandardError()).endsWith('\n'), 20000);
    QVERIFY(recorder.start());
    client.write("4\n");
    QTRY_COMPARE_WITH_TIMEOUT(recorder.calls().size(), 3, 20000);

    client.closeWriteChannel();
    QVERIFY(finished.wait(20000));
    QCOMPARE(client.exitCode(), 0);
    QCOMPARE(err.count('\n'), 1);
    QCOMPARE(recorder.calls(), (QStringList{"showProgressBar(si) \"icon\" 1", "showProgressBar(si) \"icon\" 2", "showProgressBar(si) \"icon\" 4"}));
}

void TestOsdNotify::closedInput()
{
    // Standard input closed, not merely at its end: nothing else may take its place.
    QProcess shell;
    shell.setProgram(QStringLiteral("/bin/sh"));
    shell.setArguments({QStringLiteral("-c"), QStringLiteral("exec \"$0\" --volumeChanged <&-"), QStringLiteral(OSD_NOTIFY_BINARY)});
    QSignalSpy finished(&shell, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished));
    shell.start();
    QVERIFY(finished.wait(20000));
    QCOMPARE(shell.readAllStandardError(), QByteArray());
    QCOMPARE(shell.exitCode(), 0);
    QCOMPARE(recorder.calls(), QStringList());
}

void TestOsdNotify::noService_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("errors");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("direct call") << QStringList{"--volumeChanged", "40"} << QByteArray() << 1 << 1;
    QTest::newRow("wait mode, two lines") << QStringList{"--volumeChanged"} << QByteArray("40\n50\n") << 2 << 0;
    QTest::newRow("wait mode, bad line") << QStringList{"--volumeChanged"} << QByteArray("x\n50\n") << 1 << 0;
}

void TestOsdNotify::noService()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(int, errors);
    QFETCH(int, exitCode);

    recorder.stop();
    // The bus's own words for a call to a name that nobody owns.
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.kde.osdService"),
                                                       QStringLiteral("/org/kde/osdService"),
                                                       QStringLiteral("org.kde.osdService"),
                                                       QStringLiteral("volumeChanged"));
    call << 40;
    const QDBusMessage refusal = QDBusConnection::sessionBus().call(call);
    QCOMPARE(refusal.type(), QDBusMessage::ErrorMessage);
    const QByteArray busError = refusal.errorMessage().toLocal8Bit() + '\n';

    QProcess client;
    QVERIFY(runClient(client, arguments, input));
    QByteArray err = client.readAllStandardError();
    err.replace("Error: cannot convert 1 argument, from value \"x\", to type \"int\"!\n", "");
    QCOMPARE(err, busError.repeated(errors));
    QCOMPARE(client.exitCode(), exitCode);
}

QTEST_GUILESS_MAIN(TestOsdNotify)
#include "tst_osdnotify.moc"
