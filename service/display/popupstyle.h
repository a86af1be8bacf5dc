// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

#include <memory>

class OsdConfig;
class PopupWidget;

/// What the service needs of a pop-up style: its window, and what the first pop-up in it loads.
struct PopupStyle {
    /// A new window of the style, reading @p config, which it does not own.
    std::unique_ptr<PopupWidget> (*makeWindow)(OsdConfig *config);
    /// Renders the named icon as the style first shows it.
    void (*preloadIcon)(const QString &name);
    /// Loads the fonts the style's pop-ups show.
    void (*preloadFonts)();

    /// The rounded style, or the standard one.
    static const PopupStyle &of(bool rounded);
};
