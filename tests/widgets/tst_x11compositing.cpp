// SPDX-License-Identifier: GPL-2.0-or-later
// The compositing state as the pop-ups see it on X11. A second client of the test takes the
// part of the compositing manager, whose mark is the selection it owns.
#include "x11compositing.h"

#include <QSignalSpy>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

class TestX11Compositing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        compositing = std::make_unique<X11Compositing>();
        QVERIFY(!compositing->isActive());
    }

    void followsTheManager_data()
    {
        QTest::addColumn<bool>("runningBefore");
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("active");

        QTest::newRow("starts") << false << QStringLiteral("take") << true;
        QTest::newRow("gives the selection up") << true << QStringLiteral("release") << false;
        QTest::newRow("its window destroyed") << true << QStringLiteral("destroy") << false;
        QTest::newRow("its connection closed") << true << QStringLiteral("close") << false;
    }

    void followsTheManager()
    {
        QFETCH(bool, runningBefore);
        QFETCH(QString, change);
        QFETCH(bool, active);

        std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> manager(xcb_connect(nullptr, nullptr), xcb_disconnect);
        QVERIFY(!xcb_connection_has_error(manager.get()));
        const QByteArray name = "_NET_WM_CM_S0";
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
            xcb_intern_atom_reply(manager.get(), xcb_intern_atom(manager.get(), false, name.size(), name.constData()), nullptr),
            std::free);
        QVERIFY(atom);
        const xcb_window_t window = xcb_generate_id(manager.get());
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(manager.get())).data;
        xcb_create_window(manager.get(),
                          XCB_COPY_FROM_PARENT,
                          window,
                          screen->root,
                          0,
                          0,
                          1,
                          1,
                          0,
                          XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT,
                          0,
                          nullptr);
        const auto own = [&](xcb_window_t owner) {
            xcb_set_selection_owner(manager.get(), owner, atom->atom, XCB_CURRENT_TIME);
            free(xcb_get_input_focus_reply(manager.get(), xcb_get_input_focus(manager.get()), nullptr));
        };
        if (runningBefore) {
            own(window);
            QTRY_VERIFY(compositing->isActive());
        }

        QSignalSpy changed(compositing.get(), &X11Compositing::activeChanged);
        if (change == QLatin1String("take")) {
            own(window);
        } else if (change == QLatin1String("release")) {
            own(XCB_WINDOW_NONE);
        } else if (change == QLatin1String("destroy")) {
            xcb_destroy_window(manager.get(), window);
            xcb_flush(manager.get());
        } else {
            manager.reset();
        }
        QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, 10000);
        QCOMPARE(changed.at(0).at(0).toBool(), active);
        QCOMPARE(compositing->isActive(), active);
        // The next row starts from a session without a manager, all events of this one seen.
        if (manager) {
            own(XCB_WINDOW_NONE);
        }
        QTRY_VERIFY(!compositing->isActive());
    }

private:
    std::unique_ptr<X11Compositing> compositing;
};

QTEST_MAIN(TestX11Compositing)
#include "tst_x11compositing.moc"
