// SPDX-License-Identifier: GPL-2.0-or-later
// A text field in a process of its own that takes the keyboard focus and reports on standard
// output, one line each, "focus <window id>" when it has it and "lost" when it loses it.
#include <QApplication>
#include <QLineEdit>
#include <QTextStream>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLineEdit edit;
    edit.setGeometry(100, 100, 400, 40);
    edit.show();

    QTextStream out(stdout);
    QObject::connect(&app, &QApplication::focusChanged, [&](QWidget *, QWidget *now) {
        if (now == &edit) {
            out << "focus " << edit.winId() << Qt::endl;
        } else {
            out << "lost" << Qt::endl;
        }
    });
    edit.activateWindow();
    edit.setFocus();
    return app.exec();
}
