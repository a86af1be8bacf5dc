// SPDX-License-Identifier: GPL-2.0-or-later
// Colour arithmetic, the shared base colour and the colour theme record, with the desktop's
// colour and integrity libraries replaced by steerable doubles.

#include "fakedesktop.h"
#include "stylehelper.h"
#include "testhome.h"
#include "veskcolortheme.h"
#include "veskutils.h"

#include <QPainter>
#include <QTest>
#include <QWidget>

namespace
{
class PaintCounter : public QWidget
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override
    {
        ++paints;
    }
};
}

class StyleHelperTest : public QObject
{
    Q_OBJECT

private:
    TestHome fixture;

private Q_SLOTS:
    void init()
    {
        FakeDesktop::textColorAnswer.clear();
        FakeDesktop::maxMic = false;
        fixture.reset();
    }

    // Runs first: the base colour is shared by the whole process and never reset.
    void initialState()
    {
        QCOMPARE(StyleHelper::baseColor().name(), QStringLiteral("#0a7bd2"));
        QVERIFY(!StyleHelper::requestedBaseColor().isValid());
        QCOMPARE(StyleHelper::panelTextColor(), QColor(Qt::white));
    }

    void derivedColours_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("textAnswer");
        QTest::addColumn<QString>("shadow");
        QTest::addColumn<QString>("highlight");
        QTest::addColumn<QString>("panelText");

