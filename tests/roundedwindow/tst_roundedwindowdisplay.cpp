// SPDX-License-Identifier: GPL-2.0-or-later
// How the rounded pop-up looks on a real X server: translucent or opaque with the compositor
// and the theme's switch, its colours on screen, and that it never takes the keyboard focus.
#include "compositor.h"
#include "focusholder.h"
#include "osdconfig.h"
#include "roundedlabel.h"
#include "roundedosdwidget.h"
#include "screen.h"
#include "testhome.h"
#include "x11application.h"

#include <KX11Extras>

#include <QtTest>

#include <xcb/xcb.h>

#include <cstdlib>

namespace
{
const QString themeBackground = QStringLiteral("#2d2d2d");
const QColor themeText(Qt::white);

// Points of the 96x96 progress pop-up, in its own coordinates.
const QPoint ringCentre(48, 47);
const QPoint arcAtThreeOClock = ringCentre + QPoint(35, 0);
const QPoint trackAtNineOClock = ringCentre - QPoint(35, 0);
const QPoint discLeftOfIcon = ringCentre - QPoint(20, 0);
const QPoint outsideRing(3, 47);
}

class TestRoundedWindowDisplay : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void paintingMode_data();
    void paintingMode();
    void compositorComingAndGoing();
    void colorsOnScreen_data();
    void colorsOnScreen();
    void customColorNames_data();
    void customColorNames();
    void themeChangeWhileVisible();
    void neverTakesFocus();
    void staysOnTop_data();
    void staysOnTop();

private:
    void startCompositor();
    void stopCompositor();
    void showProgress();

    TestHome home;
    std::unique_ptr<OsdConfig> config;
    std::unique_ptr<RoundedOsdWidget> widget;
    Compositor compositor;
};

void TestRoundedWindowDisplay::initTestCase()
{
    home.writeTheme(false, themeBackground);
    config = std::make_unique<OsdConfig>(KSharedConfig::openConfig(home.path(QStringLiteral("vesknotifyrc"))), nullptr);
    QVERIFY(!KX11Extras::compositingActive());
}

void TestRoundedWindowDisplay::cleanup()
{
    widget.reset();
    stopCompositor();
    home.writeTheme(false, themeBackground);
}

void TestRoundedWindowDisplay::startCompositor()
{
    QVERIFY(compositor.start());
    QTRY_VERIFY_WITH_TIMEOUT(KX11Extras::compositingActive(), 10000);
}

void TestRoundedWindowDisplay::stopCompositor()
{
    compositor.stop();
    QTRY_VERIFY_WITH_TIMEOUT(!KX11Extras::compositingActive(), 10000);
}

void TestRoundedWindowDisplay::showProgress()
{
    widget = std::make_unique<RoundedOsdWidget>(config.get(), nullptr);
    widget->setShowingProgress(true);
    widget->setOsdValue(40);
    widget->setIcon(QStringLiteral("mono-audio-volume"));
    widget->setVisible(true);
    QVERIFY(QTest::qWaitForWindowExposed(widget.get()));
}

void TestRoundedWindowDisplay::paintingMode_data()
{
    QTest::addColumn<bool>("themeSwitch");
    QTest::addColumn<bool>("compositing");
    QTest::addColumn<bool>("noBackground");
    QTest::addColumn<bool>("translucent");
    QTest::addColumn<bool>("masked");

    QTest::newRow("switch on, compositor: translucent") << true << true << false << true << false;
    QTest::newRow("switch off, compositor: opaque with mask") << false << true << false << false << true;
    QTest::newRow("switch on, no compositor: opaque without mask") << true << false << false << false << false;
    QTest::newRow("switch off, no compositor: opaque with mask") << false << false << false << false << true;
    QTest::newRow("switch off, no background: opaque without mask") << false << false << true << false << false;
}

