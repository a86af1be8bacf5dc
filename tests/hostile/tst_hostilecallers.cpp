// SPDX-License-Identifier: GPL-2.0-or-later
// Callers on the bus that mean harm: huge and strange texts, every integer extreme, garbage in
// every string, hostile image files and floods of style switches, in both display styles.
// After each call the daemon must answer the next one promptly, keep its memory bounded and
// show the next content.

#include "daemonfixture.h"
#include "hostileimagefiles.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QTest>

#include <climits>
#include <memory>

using Args = QVariantList;

static QString repeated(const QString &piece, int bytes)
{
    return piece.repeated(qMax(1, bytes / int(piece.toUtf8().size())));
}

class HostileCallersTest : public QObject
{
    Q_OBJECT

public:
    explicit HostileCallersTest(bool standardStyle)
        : fixture(standardStyle)
    {
    }

private:
    DaemonFixture fixture;
    HostileImageFiles images;

    // A screen rectangle as a caller marshals it, (iiii), whatever its numbers: a QRect could not
    // hold the extremes without overflowing.
    static QVariant rectangle(int x, int y, int width, int height)
    {
        QDBusArgument argument;
        argument.beginStructure();
        argument << x << y << width << height;
        argument.endStructure();
        return QVariant::fromValue(argument);
    }

