// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <Qt>

/**
 * The writing direction of the language that a translation domain's texts are shown in: that of
 * the first of the user's languages with a catalogue of the domain (as KI18n picks it), left to
 * right for English, which needs none. Set as the application's layout direction, it mirrors the
 * pop-ups for Arabic and Hebrew as Qt mirrors any right-to-left interface.
 */
Qt::LayoutDirection translationsLayoutDirection(const QByteArray &domain);
