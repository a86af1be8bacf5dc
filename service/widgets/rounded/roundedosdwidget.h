// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "roundedwindow.h"

#include <memory>

class OsdConfig;
class QPixmap;
class RoundedOsdWidgetPrivate;

/**
 * The pop-up window of the rounded style: a round icon badge, optionally inside a ring progress
 * bar with the value in the badge, or a line of text or a list of names and values below the
 * badge.
 *
 * Of a text look it takes every option: the custom image mode, no background, the background
 * colour, the font and the position. Its properties and slots ("osdValue", "icon",
 * "showingProgress", "reloadIcon", "updateProgress", "updateText") keep their names: they are
 * its interface on the meta-object.
 *
 * It places itself at one of nine positions of its screen's available area while it is
 * visible (the top centre unless a custom text or the "Position" setting names another), follows the desktop theme and the compositor, and is translucent only
 * when the theme asks for it and a compositor runs; otherwise it paints an opaque background, cut to rounded corners by a window mask where that is wanted.
 */
class RoundedOsdWidget : public RoundedWindow
{
    Q_OBJECT

public:
    /// @p parent only owns the window; the window itself is always top-level.
    RoundedOsdWidget(OsdConfig *config, QObject *parent);
    ~RoundedOsdWidget() override;

    void updateFlatWidget() const;
    void setupStyle();

    /// Decides between translucent and opaque painting and whether the rounded mask is used.
    void updateCompositingState();
    /// Switches to opaque painting at once and keeps it until the compositor reports back.
    void updateStateBeforeSleep();

    /// Loads the fonts of the badge's number and of the text, without a window, so that the
    /// first pop-up does not wait for them.
    static void preloadFonts();
    /// Looks @p name up as the badge would, and renders the icon at the badge's icon size.
    static void preloadIcon(const QString &name);

public Q_SLOTS:
    void setNoBackgroundMode(bool enabled);
    bool noBackgroundMode();
    /// A name QColor does not accept clears the custom colour.
    void setCustomBackgroundColor(QString color);
    /// One of the nine position words in any case; anything else leaves the place to the
    /// "Position" setting, and without one to the top centre.
    void setOsdPosition(QString position);

protected:
    bool event(QEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void updatePositionOnScreen() override;
    void onScreenMetricsChanged() override;
    void onCurrentThemeChanged() override;
    void onTextFontChanged() override;
    void onCustomImageModeChanged() override;
    void setTextLook(const PopupTextLook &look) override;
    void onContentChanged(ContentParts changed) override;
    void onShown() override;

private Q_SLOTS:
    void reloadIcon();
    void updateProgress();
    void updateText();
    void onCompositingChange(bool active);
    void updateFont() const;

private:
    void init();
    /// Sets the painting and the mask that updateCompositingState() decides on; true when any
    /// of them changed.
    bool applyCompositingState();
    void showCustomImage(const QPixmap &image);
    void updateBadgeVisibility() const;

    std::unique_ptr<RoundedOsdWidgetPrivate> const d;
};
