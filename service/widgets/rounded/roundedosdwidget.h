// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QVariant>

#include "roundedwindow.h"

class OsdConfig;
class QScreen;
class RoundedOsdWidgetPrivate;

/**
 * The pop-up window of the rounded style: a round icon badge, optionally inside a ring progress
 * bar with the value in the badge, or a line of text below the badge.
 *
 * The service drives it by property and slot names ("osdValue", "icon", "showingProgress",
 * "reloadIcon", "updateProgress", "updateText"), so the order and names of the meta-object's
 * members are part of its interface.
 *
 * It places itself at one of nine positions of the primary screen's available area while it
 * is visible, follows the desktop theme and the compositor, and is translucent only when the
 * theme asks for it and a compositor runs; otherwise it paints an opaque background, cut to
 * rounded corners by a window mask where that is wanted. It never takes the keyboard focus:
 * it is shown and re-raised above other windows without being activated.
 */
class RoundedOsdWidget : public RoundedWindow
{
    Q_OBJECT
    Q_PROPERTY(int timeout READ timeout WRITE setTimeout NOTIFY timeoutChanged)
    Q_PROPERTY(QVariant osdValue READ osdValue WRITE setOsdValue NOTIFY osdValueChanged)
    Q_PROPERTY(int osdMaxValue READ osdMaxValue WRITE setOsdMaxValue NOTIFY osdMaxValueChanged)
    Q_PROPERTY(QString icon READ icon WRITE setIcon NOTIFY iconChanged)
    Q_PROPERTY(bool showingProgress READ showingProgress WRITE setShowingProgress NOTIFY showingProgressChanged)

public:
    enum OsdPosition {
        North = 0,
        Center,
        NorthWest,
        NorthEast,
        West,
        East,
        SouthWest,
        South,
        SouthEast,
    };

    /// @p parent only owns the window; the window itself is always top-level.
    RoundedOsdWidget(OsdConfig *config, QObject *parent);
    ~RoundedOsdWidget() override;

    int timeout() const;
    QVariant osdValue() const;
    int osdMaxValue() const;
    QString icon() const;
    bool showingProgress() const;

    /// The screen the window places itself on; null stops following any screen.
    void setScreen(QScreen *screen);
    bool isScreenWatching() const;

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

Q_SIGNALS:
    void timeoutChanged(int timeout);
    void osdValueChanged(QVariant osdValue);
    void osdMaxValueChanged(int osdMaxValue);
    void iconChanged(QString icon);
    void showingProgressChanged(bool showingProgress);

public Q_SLOTS:
    void setVisible(bool visible) override;
    void setTimeout(int timeout);
    void setOsdValue(QVariant osdValue);
    void setOsdMaxValue(int osdMaxValue);
    void setIcon(QString icon);
    void setShowingProgress(bool showingProgress);
    void setTextFontFamily(QString family);
    void setTextFontPointSize(int pointSize);
    void setNoBackgroundMode(bool enabled);
    bool noBackgroundMode();
    /// A name QColor does not accept clears the custom colour.
    void setCustomBackgroundColor(QString color);
    /// Shows image files at their own size, up to a sixth of the screen, instead of as icons.
    void setCustomImageMode(bool enabled);
    bool customImageMode();
    /// One of the nine position words in any case; anything else means "north".
    void setOsdPosition(QString position);

protected:
    bool event(QEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private Q_SLOTS:
    void reloadIcon();
    void updateProgress();
    void updateText();
    void onScreenMetricsChanged();
    void setScreenWatching(bool isWatching);
    void updatePositionOnScreen();
    void onCurrentThemeChanged();
    void onCompositingChange(bool active);
    void updateFont() const;

private:
    void init(OsdConfig *config);
    /// A sixth of the screen's available area: the largest a custom image is shown.
    QSize customImageLimit() const;
    void showCustomImage(const QPixmap &image);
    void updateBadgeVisibility() const;

    RoundedOsdWidgetPrivate *d;
};
