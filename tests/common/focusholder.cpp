// SPDX-License-Identifier: GPL-2.0-or-later
#include "focusholder.h"
#include "deadlines.h"

#include <QDeadlineTimer>

FocusHolder::~FocusHolder()
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
}

void FocusHolder::setEnvironment(const QProcessEnvironment &environment)
{
    process.setProcessEnvironment(environment);
}

bool FocusHolder::start()
{
    process.start(QStringLiteral(OSD_FOCUS_HOLDER_BINARY), QStringList());
    if (!process.waitForStarted(10000 * slowdown())) {
        return false;
    }
    // "ready <window id>" once the field has the focus.
    const QDeadlineTimer deadline(10000 * slowdown());
    int ready = -1;
    while ((ready = output.indexOf("ready ")) < 0 || output.indexOf('\n', ready) < 0) {
        if (process.state() == QProcess::NotRunning || deadline.hasExpired()) {
            return false;
        }
        process.waitForReadyRead(50);
        output += process.readAllStandardOutput();
    }
    field = output.mid(ready + 6).split('\n').value(0).trimmed().toULong();
    return field != 0;
}

qint64 FocusHolder::pid() const
{
    return process.processId();
}

unsigned long FocusHolder::window() const
{
    return field;
}

QByteArray FocusHolder::reports()
{
    output += process.readAllStandardOutput();
    return output;
}
