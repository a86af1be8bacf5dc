// SPDX-License-Identifier: GPL-2.0-or-later
#include "veskintegration.h"

#include <QColor>

#include <cmath>

namespace
{
// How much darker the background shade of a primary colour is, as a QColor::darker() factor.
constexpr int PrimaryDarkFactor = 130;

double linearChannel(double channel)
{
    return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

// Relative luminance as the accessibility guidelines define it, 0 for black to 1 for white.
double luminance(const QColor &color)
{
    return 0.2126 * linearChannel(color.redF()) + 0.7152 * linearChannel(color.greenF()) + 0.0722 * linearChannel(color.blueF());
}
}

std::string GetPrimaryDarkColor(const std::string &primaryColor, bool dark)
{
    QColor color(QString::fromStdString(primaryColor));
    if (!color.isValid()) {
        return std::string();
    }
    if (dark) {
        color = color.darker(PrimaryDarkFactor);
    }
    return color.name().toStdString();
}

std::string textColorFor(const std::string &backgroundColor)
{
    // An invalid QColor reads as black, which is what a name that is no colour should count as.
    const double l = luminance(QColor(QString::fromStdString(backgroundColor)));
    const double contrastWithWhite = 1.05 / (l + 0.05);
    const double contrastWithBlack = (l + 0.05) / 0.05;
    return contrastWithWhite >= contrastWithBlack ? std::string("#FFFFFF") : std::string("#000000");
}
