// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QProcess>

/**
 * Another application the user is typing in: a text field in a process of its own, for the
 * tests that a pop-up never takes the keyboard focus. The destructor ends the process.
 */
class FocusHolder
{
public:
    ~FocusHolder();

    /// The environment the program starts in, the test's own unless set: another display.
    void setEnvironment(const QProcessEnvironment &environment);
    /// Starts the program; true once its text field has the focus.
    bool start();
    qint64 pid() const;
    /// The X window of the text field.
    unsigned long window() const;
    /// Everything the program reported so far; "lost" in it means the focus left the field.
    QByteArray reports();

private:
    QProcess process;
    QByteArray output;
    unsigned long field = 0;
};
