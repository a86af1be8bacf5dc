// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "popupwidget.h"

#include <QIcon>
#include <memory>

class OsdConfig;
class OsdWidgetPrivate;

/**
 * The pop-up window of the standard style: in one row an icon, then either a flat progress
 * bar with the value in percent, a self-sizing text or a list of names and values, in the
 * desktop theme's colours.
 *
 * Of a text look it takes the custom image mode and the font; it has no other background, and
 * its place comes from the settings alone. Its properties and slots ("visible", "osdValue", "icon", "showingProgress";
 * "updateIcon", "updateProgressBar", "updateText") keep their names: they are its interface on
 * the meta-object. While shown it sizes itself to its content and sits centred near the bottom
 * of its screen's available area, or where the "Position" and "Margin" settings put it,
 * following that screen.
 */
class OsdWidget : public PopupWidget
{
    Q_OBJECT

public:
    /// @p config gives the window opacity, the display time and the screen; it is not owned
    /// and may be null (fully opaque, on the primary screen).
    explicit OsdWidget(OsdConfig *config);
    ~OsdWidget() override;

    /// Loads the window's and the text's fonts, without a window, so that the first pop-up
    /// does not wait for them.
    static void preloadFonts();
    /// Looks @p name up in the icon theme and loads the icon, as the icon label will.
    static void preloadIcon(const QString &name);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void updatePositionOnScreen() override;
    void onScreenMetricsChanged() override;
    void onCurrentThemeChanged() override;
    void onTextFontChanged() override;
    void onCustomImageModeChanged() override;
    void onContentChanged(ContentParts changed) override;

private Q_SLOTS:
    void updateIcon() const;
    void updateProgressBar() const;
    void updateText() const;
    void updateSizes();

private:
    void init();
    void setupStyle();
    void showIcon(const QIcon &icon) const;

    std::unique_ptr<OsdWidgetPrivate> const d;
};
