// SPDX-License-Identifier: GPL-2.0-or-later
#include "imagelimits.h"

namespace ImageLimits
{
bool isDecodable(const QSize &size)
{
    return size.isValid() && !size.isEmpty() && size.width() <= maxSide && size.height() <= maxSide && qint64(size.width()) * size.height() <= maxPixels;
}

QSize fittedInto(const QSize &size, const QSize &bound)
{
    if (!bound.isValid() || (size.width() <= bound.width() && size.height() <= bound.height())) {
        return size;
    }
    // A very long, thin image would otherwise scale to a zero side, which gives no image at all.
    return size.scaled(bound, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}
}
