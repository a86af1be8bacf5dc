// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "popupcontent.h"
#include "popupicon.h"
#include "popuplist.h"
#include "popupposition.h"

#include <QFrame>
#include <QVariant>
#include <memory>

class OsdConfig;
class PopupSurface;
class PopupWidgetPrivate;
class QScreen;
class VeskColorTheme;

/**
 * What the pop-up windows of both styles share: the typed calls the service drives them by,
 * showing and hiding, the screen the window places itself on, its window-system surface, its
 * frame pacing, and the desktop theme as it stands.
 *
 * The service hands the pop-up everything it shows at once (setContent()): the value, its
 * maximum, the icon, progress or text, and one text look that each style applies as far as it
 * has the options; the window is laid out and placed once for it. What is shown is also read
 * and written as the Qt properties ("timeout", "osdValue", "osdMaxValue", "icon",
 * "showingProgress") with change signals named after them; a setter that changes a value
 * emits its signal, has the style show it, and places the window again.
 * While shown, the window follows the screen that the "Screen" setting chooses when it is shown,
 * and takes a new place as soon as the "Position" or "Margin" setting changes.
 * It never takes the keyboard focus: it is shown and re-raised without being activated.
 *
 * The colour theme and the theme's compositing switch are read from the theme files when the
 * window is made and again when those files, or the application's palette, change; painting and
 * styling use what was read, so that a stream of values never reaches the file system. With
 * the colours the icon theme's variant follows, so that monochrome icons stand out on the
 * background (see IconThemeVariant).
 */
class PopupWidget : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(int timeout READ timeout WRITE setTimeout NOTIFY timeoutChanged)
    Q_PROPERTY(QVariant osdValue READ osdValue WRITE setOsdValue NOTIFY osdValueChanged)
    Q_PROPERTY(int osdMaxValue READ osdMaxValue WRITE setOsdMaxValue NOTIFY osdMaxValueChanged)
    Q_PROPERTY(QString icon READ icon WRITE setIcon NOTIFY iconChanged)
    Q_PROPERTY(bool showingProgress READ showingProgress WRITE setShowingProgress NOTIFY showingProgressChanged)

public:
    /// The parts of what is shown; each style redraws the ones that changed.
    enum class ContentPart {
        Icon = 0x1,
        Value = 0x2,
        Maximum = 0x4,
        Progress = 0x8,
        Rows = 0x10,
        All = 0x1f,
    };
    Q_DECLARE_FLAGS(ContentParts, ContentPart)

    ~PopupWidget() override;

    int timeout() const;
    QVariant osdValue() const;
    int osdMaxValue() const;
    QString icon() const;
    bool showingProgress() const;
    bool customImageMode() const;
    QString textFontFamily() const;
    int textFontPointSize() const;
    /// The rows a text is drawn as, where it lists names and their values; empty: the text
    /// itself is drawn.
    QList<PopupListRow> listRows() const;

    /// Shows @p content: one layout and one placement of the window. A text is shown anew even
    /// when it is unchanged, since an image file it names may have changed.
    void setContent(const PopupContent &content);

    /// Sets the value to 0, as a hidden window keeps it. The style shows that only when the
    /// window is shown again: the next pop-up brings a value of its own, and redrawing a
    /// hidden window for one it never shows costs a text layout per pop-up.
    void resetValue();
    /// True while a screen is followed, that is while the window is shown.
    bool isScreenWatching() const;
    /// Follows @p screen (null: none) and, as long as any is followed, the primary screen.
    void setScreen(QScreen *screen);
    /// The screen that what is shown belongs on (the display whose brightness changed), in
    /// place of the one the "Screen" setting chooses; null: the setting's. A shown window is
    /// shown anew on the screen a change asks for.
    void setRequestedScreen(QScreen *screen);
    QScreen *requestedScreen() const;

Q_SIGNALS:
    void timeoutChanged(int timeout);
    void osdValueChanged(const QVariant &osdValue);
    void osdMaxValueChanged(int osdMaxValue);
    void iconChanged(const QString &icon);
    void showingProgressChanged(bool showingProgress);
    void listRowsChanged();
    /// While the window is shown, it is placed on another screen, or the geometry, available
    /// area or resolution of its screen changed. A move to the output the compositor chose for
    /// it is no such change.
    void placementScreenChanged();

public Q_SLOTS:
    void setVisible(bool visible) override;
    void setTimeout(int timeout);
    void setOsdValue(const QVariant &osdValue);
    void setOsdMaxValue(int osdMaxValue);
    void setIcon(const QString &icon);
    void setShowingProgress(bool showingProgress);
    /// Set before the text that the rows stand for.
    void setListRows(const QList<PopupListRow> &rows);
    void setTextFontFamily(const QString &family);
    void setTextFontPointSize(int pointSize);
    /// In custom image mode an image file is shown at its own size, at most a sixth of the
    /// screen's available width and height, instead of as an icon.
    void setCustomImageMode(bool enabled);

protected:
    /// @p config gives the opacity, the display time and the screen choice; it is not owned and
    /// may be null. @p owner only owns the window: the window itself is always top-level.
    PopupWidget(OsdConfig *config, QObject *owner);

    PopupSurface *surface() const;
    /// The colour theme of the desktop theme as last read.
    const VeskColorTheme &colorTheme() const;
    /// Whether the desktop theme asks for translucent, composited windows, as last read.
    bool themeUsesComposite() const;
    /// The "Position" and "Margin" settings as they stand; none where unset.
    std::optional<PopupPosition::Position> positionSetting() const;
    std::optional<int> marginSetting() const;
    /// The screen the window follows, or the primary one while it follows none.
    QScreen *placementScreen() const;
    /// A sixth of the available area of placementScreen(): the largest a custom image is shown;
    /// invalid when there is no screen at all.
    QSize customImageLimit() const;
    /// Makes what the icon name shows current, through @p lookup for a named icon; it is read
    /// again only when the name, the custom image mode, the limit, the file or the icon theme
    /// changed.
    const PopupIcon &loadIcon(PopupIcon::NamedIconLookup lookup) const;
    /// What loadIcon() made current last.
    const PopupIcon &loadedIcon() const;

    /// Shows texts with @p look from now on. The window alone takes the custom image mode and
    /// the font.
    virtual void setTextLook(const PopupTextLook &look);
    /// Shows the @p changed parts of what is shown; the window is placed right after.
    virtual void onContentChanged(ContentParts changed);

    // What each style does about a change; the window alone does nothing.
    /// Places the window on the followed screen; does nothing while none is followed.
    virtual void updatePositionOnScreen();
    /// The followed screen's geometry, available area or resolution changed.
    virtual void onScreenMetricsChanged();
    /// The theme files or the palette changed, and the kept theme was read again.
    virtual void onCurrentThemeChanged();
    /// The caller's text font family or size changed.
    virtual void onTextFontChanged();
    virtual void onCustomImageModeChanged();
    /// The window was just shown; the window system is told right after.
    virtual void onShown();

    void changeEvent(QEvent *event) override;

private Q_SLOTS:
    void setScreenWatching(bool isWatching);

private:
    void readTheme();
    /// Has the style show the @p changed parts, and places the window.
    void contentChanged(ContentParts changed);

    std::unique_ptr<PopupWidgetPrivate> const d;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(PopupWidget::ContentParts)
