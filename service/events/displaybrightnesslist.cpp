// SPDX-License-Identifier: GPL-2.0-or-later
#include "displaybrightnesslist.h"

#include <KLocalizedString>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace
{
const QChar firstStrongIsolate(0x2068);
const QChar popDirectionalIsolate(0x2069);

bool opensIsolate(QChar c)
{
    // Left-to-right, right-to-left and first-strong isolates.
    return c.unicode() >= 0x2066 && c.unicode() <= 0x2068;
}
}

void DisplayBrightnessList::update(const QString &id, const QString &label, int percent, int priority, QScreen *screen)
{
    const Display display{id, listedLabel(label), qBound(0, percent, 100), priority, screen, ++changes};
    const auto found = std::find_if(displays.begin(), displays.end(), [&id](const Display &listed) {
        return listed.id == id;
    });
    if (found != displays.end()) {
        *found = display;
        return;
    }
    if (int(displays.size()) >= maxDisplays) {
        displays.erase(std::min_element(displays.begin(), displays.end(), [](const Display &a, const Display &b) {
            return a.changed < b.changed;
        }));
    }
    displays.push_back(display);
}

void DisplayBrightnessList::clear()
{
    displays.clear();
}

int DisplayBrightnessList::count() const
{
    return int(displays.size());
}

QScreen *DisplayBrightnessList::commonScreen() const
{
    if (displays.empty()) {
        return nullptr;
    }
    QScreen *screen = displays.front().screen;
    for (const Display &display : displays) {
        if (display.screen != screen) {
            return nullptr;
        }
    }
    return screen;
}

QString DisplayBrightnessList::listedLabel(const QString &label)
{
    // Cut before the blanks are simplified: a name of megabytes is not copied whole first.
    int length = qMin(int(label.size()), maxLabelLength + 1);
    if (length < label.size() && label.at(length - 1).isHighSurrogate()) {
        --length;
    }
    // A line break in a name would make two lines of one display.
    QString listed = QStringView(label).left(length).toString().simplified();
    if (listed.size() > maxLabelLength) {
        listed.truncate(maxLabelLength - (listed.at(maxLabelLength - 1).isHighSurrogate() ? 2 : 1));
        listed.append(QChar(0x2026));
    }
    return listed;
}

QString DisplayBrightnessList::shownLabel(const QString &name)
{
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, name);
    int shown = 0;
    while (characters.toNextBoundary() >= 0) {
        if (++shown == maxShownLabelLength && characters.position() < name.size()) {
            return name.left(characters.position()) + QChar(0x2026);
        }
    }
    return name;
}

QString DisplayBrightnessList::isolated(const QString &name)
{
    QString result;
    result.reserve(name.size() + 2);
    result.append(firstStrongIsolate);
    int open = 0;
    for (const QChar c : name) {
        if (opensIsolate(c)) {
            ++open;
        } else if (c == popDirectionalIsolate) {
            // An end without a start would close ours.
            if (open == 0) {
                continue;
            }
            --open;
        }
        result.append(c);
    }
    // Embeddings and overrides left open end with the isolate around them.
    result.append(QString(open + 1, popDirectionalIsolate));
    return result;
}

std::vector<DisplayBrightnessList::Shown> DisplayBrightnessList::shown() const
{
    std::vector<Shown> ordered;
    for (const Display &display : displays) {
        ordered.push_back({&display, QString()});
    }
    std::stable_sort(ordered.begin(), ordered.end(), [](const Shown &a, const Shown &b) {
        return a.display->priority < b.display->priority;
    });
    for (std::size_t i = 0; i < ordered.size(); ++i) {
        const Display *display = ordered[i].display;
        QString name = display->label.isEmpty() ? listedLabel(display->id) : display->label;
        if (name.isEmpty()) {
            name = ki18ndc("vesk_notify_osd_service", "a display that has no name, %1 is its place in the list of displays", "Display %1")
                       .subs(int(i) + 1)
                       .toString();
        }
        ordered[i].name = shownLabel(name);
    }
    return ordered;
}

QString DisplayBrightnessList::text() const
{
    QStringList lines;
    for (const Shown &shown : this->shown()) {
        lines.append(ki18ndc("vesk_notify_osd_service",
                             "one line of the pop-up that lists the brightness of several displays, %1 is the display's name, %2 its brightness in percent",
                             "%1: %2 %")
                         .subs(isolated(shown.name))
                         .subs(shown.display->percent)
                         .toString());
    }
    return lines.join(QLatin1Char('\n'));
}

QList<PopupListRow> DisplayBrightnessList::rows() const
{
    QList<PopupListRow> rows;
    for (const Shown &shown : this->shown()) {
        const QString value = ki18ndc("vesk_notify_osd_service",
                                      "the brightness of one display in the pop-up that lists several displays, %1 is the brightness in percent",
                                      "%1 %")
                                  .subs(shown.display->percent)
                                  .toString();
        rows.append({shown.name, value, shown.display->changed == changes});
    }
    return rows;
}
