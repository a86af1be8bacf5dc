// SPDX-License-Identifier: GPL-2.0-or-later
#include "quitonsignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

static int signalPipe[2] = {-1, -1};

static void writeToPipe(int)
{
    const char byte = 1;
    // Nothing useful can be done about a full pipe: one byte waiting is enough to quit.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

QuitOnSignal::QuitOnSignal(QObject *parent)
    : QObject(parent)
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &QuitOnSignal::onSignalled);

    struct sigaction action = {};
    action.sa_handler = writeToPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

QuitOnSignal::~QuitOnSignal()
{
    if (!notifier) {
        return;
    }
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    delete notifier;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void QuitOnSignal::onSignalled()
{
    char buffer[16];
    while (::read(signalPipe[0], buffer, sizeof buffer) > 0) { }
    // Not quit(): with Qt 6 it first asks every window to close, and the Wayland pop-up refuses
    // (its showing and hiding belong to the service), so a shown pop-up kept the daemon running.
    QCoreApplication::exit(0);
}
