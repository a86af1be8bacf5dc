// SPDX-License-Identifier: GPL-2.0-or-later
#include "layoutdirection.h"

#include <KLocalizedString>
#include <QLocale>
#include <QSet>

#include <optional>

Qt::LayoutDirection translationsLayoutDirection(const QByteArray &domain)
{
    // Listing the installed translations looks into every language's folder: only done once a
    // language ahead of English asks for it, which an English or C session never does.
    std::optional<QSet<QString>> translated;
    for (const QString &language : KLocalizedString::languages()) {
        if (language == QLatin1String("C") || language.startsWith(QLatin1String("en"))) {
            break;
        }
        if (!translated) {
            translated = KLocalizedString::availableDomainTranslations(domain);
        }
        if (translated->contains(language)) {
            return QLocale(language).textDirection();
        }
    }
    return Qt::LeftToRight;
}
