// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QIconEngine>
#include <QPixmap>

#include <memory>

class QSvgRenderer;

/**
 * Icon engine for an SVG document that has passed SvgSafetyCheck.
 *
 * It draws like Qt's own SVG icon engine (the document's default size scaled to the requested
 * size, aspect ratio kept, up or down), but from a document already read and checked in
 * memory instead of a file that is reopened at each drawing, and never beyond the image
 * limits.
 *
 * A parsed document holds far more than its drawing (its tree, and the outlines that drawing
 * leaves cached in its paths), and an icon is drawn again only at a new size: the document is
 * parsed for the first drawing and dropped after each, and only the drawing is kept.
 */
class BoundedSvgIconEngine : public QIconEngine
{
public:
    /// An icon drawn from @p document, or a null icon when QtSvg cannot read it.
    /// The caller must have checked the document with SvgSafetyCheck.
    static QIcon icon(const QByteArray &document);

    ~BoundedSvgIconEngine() override;

    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine *clone() const override;
    QString key() const override;
    void virtual_hook(int id, void *data) override;

private:
    explicit BoundedSvgIconEngine(const QByteArray &document);

    QByteArray document;
    QSize defaultSize;
    // Parsed when the engine is made, for the first drawing; null after a drawing.
    std::unique_ptr<QSvgRenderer> renderer;
    // The last drawing, since the pop-ups ask for the same size again on every relayout.
    QPixmap cached;
    QIcon::Mode cachedMode = QIcon::Normal;
    QIcon::State cachedState = QIcon::Off;
};
