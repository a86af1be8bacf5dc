// SPDX-License-Identifier: GPL-2.0-or-later
#include "displaybrightnesslist.h"

#include <KLocalizedString>

#include <algorithm>

void DisplayBrightnessList::update(const QString &id, const QString &label, int percent, int priority)
{
    const int value = qBound(0, percent, 100);
    const auto found = std::find_if(displays.begin(), displays.end(), [&id](const Display &display) {
        return display.id == id;
    });
    if (found != displays.end()) {
        *found = {id, listedLabel(label), value, priority};
    } else if (int(displays.size()) < maxDisplays) {
        displays.push_back({id, listedLabel(label), value, priority});
    }
}

void DisplayBrightnessList::clear()
{
    displays.clear();
}

int DisplayBrightnessList::count() const
{
    return int(displays.size());
}

QString DisplayBrightnessList::listedLabel(const QString &label)
{
    // A line break in a name would make two lines of one display.
    return label.simplified();
}

QString DisplayBrightnessList::text() const
{
    std::vector<const Display *> ordered;
    for (const Display &display : displays) {
        ordered.push_back(&display);
    }
    std::stable_sort(ordered.begin(), ordered.end(), [](const Display *a, const Display *b) {
        return a->priority < b->priority;
    });
    QStringList lines;
    for (const Display *display : ordered) {
        QString name = display->label.isEmpty() ? listedLabel(display->id) : display->label;
        if (name.isEmpty()) {
            name = ki18ndc("vesk_notify_osd_service", "a display that has no name, %1 is its place in the list of displays", "Display %1")
                       .subs(int(lines.size()) + 1)
                       .toString();
        }
        lines.append(ki18ndc("vesk_notify_osd_service",
                             "one line of the pop-up that lists the brightness of several displays, %1 is the display's name, %2 its brightness in percent",
                             "%1: %2 %")
                         .subs(name)
                         .subs(display->percent)
                         .toString());
    }
    return lines.join(QLatin1Char('\n'));
}
