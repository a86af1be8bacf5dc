// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "popuplist.h"

#include <QList>
#include <QPointer>
#include <QScreen>
#include <QString>

/// How a text is shown: the style's own look, or a caller's. A style without one of the
/// options ignores it.
struct PopupTextLook {
    /// An image file named as the icon is shown at its own size.
    bool customImage = false;
    bool noBackground = false;
    /// A colour name for the window's background; empty: the theme's.
    QString backgroundColor;
    /// One of the nine position words; empty or any other word: where the settings place every
    /// pop-up.
    QString position;
    /// Empty and 0: the style's own font.
    QString fontFamily;
    int fontPointSize = 0;
};

/**
 * Everything one pop-up shows, handed to the window in one piece: a value drawn against its
 * maximum, or a text (drawn as rows where it lists names and their values); the icon; the
 * look; and the screen it belongs on.
 */
struct PopupContent {
    enum class Kind {
        Progress,
        Text,
    };

    Kind kind = Kind::Text;
    /// A progress value, kept to 0..maximum.
    int value = 0;
    int maximum = 100;
    QString icon;
    /// What a text pop-up shows; a progress pop-up shows none.
    QString text;
    /// The rows a text is drawn as, where it lists names and their values.
    QList<PopupListRow> rows;
    /// A progress pop-up shows the ordinary look in the font a text was last shown in.
    PopupTextLook look;
    /// The screen the pop-up belongs on (that of the display whose brightness changed); null:
    /// where the settings say.
    QPointer<QScreen> screen;
    /// A display's brightness, alone or in the list of several displays; any other pop-up
    /// starts that list anew.
    bool displayBrightness = false;
    /// A caller's custom text, placed for the screen it is on: hidden when that screen changes.
    bool customText = false;

    /// A value drawn against @p maximum, kept to 0..@p maximum.
    static PopupContent progress(const QString &icon, int value, int maximum = 100)
    {
        PopupContent content;
        content.kind = Kind::Progress;
        content.maximum = maximum;
        content.value = qBound(0, value, maximum);
        content.icon = icon;
        return content;
    }

    static PopupContent textOf(const QString &icon, const QString &text, const PopupTextLook &look = {})
    {
        PopupContent content;
        content.icon = icon;
        content.text = text;
        content.look = look;
        return content;
    }
};
