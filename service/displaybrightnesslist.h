// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

#include <vector>

/**
 * The brightness of every display that one brightness key changed, gathered while one pop-up
 * shows them: a key that dims all displays arrives as one call per display, and one pop-up
 * lists them all instead of the last one replacing the others.
 *
 * Displays are told apart by their identifier and listed in the order of their priority (the
 * caller's order of its displays), those of equal priority in the order they came.
 */
class DisplayBrightnessList
{
public:
    /// At most this many displays are listed; further ones are left out of the list.
    static constexpr int maxDisplays = 16;

    /// Records @p percent (kept to 0..100) for display @p id; an empty @p label names the
    /// display by its identifier, or failing that by its place in the list.
    void update(const QString &id, const QString &label, int percent, int priority);
    void clear();
    int count() const;
    /// One line per display, "label: percent %" as translated.
    QString text() const;
    /// The name under which @p label is listed: on one line, without runs of blanks.
    static QString listedLabel(const QString &label);

private:
    struct Display {
        QString id;
        QString label;
        int percent;
        int priority;
    };
    std::vector<Display> displays;
};