        QTest::newRow("bright: 171.5 truncates, highlight saturates") << "#f5f5f5"
                                                                      << "#000000"
                                                                      << "#ababab"
                                                                      << "#ffffff"
                                                                      << "#000000";
        QTest::newRow("bright with white text") << "#f5f5f5"
                                                << "#FFFFFF"
                                                << "#ababab"
                                                << "#ffffff"
                                                << "#ffffff";
        QTest::newRow("dark with white text") << "#2d2d2d"
                                              << "#FFFFFF"
                                              << "#1f1f1f"
                                              << "#343434"
                                              << "#ffffff";
        QTest::newRow("dark with dark text") << "#2d2d2d"
                                             << "#000000"
                                             << "#1f1f1f"
                                             << "#2f2f2f"
                                             << "#000000";
        QTest::newRow("white in lower case is not white") << "#2d2d2d"
                                                          << "#ffffff"
                                                          << "#1f1f1f"
                                                          << "#2f2f2f"
                                                          << "#000000";
        QTest::newRow("saturation clamps at 255") << "#0a7bd2"
                                                  << "#FFFFFF"
                                                  << "#005393"
                                                  << "#0b8ff3"
                                                  << "#ffffff";
    }

    void derivedColours()
    {
        QFETCH(QString, base);
        QFETCH(QString, textAnswer);
        FakeDesktop::textColorAnswer = textAnswer.toStdString();

        StyleHelper::setBaseColor(QColor(base));
        QCOMPARE(StyleHelper::baseColor().name(), base);
        QTEST(StyleHelper::shadowColor().name(), "shadow");
        QTEST(StyleHelper::highlightColor().name(), "highlight");
        QTEST(StyleHelper::panelTextColor().name(), "panelText");
        QCOMPARE(StyleHelper::shadowColor().alpha(), 255);
    }

    void setBaseColorRepaintsOnlyOnChange()
    {
        PaintCounter window;
        PaintCounter sentinel;
        for (PaintCounter *widget : {&window, &sentinel}) {
            widget->resize(40, 40);
            widget->show();
            QVERIFY(QTest::qWaitForWindowExposed(widget));
        }
        QTRY_VERIFY(window.paints > 0 && sentinel.paints > 0);

        window.paints = 0;
        const int questions = FakeDesktop::textColorCalls;
        FakeDesktop::textColorAnswer = "#FFFFFF";
        StyleHelper::setBaseColor(QColor(0x33, 0x66, 0x99));
        QTRY_VERIFY(window.paints > 0);
        QCOMPARE(StyleHelper::panelTextColor(), QColor(Qt::white));

        // The same colour again: no repaint, but the desktop is asked again and its new answer holds.
        window.paints = 0;
        sentinel.paints = 0;
        FakeDesktop::textColorAnswer = "#000000";
        StyleHelper::setBaseColor(QColor(0x33, 0x66, 0x99));
        sentinel.update();
        QTRY_VERIFY(sentinel.paints > 0);
        QCOMPARE(window.paints, 0);
        QCOMPARE(StyleHelper::panelTextColor(), QColor(Qt::black));
        QCOMPARE(FakeDesktop::textColorCalls, questions + 2);
        QCOMPARE(FakeDesktop::lastTextColorQuestion, std::string("#336699"));

        // An invalid colour is remembered as requested but never becomes the base colour.
        FakeDesktop::textColorAnswer.clear();
        StyleHelper::setBaseColor(QColor());
        QVERIFY(!StyleHelper::requestedBaseColor().isValid());
        QCOMPARE(StyleHelper::baseColor().name(), QStringLiteral("#336699"));
        QCOMPARE(FakeDesktop::lastTextColorQuestion, std::string("#000000"));
        QCOMPARE(StyleHelper::panelTextColor(), QColor(Qt::white));
    }

    void colorOpacity_data()
    {
        QTest::addColumn<QColor>("a");
        QTest::addColumn<QColor>("b");
        QTest::addColumn<double>("factor");
        QTest::addColumn<QColor>("expected");

        QTest::newRow("white over black at 0.8") << QColor(Qt::white) << QColor(Qt::black) << 0.8 << QColor(0xcc, 0xcc, 0xcc);
        QTest::newRow("alpha of the first colour") << QColor(255, 0, 0, 100) << QColor(0, 0, 255, 255) << 0.5 << QColor(128, 0, 128, 100);
        QTest::newRow("factor 0 gives the second colour") << QColor(Qt::black) << QColor(Qt::white) << 0.0 << QColor(Qt::white);
    }

    void colorOpacity()
    {
        QFETCH(QColor, a);
        QFETCH(QColor, b);
        QFETCH(double, factor);
        QFETCH(QColor, expected);
        const QColor mixed = StyleHelper::colorOpacity(a, b, factor);
        QCOMPARE(mixed.name(), expected.name());
        QCOMPARE(mixed.alpha(), expected.alpha());
    }

    // Reference values of the accessibility guidelines; the order of the colours does not matter.
    void contrastRatio_data()
    {
        QTest::addColumn<QColor>("a");
        QTest::addColumn<QColor>("b");
        QTest::addColumn<double>("ratio");
        QTest::newRow("black and white") << QColor(Qt::white) << QColor(Qt::black) << 21.0;
        QTest::newRow("one colour") << QColor(0x20, 0x23, 0x26) << QColor(0x20, 0x23, 0x26) << 1.0;
        QTest::newRow("#777777 on white, just short of 4.5") << QColor(0x77, 0x77, 0x77) << QColor(Qt::white) << 4.478;
        QTest::newRow("white on pure blue") << QColor(Qt::white) << QColor(Qt::blue) << 8.592;
    }

    void contrastRatio()
    {
        QFETCH(QColor, a);
        QFETCH(QColor, b);
        QFETCH(double, ratio);
        QVERIFY2(qAbs(StyleHelper::contrastRatio(a, b) - ratio) < 0.001, qPrintable(QString::number(StyleHelper::contrastRatio(a, b))));
        QCOMPARE(StyleHelper::contrastRatio(b, a), StyleHelper::contrastRatio(a, b));
    }

    void lightnessSteps_data()
    {
        QTest::addColumn<double>("lightness");
        QTest::addColumn<double>("step");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("lighter");
        QTest::addColumn<int>("darker");

        QTest::newRow("0.95 is bounded to 0.9 first") << 0.95 << 0.04 << 1 << 94 << 86;
        QTest::newRow("0.05 is raised to 0.1 first") << 0.05 << 0.04 << 1 << 14 << 6;
        QTest::newRow("several steps") << 0.5 << 0.04 << 3 << 62 << 38;
        QTest::newRow("held within 0 and 1") << 0.5 << 0.5 << 2 << 100 << 0;
    }

    void lightnessSteps()
    {
        QFETCH(double, lightness);
        QFETCH(double, step);
        QFETCH(int, count);
        const QColor color = QColor::fromHslF(0.6, 0.5, lightness, 0.5);

        const QColor lighter = StyleHelper::colorLigher(color, step, count, 0.1, 0.9);
        const QColor darker = StyleHelper::colorDarker(color, step, count, 0.1, 0.9);
        QTEST(qRound(lighter.lightnessF() * 100), "lighter");
        QTEST(qRound(darker.lightnessF() * 100), "darker");
        for (const QColor &result : {lighter, darker}) {
            QCOMPARE(result.alpha(), color.alpha());
            QCOMPARE(result.hslHue(), color.hslHue());
        }
        QCOMPARE(lighter.hslSaturation(), color.hslSaturation());
    }

    void fontScaled_data()
    {
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<int>("pointSize");
        QTest::addColumn<double>("factor");
        QTest::addColumn<int>("expectedPixels");
        QTest::addColumn<int>("expectedPoints");

        QTest::newRow("20 px by 1.35") << 20 << 0 << 1.35 << 27 << -1;
        QTest::newRow("10 pt by 0.9") << 0 << 10 << 0.9 << -1 << 9;
        QTest::newRow("half a pixel rounds up") << 10 << 0 << 1.25 << 13 << -1;
        QTest::newRow("half a point rounds up") << 0 << 11 << 1.5 << -1 << 17;
    }

    void fontScaled()
    {
        QFETCH(int, pixelSize);
        QFETCH(int, pointSize);
        QFETCH(double, factor);
        QFont font(QStringLiteral("DejaVu Sans"));
        if (pixelSize > 0) {
            font.setPixelSize(pixelSize);
        } else {
            font.setPointSize(pointSize);
        }
        font.setBold(true);

        const QFont scaled = StyleHelper::fontScaled(font, factor);
        QTEST(scaled.pixelSize(), "expectedPixels");
        QTEST(scaled.pointSize(), "expectedPoints");
        QCOMPARE(scaled.family(), font.family());
        QVERIFY(scaled.bold());
    }

    void freshColorTheme()
    {
        const VeskColorTheme theme;
        using Getter = QString (VeskColorTheme::*)() const;
        for (Getter getter : {&VeskColorTheme::backgroundColor,
                              &VeskColorTheme::elementSelectionColor,
                              &VeskColorTheme::elementHoverColor,
                              &VeskColorTheme::textColor,
                              &VeskColorTheme::textHoverColor,
                              &VeskColorTheme::textNonInteractiveColor,
                              &VeskColorTheme::textPlaceHolderColor,
                              &VeskColorTheme::textDetailsColor,
                              &VeskColorTheme::separatorColor,
                              &VeskColorTheme::buttonBorderColor,
                              &VeskColorTheme::buttonPressedColor}) {
            QVERIFY((theme.*getter)().isNull());
        }
        QVERIFY(!theme.blackTextTheme());
        QVERIFY(!theme.invertColorForTrayIcon());
        QCOMPARE(theme.criticalNotificationsColor(), QStringLiteral("#ee4d4d"));
        QCOMPARE(theme.nonCriticalNotificationsColor(), QStringLiteral("#e9e9e9"));
    }

    void redLevel_data()
    {
        QTest::addColumn<bool>("maxMic");
        QTest::addColumn<QByteArray>("qmxId");
        QTest::addColumn<QString>("background");
        QTest::addColumn<bool>("invert");

        QTest::newRow("maximal integrity, level 2") << true << QByteArray("echo 2") << "#f5f5f5" << true;
        QTest::newRow("maximal integrity, level 0") << true << QByteArray("echo 0") << "#2d2d2d" << false;
        QTest::newRow("maximal integrity, no qmx-id") << true << QByteArray() << "#2d2d2d" << false;
        QTest::newRow("lower integrity, level 2") << false << QByteArray("echo 2") << "#2d2d2d" << false;
    }

    void redLevel()
    {
        QFETCH(bool, maxMic);
        QFETCH(QByteArray, qmxId);
        FakeDesktop::maxMic = maxMic;
        if (!qmxId.isEmpty()) {
            QVERIFY(fixture.writeQmxId(qmxId));
        }
        QVERIFY(fixture.writeSettings("[Variables]\nTaskbarColor=#2d2d2d\n"));

        const VeskColorTheme theme = VeskUtils::genColorTheme();
        QTEST(theme.backgroundColor(), "background");
        QTEST(theme.invertColorForTrayIcon(), "invert");
    }

    void desktopTextColour_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("blackText");
        QTest::addColumn<QString>("textHover");

        QTest::newRow("no colour name") << "not a colour" << false << "#ffffff";
        QTest::newRow("white kept as given") << "#FFFFFF" << false << "#000000";
        QTest::newRow("black by name") << "black" << true << "#000000";
        QTest::newRow("other colour is inverted") << "#102030" << false << "#efdfcf";
    }

    void desktopTextColour()
    {
        QFETCH(QString, answer);
        FakeDesktop::textColorAnswer = answer.toStdString();
        QVERIFY(fixture.writeSettings("[Variables]\nTaskbarColor=#123456\n"));

        const VeskColorTheme theme = VeskUtils::genColorTheme();
        QCOMPARE(theme.textColor(), answer);
        QCOMPARE(theme.textDetailsColor(), answer);
        QTEST(theme.blackTextTheme(), "blackText");
        QTEST(theme.textHoverColor(), "textHover");
    }

    void drawIconWithShadow()
    {
        QPixmap square(16, 16);
        square.fill(Qt::red);
        const QIcon icon(square);
        // Painted on an image, not a widget, and twice with other shadows: each draw must get its own.
        const auto draw = [&icon](const QColor &shadow) {
            QImage image(48, 48, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            StyleHelper::drawIconWithShadow(icon, QRect(16, 16, 16, 16), &painter, QIcon::Normal, 4, shadow, QPoint(3, 3));
            return image;
        };
        const QImage blueShadow = draw(Qt::blue);
        const QImage greenShadow = draw(Qt::green);

        QCOMPARE(blueShadow.pixelColor(24, 24), QColor(Qt::red));
        QCOMPARE(blueShadow.pixelColor(1, 1).alpha(), 0);
        const QColor blue = blueShadow.pixelColor(33, 33);
        const QColor green = greenShadow.pixelColor(33, 33);
        QVERIFY(blue.alpha() > 0 && blue.blue() > 0 && blue.green() == 0);
        QVERIFY(green.alpha() > 0 && green.green() > 0 && green.blue() == 0);
    }
};

QTEST_MAIN(StyleHelperTest)
#include "tst_stylehelper.moc"