    void sendAndRecover(const QString &method, const Args &args)
    {
        const QDBusMessage reply = osdCall(method, args, 60000 * slowdown());
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorName() + QLatin1Char(' ') + reply.errorMessage()));
        fixture.verifyRecovers();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(images.isValid(), qPrintable(images.error()));
    }

    void init()
    {
        QVERIFY(fixture.ensureRunning());
    }

    void cleanupTestCase()
    {
        QVERIFY(fixture.stopCleanly());
    }

    void texts_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<Args>("args");
        const QString empty;
        const QString letters1M(1 << 20, QLatin1Char('x'));
        const QString words10M = repeated(QStringLiteral("lorem ipsum dolor "), 10 << 20);
        const QString mixed = QString::fromUtf8("Latin مرحبا עברית 漢字かな 한국어 देवनागरी ไทย 😀👍🏽 ");
        QTest::newRow("1 MiB of letters") << "showText" << Args{empty, letters1M};
        QTest::newRow("10 MiB of letters") << "showText" << Args{empty, QString(10 << 20, QLatin1Char('x'))};
        QTest::newRow("10 MiB of words") << "showText" << Args{empty, words10M};
        QTest::newRow("1 MiB of line breaks") << "showText" << Args{empty, QString(1 << 20, QLatin1Char('\n'))};
        QTest::newRow("1 MiB of CR LF") << "showText" << Args{empty, repeated(QStringLiteral("\r\n"), 1 << 20)};
        QTest::newRow("only combining marks") << "showText" << Args{empty, QString(300000, QChar(0x0301))};
        QTest::newRow("one letter under 100000 marks") << "showText" << Args{empty, QString(QLatin1Char('a') + QString(100000, QChar(0x0334)))};
        QTest::newRow("right-to-left Arabic") << "showText" << Args{empty, repeated(QString::fromUtf8("مرحبا بالعالم "), 1 << 20)};
        QTest::newRow("bidi overrides and isolates") << "showText"
                                                     << Args{empty, repeated(QString::fromUtf8("\u202eabc\u202d\u2067עברית\u2069\u200f"), 1 << 18)};
        QTest::newRow("mixed scripts and emoji") << "showText" << Args{empty, repeated(mixed, 1 << 20)};
        QTest::newRow("unpaired surrogates") << "showText" << Args{empty, QString(1000, QChar(0xD800))};
        QTest::newRow("nested tables") << "showText" << Args{empty, QString(QStringLiteral("<table><tr><td>").repeated(300) + QLatin1Char('x'))};
        QTest::newRow("50000 nested bold tags") << "showText" << Args{empty, QString(QStringLiteral("<b>").repeated(50000) + QLatin1Char('x'))};
        QTest::newRow("image of /dev/zero in HTML") << "showText" << Args{empty, QStringLiteral("<p><img src=\"/dev/zero\"/>x</p>")};
        QTest::newRow("image of a FIFO in HTML") << "showText" << Args{empty, QStringLiteral("<p><img src=\"%1\"/>x</p>")};
        QTest::newRow("10 MiB custom text") << "showTextWithFont"
                                            << Args{empty, words10M, QStringLiteral("Sans"), 12, 5000, QStringLiteral("center"), QStringLiteral("#102030")};
        QTest::newRow("10 MiB custom text, no background")
            << "showTextWithFontNoBackground" << Args{empty, QString(10 << 20, QLatin1Char('\n')), empty, 40, 5000, empty, empty};
        QTest::newRow("1 MiB layout name") << "kbdLayoutChanged" << Args{letters1M};
        QTest::newRow("10 MiB desktop name") << "virtualDesktopChanged" << Args{words10M};
        QTest::newRow("1 MiB player name") << "mediaPlayerVolumeChanged" << Args{50, repeated(mixed, 1 << 20), empty};
        QTest::newRow("10 MiB display label") << "screenBrightnessChanged" << Args{50, letters1M, words10M, 0, rectangle(0, 0, 0, 0)};
        QTest::newRow("10 MiB power profile") << "powerProfileChanged" << Args{words10M};
    }

    void texts()
    {
        QFETCH(QString, method);
        QFETCH(Args, args);
        // The FIFO row names a file that only exists at run time.
        for (QVariant &arg : args) {
            if (arg.toString().contains(QLatin1String("%1"))) {
                arg = arg.toString().arg(images.cases().first().path);
            }
        }
        sendAndRecover(method, args);
    }

    void integerExtremes_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<Args>("args");
        const QString s = QStringLiteral("text");
        const QVector<int> extremes{INT_MIN, INT_MIN + 1, -1, 0, 100, 101, INT_MAX};
        for (int v : extremes) {
            for (const char *method : {"brightnessChanged", "keyboardBrightnessChanged", "volumeChanged", "microphoneVolumeChanged"}) {
                QTest::addRow("%s %d", method, v) << QString::fromLatin1(method) << Args{v};
            }
            QTest::addRow("mediaPlayerVolumeChanged %d", v) << "mediaPlayerVolumeChanged" << Args{v, s, s};
            QTest::addRow("showProgressBar %d", v) << "showProgressBar" << Args{s, v};
            QTest::addRow("volumeChanged of maximum %d", v) << "volumeChanged" << Args{150, v};
            QTest::addRow("volumeChanged %d of maximum %d", v, v) << "volumeChanged" << Args{v, v};
            QTest::addRow("volumeChanged %d of maximum 150", v) << "volumeChanged" << Args{v, 150};
            QTest::addRow("screenBrightnessChanged %d", v) << "screenBrightnessChanged" << Args{v, s, s, v, rectangle(v, v, v, v)};
            QTest::addRow("screenBrightnessChanged at %d", v) << "screenBrightnessChanged" << Args{50, s, s, 0, rectangle(v, v, 1920, 1080)};
            for (const char *method : {"showTextWithFont", "showTextWithFontNoBackground"}) {
                QTest::addRow("%s point size %d", method, v) << QString::fromLatin1(method) << Args{s, s, s, v, 2000, s, s};
                QTest::addRow("%s duration %d", method, v) << QString::fromLatin1(method) << Args{s, s, s, 12, v, s, s};
            }
        }
    }

    void integerExtremes()
    {
        if (fixture.standardStyle()) {
            QSKIP("the service bounds every number before a pop-up of either style sees it: once is enough");
        }
        QFETCH(QString, method);
        QFETCH(Args, args);
        sendAndRecover(method, args);
    }

    void garbageStrings_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<Args>("args");
        const QString s = QStringLiteral("text");
        const QString invalidBytes = QString::fromLocal8Bit("\xff\xfe\xc3\x28\xed\xa0\x80");
        const QString long64k(1 << 16, QLatin1Char('t'));
        const QStringList garbage{QString(),
                                  QStringLiteral(" "),
                                  invalidBytes,
                                  QString(3, QChar(0xFFFF)),
                                  QString::fromUtf8("\u202e\u200f"),
                                  long64k,
                                  QStringLiteral("top-left-bottom-right-center"),
                                  QStringLiteral("-2147483648,-2147483648"),
                                  QStringLiteral("99999999999999999999999x99999999999999999999999"),
                                  QStringLiteral("#"),
                                  QStringLiteral("#zzzzzz"),
                                  QStringLiteral("#1234567890abcdef"),
                                  QStringLiteral("rgba(300,-1,nan,inf)"),
                                  QStringLiteral("transparent"),
                                  QStringLiteral("%1%n%s%x"),
                                  QStringLiteral("<b>bold</b>")};
        for (int i = 0; i < garbage.size(); ++i) {
            const QString &g = garbage.at(i);
            const QByteArray row = QByteArray::number(i) + ' ' + g.left(24).toUtf8();
            QTest::addRow("position %s", row.constData()) << "showTextWithFont" << Args{s, s, s, 12, 2000, g, QStringLiteral("#202020")};
            QTest::addRow("colour %s", row.constData()) << "showTextWithFont" << Args{s, s, s, 12, 2000, QStringLiteral("center"), g};
            QTest::addRow("colour, no background %s", row.constData()) << "showTextWithFontNoBackground" << Args{s, s, s, 12, 2000, s, g};
            QTest::addRow("font %s", row.constData()) << "showTextWithFont" << Args{s, s, g, 12, 2000, s, s};
            QTest::addRow("display %s", row.constData()) << "screenBrightnessChanged" << Args{40, g, g, i, rectangle(0, 0, 1920, 1080)};
            QTest::addRow("power profile %s", row.constData()) << "powerProfileChanged" << Args{g};
        }
        const QStringList icons{QStringLiteral("../../../../../etc/passwd"),
                                QStringLiteral("/dev/zero"),
                                QStringLiteral("/dev/urandom"),
                                QStringLiteral("/dev/stdin"),
                                QStringLiteral("/proc/self/mem"),
                                QStringLiteral("/proc/self/fd/0"),
                                QStringLiteral("/"),
                                QStringLiteral("file://"),
                                QStringLiteral("file:///dev/zero"),
                                QStringLiteral("file:///%FF%FE%00.png"),
                                QStringLiteral("file://remote.host/x.png"),
                                QStringLiteral("/tmp/") + invalidBytes + QStringLiteral(".png"),
                                QStringLiteral("mono-"),
                                QStringLiteral("mono-../../../etc/passwd"),
                                QStringLiteral(":/icons/../../../etc/passwd"),
                                QStringLiteral("qrc:/nothing.svg"),
                                long64k,
                                invalidBytes};
        for (int i = 0; i < icons.size(); ++i) {
            const QString &icon = icons.at(i);
            const QByteArray row = QByteArray::number(i) + ' ' + icon.left(24).toUtf8();
            QTest::addRow("text icon %s", row.constData()) << "showText" << Args{icon, s};
            QTest::addRow("progress icon %s", row.constData()) << "showProgressBar" << Args{icon, 30};
            QTest::addRow("player icon %s", row.constData()) << "mediaPlayerVolumeChanged" << Args{30, s, icon};
        }
    }

    void garbageStrings()
    {
        QFETCH(QString, method);
        QFETCH(Args, args);
        sendAndRecover(method, args);
    }

    void hostileImages_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<int>("index");
        const QVector<HostileImageFiles::Case> cases = images.cases();
        for (int i = 0; i < cases.size(); ++i) {
            QTest::addRow("text icon: %s", cases.at(i).name.constData()) << "showText" << i;
            QTest::addRow("progress icon: %s", cases.at(i).name.constData()) << "showProgressBar" << i;
            QTest::addRow("custom text icon: %s", cases.at(i).name.constData()) << "showTextWithFont" << i;
            QTest::addRow("player icon: %s", cases.at(i).name.constData()) << "mediaPlayerVolumeChanged" << i;
        }
    }

    void hostileImages()
    {
        QFETCH(QString, method);
        QFETCH(int, index);
        const QString path = images.cases().at(index).path;
        const QString s = QStringLiteral("text");
        if (method == QLatin1String("showText")) {
            sendAndRecover(method, {path, s});
            sendAndRecover(method, {QString(QStringLiteral("file://") + path), s});
        } else if (method == QLatin1String("showProgressBar")) {
            sendAndRecover(method, {path, 60});
        } else if (method == QLatin1String("showTextWithFont")) {
            sendAndRecover(method, {path, s, s, 12, 2000, s, s});
        } else {
            sendAndRecover(method, {60, s, path});
        }
    }

    void alternatingStyleSwitches()
    {
        const int rounds = 750; // four calls each
        const QString s = QStringLiteral("switch");
        QVector<QDBusPendingCall> pending;
        for (int i = 0; i < rounds; ++i) {
            pending << osdCallAsync(QStringLiteral("showTextWithFont"),
                                    {s, s, QStringLiteral("Sans"), 10 + i % 20, 3000, QStringLiteral("top"), QStringLiteral("#803040")})
                    << osdCallAsync(QStringLiteral("showText"), {QString(), s}) << osdCallAsync(QStringLiteral("showProgressBar"), {s, i % 101})
                    << osdCallAsync(QStringLiteral("showTextWithFontNoBackground"), {s, s, QString(), 30, 3000, QStringLiteral("bottom"), QString()});
            if (pending.size() >= 64) {
                QVERIFY(waitForAll(pending));
                pending.clear();
            }
        }
        QVERIFY(waitForAll(pending));
        fixture.verifyRecovers();
        fixture.verifyShowsText(QStringLiteral("after the switches"));
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    for (bool standardStyle : {false, true}) {
        HostileCallersTest test(standardStyle);
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}

#include "tst_hostilecallers.moc"
