// SPDX-License-Identifier: GPL-2.0-or-later
// Another application the user is typing in: a window with a text field that takes the
// keyboard focus. Prints "ready <window id>" once it has the focus and "lost" each time the
// focus leaves it, so that a test can tell whether a pop-up took the focus.

#include <QApplication>
#include <QLineEdit>
#include <QTextStream>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLineEdit field;
    field.setWindowTitle(QStringLiteral("focus holder"));
    field.setGeometry(40, 40, 300, 40);
    field.show();
    field.activateWindow();
    field.setFocus();

    QTextStream out(stdout);
    bool ready = false;
    QObject::connect(&app, &QApplication::focusChanged, [&](QWidget *, QWidget *now) {
        if (now == &field && !ready) {
            ready = true;
            out << "ready " << field.winId() << Qt::endl;
        } else if (now != &field && ready) {
            out << "lost" << Qt::endl;
        }
    });
    // Without a window manager nobody hands the focus over; keep asking until it arrives.
    QTimer retry;
    QObject::connect(&retry, &QTimer::timeout, [&] {
        if (!ready) {
            field.activateWindow();
        }
    });
    retry.start(100);
    return app.exec();
}
