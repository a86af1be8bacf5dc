// SPDX-License-Identifier: GPL-2.0-or-later
#include "popupstyle.h"

#include "osdwidget.h"
#include "popupannouncer.h"
#include "roundedosdwidget.h"

// Screen readers are told of each window of a style as of a notification; that is settled
// before the first window of the style is made.
static const PopupStyle roundedStyle{
    [](OsdConfig *config) -> std::unique_ptr<PopupWidget> {
        PopupAnnouncer::exposeAsNotification(RoundedOsdWidget::staticMetaObject);
        return std::make_unique<RoundedOsdWidget>(config, nullptr);
    },
    &RoundedOsdWidget::preloadIcon,
    &RoundedOsdWidget::preloadFonts,
};

static const PopupStyle standardStyle{
    [](OsdConfig *config) -> std::unique_ptr<PopupWidget> {
        PopupAnnouncer::exposeAsNotification(OsdWidget::staticMetaObject);
        return std::make_unique<OsdWidget>(config);
    },
    &OsdWidget::preloadIcon,
    &OsdWidget::preloadFonts,
};

const PopupStyle &PopupStyle::of(bool rounded)
{
    return rounded ? roundedStyle : standardStyle;
}