void TestRoundedWindowDisplay::paintingMode()
{
    QFETCH(bool, themeSwitch);
    QFETCH(bool, compositing);
    QFETCH(bool, noBackground);
    QFETCH(bool, translucent);
    QFETCH(bool, masked);

    home.writeTheme(themeSwitch, themeBackground);
    if (compositing) {
        startCompositor();
    }
    showProgress();
    widget->setNoBackgroundMode(noBackground);
    QCOMPARE(widget->testAttribute(Qt::WA_TranslucentBackground), translucent);
    QCOMPARE(widget->testAttribute(Qt::WA_OpaquePaintEvent), !translucent);
    QCOMPARE(!widget->mask().isEmpty(), masked);
}

void TestRoundedWindowDisplay::compositorComingAndGoing()
{
    startCompositor();
    showProgress();
    QVERIFY(!widget->testAttribute(Qt::WA_TranslucentBackground));

    // The theme switching compositing on while the window is shown.
    home.writeTheme(true, themeBackground);
    QTRY_VERIFY(widget->testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(widget->mask().isEmpty());

    stopCompositor();
    QTRY_VERIFY(!widget->testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(!widget->mask().isEmpty());

    startCompositor();
    QTRY_VERIFY(widget->testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(widget->mask().isEmpty());

    // After an off report the window stays opaque, whatever it finds when it looks again,
    // until the compositor reports back.
    QVERIFY(QMetaObject::invokeMethod(widget.get(), "onCompositingChange", Q_ARG(bool, false)));
    QVERIFY(!widget->testAttribute(Qt::WA_TranslucentBackground));
    widget->setVisible(false);
    widget->setVisible(true);
    widget->updateCompositingState();
    QVERIFY(!widget->testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(QMetaObject::invokeMethod(widget.get(), "onCompositingChange", Q_ARG(bool, true)));
    QVERIFY(widget->testAttribute(Qt::WA_TranslucentBackground));
}

void TestRoundedWindowDisplay::colorsOnScreen_data()
{
    QTest::addColumn<bool>("compositing");
    QTest::addColumn<QString>("customColor");
    QTest::addColumn<QColor>("background");

    // The opaque background is 80 % of the window colour and 20 % of the text colour.
    QTest::newRow("opaque, theme colours") << false << QString() << QColor(0x57, 0x57, 0x57);
    QTest::newRow("opaque, custom colour") << false << QStringLiteral("#3366cc") << QColor(92, 133, 214);
    QTest::newRow("translucent, custom colour") << true << QStringLiteral("#3366cc") << QColor();
}

void TestRoundedWindowDisplay::colorsOnScreen()
{
    QFETCH(bool, compositing);
    QFETCH(QString, customColor);
    QFETCH(QColor, background);

    home.writeTheme(compositing, themeBackground);
    if (compositing) {
        startCompositor();
    }
    showProgress();
    widget->setCustomBackgroundColor(customColor);
    const QPoint origin = widget->pos();

    // The badge and the ring's track keep the theme's background under a custom colour;
    // around the ring the desktop shows through when translucent.
    const auto differences = [&](const QImage &screen) {
        const QColor desktop = screen.pixelColor(origin + QPoint(-5, outsideRing.y()));
        const struct {
            const char *what;
            QPoint point;
            QColor expected;
        } checks[] = {
            {"arc", arcAtThreeOClock, themeText},
            {"track", trackAtNineOClock, QColor(themeBackground)},
            {"disc", discLeftOfIcon, QColor(themeBackground)},
            {"background", outsideRing, background.isValid() ? background : desktop},
        };
        QStringList found;
        for (const auto &check : checks) {
            const QColor shown = screen.pixelColor(origin + check.point);
            if (!nearColor(shown, check.expected)) {
                found += QStringLiteral("%1 %2 instead of %3").arg(QLatin1String(check.what), shown.name(), check.expected.name());
            }
        }
        return found.join(QStringLiteral(", "));
    };
    QImage screen;
    QTRY_COMPARE_WITH_TIMEOUT(differences(screen = grabScreen()), QString(), 5000);

    const QString name = QStringLiteral("tst_roundedwindowdisplay-") + QString::fromLatin1(QTest::currentDataTag());
    qInfo("screenshot: %s", qPrintable(saveScreenshot(screen.copy(QRect(origin, widget->size()).adjusted(-20, -20, 20, 20)), name)));
}

void TestRoundedWindowDisplay::customColorNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("background");

    const QColor themeMix(0x57, 0x57, 0x57);
    QTest::newRow("the same colour with blanks") << QStringLiteral(" \t#3366cc ") << QColor(92, 133, 214);
    QTest::newRow("colour name") << QStringLiteral("red") << QColor(255, 51, 51);
    QTest::newRow("no colour clears it") << QStringLiteral("bluish") << themeMix;
    QTest::newRow("hex digits too many clear it") << QStringLiteral("#3366cc0") << themeMix;
    QTest::newRow("empty clears it") << QString() << themeMix;
}

void TestRoundedWindowDisplay::customColorNames()
{
    QFETCH(QString, name);
    QFETCH(QColor, background);

    showProgress();
    widget->setCustomBackgroundColor(QStringLiteral("#3366cc"));
    widget->setCustomBackgroundColor(name);
    QVERIFY2(nearColor(widget->palette().color(QPalette::Window), background), qPrintable(widget->palette().color(QPalette::Window).name()));
}

void TestRoundedWindowDisplay::themeChangeWhileVisible()
{
    showProgress();
    auto *badge = widget->findChild<RoundedLabel *>();
    QCOMPARE(badge->palette().color(QPalette::Window), QColor(themeBackground));

    home.writeTheme(false, QStringLiteral("#336699"));
    QTRY_COMPARE(badge->palette().color(QPalette::Window), QColor(QStringLiteral("#336699")));
}

// Raised again and again over the window the user types in, the pop-up leaves it the focus.
void TestRoundedWindowDisplay::neverTakesFocus()
{
    FocusHolder holder;
    QVERIFY(holder.start());
    QCOMPARE(inputFocus(), holder.window());

    showProgress();
    for (int i = 0; i < 10; ++i) {
        raiseWindow(holder.window());
        QTRY_VERIFY(stackedAbove(widget->winId(), holder.window()));
        QCOMPARE(inputFocus(), holder.window());
    }
    QVERIFY2(!holder.reports().contains("lost"), holder.reports().constData());
}

// A window that another program maps or raises over the pop-up while it shows is put below it
// again, also when it comes back at once; the root window's events that Qt selected stay selected.
void TestRoundedWindowDisplay::staysOnTop_data()
{
    QTest::addColumn<bool>("mappedFirst");
    QTest::addColumn<int>("raises");
    QTest::newRow("mapped over it") << false << 0;
    QTest::newRow("raised over it, twice in a row") << true << 2;
}

void TestRoundedWindowDisplay::staysOnTop()
{
    QFETCH(bool, mappedFirst);
    QFETCH(int, raises);
    xcb_connection_t *connection = X11Application::connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const auto qtRootMask = [&] {
        const std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
            xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, root), nullptr),
            std::free);
        return attributes ? attributes->your_event_mask : 0;
    };
    const uint32_t maskBefore = qtRootMask();
    const xcb_window_t cover = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, cover, root, 0, 0, 1920, 1080, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    const auto destroy = qScopeGuard([&] {
        xcb_destroy_window(connection, cover);
        xcb_flush(connection);
    });
    if (mappedFirst) {
        xcb_map_window(connection, cover);
    }
    showProgress();
    if (!mappedFirst) {
        xcb_map_window(connection, cover);
    }
    QTRY_VERIFY(stackedAbove(widget->winId(), cover));
    for (int i = 0; i < raises; ++i) {
        raiseWindow(cover);
        QTRY_VERIFY(stackedAbove(widget->winId(), cover));
    }
    widget->setVisible(false);
    QCOMPARE(qtRootMask(), maskBefore);
}

QTEST_MAIN(TestRoundedWindowDisplay)
#include "tst_roundedwindowdisplay.moc"
