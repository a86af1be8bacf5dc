// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QProcess>

/// picom, the compositing manager, on the test's display; the destructor stops it.
class Compositor
{
public:
    Compositor();
    ~Compositor();

    /// False when the program could not be started.
    bool start();
    /// Ends it (killed when it does not end when asked); false if it had to be killed.
    bool stop();
    /// True while some program owns the compositing manager selection of screen 0.
    static bool running();

private:
    QProcess process;
};
