// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QWidget>
#include <memory>

class QPainter;
class RoundedLabelPrivate;

/**
 * The round badge of the rounded pop-up: a disc in the palette's Window colour with an icon
 * (or a custom image) and, below it, an optional short text.
 *
 * Icons whose dominant colour is near black or near white are treated as monochrome line art
 * and recoloured to the palette's WindowText colour, so that they follow the theme; coloured
 * icons are shown as they are. A custom image given with setPixmap() replaces the icon and is
 * clipped to a circle unless clipping is switched off.
 */
class RoundedLabel : public QWidget
{
    Q_OBJECT
public:
    explicit RoundedLabel(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~RoundedLabel() override;

    QIcon icon() const;
    void setIcon(const QIcon &icon);

    /// A non-null pixmap switches the badge to showing it; a null one switches back to the icon.
    void setPixmap(const QPixmap &pixmap);

    /// Size of the icon area. A size with a negative side lets the layout size the area, with a
    /// minimum of 24x24.
    QSize standartIconSize() const;
    void setStandartIconSize(const QSize &size);

    void setCustomPixmapClipEnabled(bool enabled);
    void setRoundedBackgroundVisible(bool visible);

    bool isIconVisible() const;
    void setIconVisible(bool visible);

    bool isPercentageVisible() const;
    void setPercentageVisible(bool visible);

    QString percentageText() const;
    void setPercentageText(const QString &text);

protected:
    bool event(QEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

    void drawRoundedBackground(QPainter *painter);
    void updateIcon();
    void updateFont();

private:
    void init();

    std::unique_ptr<RoundedLabelPrivate> const d;
};
