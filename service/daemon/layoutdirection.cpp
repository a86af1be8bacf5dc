// SPDX-License-Identifier: GPL-2.0-or-later
#include "layoutdirection.h"

#include <KLocalizedString>
#include <QLocale>
#include <QSet>

Qt::LayoutDirection translationsLayoutDirection(const QByteArray &domain)
{
    const QSet<QString> translated = KLocalizedString::availableDomainTranslations(domain);
    for (const QString &language : KLocalizedString::languages()) {
        if (language == QLatin1String("C") || language.startsWith(QLatin1String("en"))) {
            break;
        }
        if (translated.contains(language)) {
            return QLocale(language).textDirection();
        }
    }
    return Qt::LeftToRight;
}
