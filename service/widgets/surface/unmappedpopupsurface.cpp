// SPDX-License-Identifier: GPL-2.0-or-later
#include "unmappedpopupsurface.h"

#include <QWidget>

UnmappedPopupSurface::UnmappedPopupSurface(QWidget *window)
    : PopupSurface(window)
{
    window->setAttribute(Qt::WA_DontShowOnScreen);
}

void UnmappedPopupSurface::moveTo(const QPoint &position)
{
    window->move(position);
}

bool UnmappedPopupSurface::isCompositing() const
{
    return true;
}

bool UnmappedPopupSurface::masksShape() const
{
    return false;
}

void UnmappedPopupSurface::shown()
{
}

void UnmappedPopupSurface::hidden()
{
}
