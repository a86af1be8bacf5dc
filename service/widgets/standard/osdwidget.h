// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QFrame>
#include <QVariant>

class OsdConfig;
class OsdWidgetPrivate;
class QScreen;

/**
 * The pop-up window of the standard style: in one row an icon, then either a flat progress
 * bar with the value in percent or a self-sizing text, in the desktop theme's colours.
 *
 * The service drives it by property and slot names ("visible", "osdValue", "icon",
 * "showingProgress"; "updateIcon", "updateProgressBar", "updateText"), so those names are
 * part of its interface. While shown it sizes itself to its content and sits centred near
 * the bottom of the primary screen's available area, following that screen. It never takes
 * the keyboard focus: it is re-raised above other windows, never activated.
 */
class OsdWidget : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(int timeout READ timeout WRITE setTimeout NOTIFY timeoutChanged)
    Q_PROPERTY(QVariant osdValue READ osdValue WRITE setOsdValue NOTIFY osdValueChanged)
    Q_PROPERTY(int osdMaxValue READ osdMaxValue WRITE setOsdMaxValue NOTIFY osdMaxValueChanged)
    Q_PROPERTY(QString icon READ icon WRITE setIcon NOTIFY iconChanged)
    Q_PROPERTY(bool showingProgress READ showingProgress WRITE setShowingProgress NOTIFY showingProgressChanged)

public:
    /// @p config gives the window opacity; it is not owned and may be null (fully opaque).
    explicit OsdWidget(OsdConfig *config);
    ~OsdWidget() override;

    int timeout() const;
    QVariant osdValue() const;
    int osdMaxValue() const;
    QString icon() const;
    bool showingProgress() const;

    /// True while a screen is followed, that is while the window is shown.
    bool isScreenWatching() const;
    /// Follows @p screen (null: none) and moves onto it.
    void setScreen(QScreen *screen);

    /// Loads the window's and the text's fonts, without a window, so that the first pop-up
    /// does not wait for them.
    static void preloadFonts();
    /// Looks @p name up in the icon theme and loads the icon, as the icon label will.
    static void preloadIcon(const QString &name);

Q_SIGNALS:
    void timeoutChanged(int timeout);
    void osdValueChanged(const QVariant &osdValue);
    void osdMaxValueChanged(int osdMaxValue);
    void iconChanged(const QString &icon);
    void showingProgressChanged(bool showingProgress);

public Q_SLOTS:
    void setVisible(bool visible) override;
    void setTimeout(int timeout);
    void setOsdValue(const QVariant &osdValue);
    void setOsdMaxValue(int osdMaxValue);
    void setIcon(const QString &icon);
    void setShowingProgress(bool showingProgress);
    void setTextFontFamily(const QString &family);
    void setTextFontPointSize(int pointSize);
    /// In custom image mode an image file is shown at its own size, at most a sixth of the
    /// screen's available width and height.
    void setCustomImageMode(bool enabled);
    bool customImageMode() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private Q_SLOTS:
    void updateIcon() const;
    void updateProgressBar() const;
    void updateText() const;
    void onScreenMetricsChanged();
    void setScreenWatching(bool isWatching);
    void updatePositionOnScreen();
    void updateSizes();
    void onCurrentThemeChanged();

private:
    void init(OsdConfig *config);
    void setupStyle();
    void applyTextFont();

    OsdWidgetPrivate *d;
};
