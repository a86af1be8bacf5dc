// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QVector>

#include <cstdio>

// The rows of the theme sweep that the pop-ups are checked in, for a test's _data function:
// the desktop's default theme, light and dark ones, greys on both sides of the middle where the
// text turns from black to white, and saturated colours. Column "settings" holds the lines of
// "[Variables]" (none for the default theme); the column named by lightColumn tells whether the
// theme's text is dark on a light background, where the pop-ups look as they always did.
inline void addThemeSweepRows(const char *lightColumn = "light")
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<bool>(lightColumn);
    const struct {
        const char *name;
        const char *settings;
        bool light;
    } themes[] = {
        {"default theme", "", true},
        {"bright #f5f5f5", "TaskbarColor=#f5f5f5", true},
        {"white", "TaskbarColor=#ffffff", true},
        {"black", "TaskbarColor=#000000", false},
        {"dark #202326", "TaskbarColor=#202326", false},
        {"dark #2d2d2d", "TaskbarColor=#2d2d2d", false},
        {"grey #595959", "TaskbarColor=#595959", false},
        {"grey #767676", "TaskbarColor=#767676", false},
        {"grey #777777", "TaskbarColor=#777777", true},
        {"grey #969696", "TaskbarColor=#969696", true},
        {"red", "TaskbarColor=#ff0000", true},
        {"dark red", "TaskbarColor=#880000", false},
        {"green", "TaskbarColor=#00ff00", true},
        {"blue", "TaskbarColor=#0000ff", false},
        {"purple", "TaskbarColor=#8e44ad", false},
        {"yellow", "TaskbarColor=#ffff00", true},
    };
    for (const auto &theme : themes) {
        QTest::newRow(theme.name) << QByteArray(theme.settings) << theme.light;
    }
}

// A temporary home, data directories and search path of their own for tests that read the
// desktop theme's files or give the pop-ups files to show. Construct it before anything reads
// the environment.
class TestHome
{
public:
    TestHome()
    {
        qputenv("HOME", QFile::encodeName(home()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configPath(QString())));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_root.filePath(QStringLiteral("data"))));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(m_root.filePath(QStringLiteral("sysdata"))));
        qputenv("PATH", QByteArray(QFile::encodeName(bin()) + ':' + qgetenv("PATH")));
        qunsetenv("SUDO_USER");
        qunsetenv("VESK_SESSION_CONFIG_SUFFIX");
        reset();
    }

    // Removes every file written so far.
    void reset()
    {
        for (const QString &dir : {home(), bin(), m_root.filePath(QStringLiteral("data"))}) {
            QDir(dir).removeRecursively();
            QDir().mkpath(dir);
        }
        QDir().mkpath(themesRoot());
    }

    QString home() const
    {
        return m_root.filePath(QStringLiteral("home"));
    }
    // A file or folder @p name in the home directory.
    QString path(const QString &name) const
    {
        return home() + QLatin1Char('/') + name;
    }
    QString bin() const
    {
        return m_root.filePath(QStringLiteral("bin"));
    }
    QString themesRoot() const
    {
        return m_root.filePath(QStringLiteral("data/vesk/themes"));
    }
    QString settingsPath() const
    {
        return home() + QStringLiteral("/.vesk/theme/current.themerc");
    }
    QString palettePath() const
    {
        return home() + QStringLiteral("/.vesk/paletterc");
    }
    QString imagePath(const QString &decorTheme) const
    {
        return themesRoot() + QLatin1Char('/') + decorTheme + QStringLiteral("/taskbar/taskbarbg.xpm");
    }

    // A file @p name of the configuration folder, where KConfig looks for it.
    QString configPath(const QString &name) const
    {
        return home() + QStringLiteral("/.config/") + name;
    }

    // Writes in place, into the file as it is.
    static bool write(const QString &path, const QByteArray &content)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
    }

    // Saves the way KConfig and most editors do: a new file renamed over the old one.
    static bool replace(const QString &path, const QByteArray &content)
    {
        const QString written = path + QStringLiteral(".new");
        return write(written, content) && std::rename(QFile::encodeName(written).constData(), QFile::encodeName(path).constData()) == 0;
    }

    bool writeSettings(const QByteArray &content) const
    {
        return write(settingsPath(), content);
    }
    // The theme settings with the given compositing switch and taskbar colour, rewritten in
    // place, so that the theme watcher keeps watching the same file.
    bool writeTheme(bool useComposite, const QString &taskbarColor = QString()) const
    {
        QByteArray content = "[Variables]\nUseComposite=" + QByteArray(useComposite ? "true" : "false") + '\n';
        if (!taskbarColor.isEmpty()) {
            content += "TaskbarColor=" + taskbarColor.toLatin1() + '\n';
        }
        return writeSettings(content);
    }
    bool writePalette(const QByteArray &content) const
    {
        return write(palettePath(), content);
    }

    // A taskbar picture whose top-left pixel is @p topLeft and every other pixel something else.
    bool writeImage(const QString &decorTheme, const QColor &topLeft, const char *format = "XPM") const
    {
        QImage image(4, 2, QImage::Format_ARGB32);
        image.fill(QColor(0x99, 0x11, 0x11));
        image.setPixelColor(0, 0, topLeft);
        QDir().mkpath(QFileInfo(imagePath(decorTheme)).absolutePath());
        return image.save(imagePath(decorTheme), format);
    }

    // Puts a "qmx-id" with the given shell script body first on the search path.
    bool writeQmxId(const QByteArray &body) const
    {
        const QString path = bin() + QStringLiteral("/qmx-id");
        return write(path, "#!/bin/sh\n" + body + '\n') && QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

private:
    QTemporaryDir m_root;
};
