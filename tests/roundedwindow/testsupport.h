// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QTemporaryDir>

#include <condition_variable>
#include <mutex>
#include <thread>

typedef struct _XDisplay Display;

/// A home directory of its own for the test process, where the desktop theme files live.
class TestHome
{
public:
    TestHome();
    QString path(const QString &name) const;
    /// The theme settings file with the given compositing switch and taskbar colour.
    void writeTheme(bool useComposite, const QString &taskbarColor = QString()) const;

private:
    QTemporaryDir dir;
};

Display *x11Display();

void writeFile(const QString &path, const QByteArray &contents);
/// A valid 1-bit grey PNG of the given size, written without ever holding its pixels.
bool writeBlankPng(const QString &path, int width, int height);
/// An SVG document whose drawing multiplies: @p depth levels of @p fanOut `<use>` elements each.
QByteArray nestedUseSvg(int depth, int fanOut);

/// Ends the process with a message naming @p what when it is still alive after @p seconds:
/// a call that blocks for ever fails the test instead of hanging it.
class Deadline
{
public:
    Deadline(const char *what, int seconds);
    ~Deadline();

private:
    std::mutex mutex;
    std::condition_variable condition;
    bool done = false;
    std::thread watchdog;
};
