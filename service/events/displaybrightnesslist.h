// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "popuplist.h"

#include <QPointer>
#include <QScreen>
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
    /// At most this many displays are listed; the one changed longest ago gives way to a new one.
    static constexpr int maxDisplays = 16;
    /// UTF-16 code units kept of a display's name: far more than any monitor's name, few enough
    /// to lay out at once.
    static constexpr int maxLabelLength = 200;
    /// Characters of a name that the pop-up shows, so that each display keeps to one line of
    /// a pop-up of a sensible width; a longer name ends in an ellipsis.
    static constexpr int maxShownLabelLength = 48;

    /// Records @p percent (kept to 0..100) for display @p id, shown on @p screen (null: none
    /// known); an empty @p label names the display by its identifier, or failing that by its
    /// place in the list.
    void update(const QString &id, const QString &label, int percent, int priority, QScreen *screen);
    void clear();
    int count() const;
    /// The screen of every listed display; null when they are on several or any on none.
    QScreen *commonScreen() const;
    /// One line per display, "label: percent %" as translated; each name is set apart in its
    /// own writing direction, so that it cannot turn the rest of its line around.
    QString text() const;
    /// The same displays as rows of a name and a value, in the same order; the display changed
    /// last is marked.
    QList<PopupListRow> rows() const;
    /// The name under which @p label is listed: on one line, without runs of blanks, cut to
    /// maxLabelLength with an ellipsis.
    static QString listedLabel(const QString &label);
    /// @p name cut to maxShownLabelLength characters (as a reader counts them: a letter with its
    /// accents is one), with an ellipsis where it was cut.
    static QString shownLabel(const QString &name);
    /// @p name between a first-strong isolate and its end, its own isolates balanced so that
    /// none of them reaches beyond it.
    static QString isolated(const QString &name);

private:
    struct Display {
        QString id;
        QString label;
        int percent;
        int priority;
        QPointer<QScreen> screen;
        quint64 changed;
    };
    struct Shown {
        const Display *display;
        /// The name as shown, without isolates.
        QString name;
    };
    /// The displays in the order they are listed, with the names they are listed under.
    std::vector<Shown> shown() const;
    std::vector<Display> displays;
    quint64 changes = 0;
};
