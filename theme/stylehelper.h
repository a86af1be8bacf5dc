// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPoint>
#include <QRect>

class QPainter;

/**
 * The process-wide base colour of the user interface and the colours derived from it, plus
 * free colour arithmetic and font scaling for the pop-ups.
 *
 * Static members only; the state is shared by every window of the process and lives as long as
 * the process. GUI thread only.
 */
class StyleHelper
{
public:
    StyleHelper() = delete;

    /**
     * Makes @p color the base colour and repaints every top-level widget when it is valid and
     * differs from the current one. Whether the base colour wants dark text is worked out anew
     * on every call, even an unchanged or invalid colour.
     */
    static void setBaseColor(const QColor &color);
    static QColor baseColor();
    /// The colour most recently passed to setBaseColor(), valid or not.
    static QColor requestedBaseColor();

    /// Black on a base colour that wants dark text, white otherwise.
    static QColor panelTextColor();
    static QColor highlightColor();
    static QColor shadowColor();

    /// @p a × @p factor + @p b × (1 − @p factor) per channel, with the alpha of @p a.
    static QColor colorOpacity(const QColor &a, const QColor &b, double factor);
    /**
     * The contrast ratio of two opaque colours as the accessibility guidelines define it, from
     * 1 (the same luminance) to 21 (black and white). Text needs 4.5 to read well.
     */
    static double contrastRatio(const QColor &a, const QColor &b);
    /**
     * @p color with its HSL lightness first held within [@p low, @p high], then raised by
     * @p count steps of @p step and held within [0, 1].
     */
    static QColor colorLigher(const QColor &color, double step, int count, double low, double high);
    /// colorLigher() stepping downwards.
    static QColor colorDarker(const QColor &color, double step, int count, double low, double high);

    /// A copy of @p font, its pixel size (when set) or else its point size multiplied by @p factor.
    static QFont fontScaled(const QFont &font, double factor);

    static int navigationWidgetHeight();
    static QColor buttonTextColor();
    static QColor sidebarHighlight();
    static QColor sidebarShadow();
    static bool usePixmapCache();

    /**
     * Paints @p icon centred in @p rect with a drop shadow of @p color, blurred by @p radius
     * pixels and moved by @p offset. The rendered result is kept in the application's pixmap
     * cache.
     */
    static void
    drawIconWithShadow(const QIcon &icon, const QRect &rect, QPainter *painter, QIcon::Mode mode, int radius, const QColor &color, const QPoint &offset);

private:
    static QColor m_baseColor;
    static QColor m_requestedBaseColor;
    static bool lightColored;
};
