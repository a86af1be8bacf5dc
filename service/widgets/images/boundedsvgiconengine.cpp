// SPDX-License-Identifier: GPL-2.0-or-later
#include "boundedsvgiconengine.h"

#include "imagelimits.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

#include <memory>

QIcon BoundedSvgIconEngine::icon(const QByteArray &document)
{
    std::unique_ptr<BoundedSvgIconEngine> engine(new BoundedSvgIconEngine(document));
    if (!engine->renderer->isValid()) {
        return QIcon();
    }
    // The icon owns its engine.
    return QIcon(engine.release());
}

BoundedSvgIconEngine::BoundedSvgIconEngine(const QByteArray &document)
    : document(document)
    , renderer(new QSvgRenderer(document))
{
    defaultSize = renderer->defaultSize();
}

BoundedSvgIconEngine::~BoundedSvgIconEngine() = default;

QSize BoundedSvgIconEngine::actualSize(const QSize &size, QIcon::Mode, QIcon::State)
{
    QSize actual = defaultSize;
    if (!actual.isNull()) {
        actual.scale(size, Qt::KeepAspectRatio);
    }
    return ImageLimits::isDecodable(actual) ? actual : QSize();
}

QPixmap BoundedSvgIconEngine::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    const QSize actual = actualSize(size, mode, state);
    if (actual.isEmpty()) {
        return QPixmap();
    }
    if (!cached.isNull() && cached.size() == actual && cachedMode == mode && cachedState == state) {
        return cached;
    }
    QImage image(actual, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        return QPixmap();
    }
    if (!renderer) {
        renderer = std::make_unique<QSvgRenderer>(document);
    }
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer->render(&painter);
    painter.end();
    renderer.reset();
    // The painted image keeps its paint engine and that engine's buffers for as long as it
    // lives; the kept drawing is a copy without them.
    QPixmap result = QPixmap::fromImage(image.copy());
    // The disabled and selected looks come from the style, as for every other icon.
    if (mode != QIcon::Normal && mode != QIcon::Active && qobject_cast<QApplication *>(QCoreApplication::instance())) {
        QStyleOption option;
        option.palette = QApplication::palette();
        const QPixmap generated = QApplication::style()->generatedIconPixmap(mode, result, &option);
        if (!generated.isNull()) {
            result = generated;
        }
    }
    cached = result;
    cachedMode = mode;
    cachedState = state;
    return result;
}

void BoundedSvgIconEngine::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state)
{
    QSize size = rect.size();
    if (painter->device()) {
        size *= painter->device()->devicePixelRatioF();
    }
    painter->drawPixmap(rect, pixmap(size, mode, state));
}

QIconEngine *BoundedSvgIconEngine::clone() const
{
    return new BoundedSvgIconEngine(document);
}

QString BoundedSvgIconEngine::key() const
{
    return QStringLiteral("BoundedSvgIconEngine");
}

void BoundedSvgIconEngine::virtual_hook(int id, void *data)
{
    if (id == QIconEngine::IsNullHook) {
        *reinterpret_cast<bool *>(data) = false;
        return;
    }
    QIconEngine::virtual_hook(id, data);
}
