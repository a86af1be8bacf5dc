// SPDX-License-Identifier: GPL-2.0-or-later
#include "osdconfig.h"

#include "osdconfig_debug.h"

#include <KConfigGroup>

OsdConfig::OsdConfig(const KSharedConfig::Ptr &config, QObject *parent)
    : QObject(parent)
    , config(config)
    , opacityValue(1.0)
{
    loadSettings();
}

OsdConfig::~OsdConfig() = default;

void OsdConfig::loadSettings()
{
    if (!config) {
        return;
    }
    const KConfigGroup group = config->group(QStringLiteral("OSD"));
    opacityValue = group.readEntry("Opacity", 1.0);
    // Read once like the others: the object is never re-read, so the answer cannot change, and
    // asking it again on every request was a measurable part of handling a volume change.
    switchedOff = !group.readEntry("Enabled", true);

    const QString screen = group.readEntry("Screen", QStringLiteral("primary"));
    const QString screenWord = screen.toLower();
    if (screenWord == QLatin1String("active")) {
        screenChoiceValue = ScreenChoice::Active;
    } else if (screenWord == QLatin1String("pointer")) {
        screenChoiceValue = ScreenChoice::Pointer;
    } else {
        screenChoiceValue = ScreenChoice::Primary;
        if (screenWord != QLatin1String("primary")) {
            qCWarning(OSD_CONFIG,
                      "Unknown value \"%s\" of Screen in group [OSD] of vesknotifyrc; the pop-ups appear on the primary screen. Known values: "
                      "primary, active, pointer.",
                      qUtf8Printable(screen));
        }
    }

    // Read as text: KConfig turns a value that is no number into the default without a word,
    // which would hide a typing error from the user.
    const QString timeout = group.readEntry("Timeout", QString());
    if (timeout.isNull()) {
        return;
    }
    bool isNumber = false;
    const qlonglong requested = timeout.trimmed().toLongLong(&isNumber);
    if (!isNumber) {
        qCWarning(OSD_CONFIG,
                  "Timeout=%s in group [OSD] of vesknotifyrc is no number of milliseconds; the pop-ups stay for %d ms.",
                  qUtf8Printable(timeout),
                  defaultTimeoutMs);
        return;
    }
    timeoutValue = int(qBound(qlonglong(shortestTimeoutMs), requested, qlonglong(longestTimeoutMs)));
    if (timeoutValue != requested) {
        qCWarning(OSD_CONFIG,
                  "Timeout=%s in group [OSD] of vesknotifyrc is outside %d..%d ms; the pop-ups stay for %d ms.",
                  qUtf8Printable(timeout),
                  shortestTimeoutMs,
                  longestTimeoutMs,
                  timeoutValue);
    }
}

double OsdConfig::opacity() const
{
    return opacityValue;
}

OsdConfig::ScreenChoice OsdConfig::screenChoice() const
{
    return screenChoiceValue;
}

int OsdConfig::timeout() const
{
    return timeoutValue;
}

bool OsdConfig::checkOsdEnabled() const
{
    return switchedOff;
}
