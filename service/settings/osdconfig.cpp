// SPDX-License-Identifier: GPL-2.0-or-later
#include "osdconfig.h"

#include "osdconfig_debug.h"
#include "settingsfilewatcher.h"

#include <KConfigGroup>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

// The file a configuration object reads and saves.
static QString filePath(const KSharedConfig::Ptr &config)
{
    const QString name = config->name();
    if (QFileInfo(name).isAbsolute()) {
        return name;
    }
    return QDir(QStandardPaths::writableLocation(config->locationType())).filePath(name);
}

OsdConfig::OsdConfig(const KSharedConfig::Ptr &config, QObject *parent, const KSharedConfig::Ptr &plasmaConfig)
    : QObject(parent)
    , config(config)
    , plasmaConfig(plasmaConfig)
    , opacityValue(1.0)
{
    loadSettings();
    for (const KSharedConfig::Ptr &watched : {config, plasmaConfig}) {
        if (!watched) {
            continue;
        }
        if (!watcher) {
            watcher = new SettingsFileWatcher(this);
            connect(watcher, &SettingsFileWatcher::fileChanged, this, &OsdConfig::reload);
        }
        watcher->addFile(filePath(watched));
    }
}

OsdConfig::~OsdConfig() = default;

void OsdConfig::reload()
{
    for (const KSharedConfig::Ptr &watched : {config, plasmaConfig}) {
        if (watched) {
            watched->reparseConfiguration();
        }
    }
    const bool wasStandardStyle = standardStyleValue;
    loadSettings();
    Q_EMIT changed();
    if (standardStyleValue != wasStandardStyle) {
        Q_EMIT standardStyleChanged(standardStyleValue);
    }
}

void OsdConfig::report(const QString &problem)
{
    problems << problem;
    if (!reportedProblems.contains(problem)) {
        qCWarning(OSD_CONFIG, "%s", qUtf8Printable(problem));
    }
}

void OsdConfig::loadSettings()
{
    reportedProblems = problems;
    problems.clear();
    // Read on every change rather than on every request: asking the configuration on each
    // request was a measurable part of handling a volume change.
    bool plasmaEnabled = true;
    layoutPopUpEnabledValue = true;
    if (plasmaConfig) {
        const KConfigGroup plasmaGroup = plasmaConfig->group(QStringLiteral("OSD"));
        plasmaEnabled = plasmaGroup.readEntry("Enabled", true);
        layoutPopUpEnabledValue = plasmaGroup.readEntry("kbdLayoutChangedEnabled", true);
    }
    switchedOff = !plasmaEnabled;
    opacityValue = 1.0;
    standardStyleValue = false;
    screenChoiceValue = ScreenChoice::Primary;
    timeoutValue = defaultTimeoutMs;
    lockKeysValue = defaultLockKeys;
    positionValue.reset();
    marginValue.reset();
    if (!config) {
        return;
    }
    const KConfigGroup group = config->group(QStringLiteral("OSD"));
    opacityValue = group.readEntry("Opacity", 1.0);
    switchedOff = switchedOff || !group.readEntry("Enabled", true);
    standardStyleValue = group.readEntry("UseStandartMode", false);

    const QString screen = group.readEntry("Screen", QStringLiteral("primary"));
    const QString screenWord = screen.toLower();
    if (screenWord == QLatin1String("active")) {
        screenChoiceValue = ScreenChoice::Active;
    } else if (screenWord == QLatin1String("pointer")) {
        screenChoiceValue = ScreenChoice::Pointer;
    } else if (screenWord == QLatin1String("all")) {
        screenChoiceValue = ScreenChoice::All;
    } else {
        screenChoiceValue = ScreenChoice::Primary;
        if (screenWord != QLatin1String("primary")) {
            report(QStringLiteral("Unknown value \"%1\" of Screen in group [OSD] of vesknotifyrc; the pop-ups appear on the primary screen. Known values: "
                                  "primary, active, pointer, all.")
                       .arg(screen));
        }
    }

    const QString lockKeys = group.readEntry("LockKeys", QString());
    if (!lockKeys.isNull()) {
        readLockKeys(lockKeys);
    }

    readTimeout(group);
    readPlacement(group);
}

void OsdConfig::readTimeout(const KConfigGroup &group)
{
    // Read as text: KConfig turns a value that is no number into the default without a word,
    // which would hide a typing error from the user.
    const QString timeout = group.readEntry("Timeout", QString());
    if (timeout.isNull()) {
        return;
    }
    bool isNumber = false;
    const qlonglong requested = timeout.trimmed().toLongLong(&isNumber);
    if (!isNumber) {
        report(QStringLiteral("Timeout=%1 in group [OSD] of vesknotifyrc is no number of milliseconds; the pop-ups stay for %2 ms.")
                   .arg(timeout, QString::number(defaultTimeoutMs)));
        return;
    }
    timeoutValue = int(qBound(qlonglong(shortestTimeoutMs), requested, qlonglong(longestTimeoutMs)));
    if (timeoutValue != requested) {
        report(QStringLiteral("Timeout=%1 in group [OSD] of vesknotifyrc is outside %2..%3 ms; the pop-ups stay for %4 ms.")
                   .arg(timeout, QString::number(shortestTimeoutMs), QString::number(longestTimeoutMs), QString::number(timeoutValue)));
    }
}

// A list of the words caps, num and scroll, in any case and order, or none alone. A list with
// another word is taken as a whole for a typing error: the default holds, not a part of the list.
void OsdConfig::readLockKeys(const QString &value)
{
    if (value.trimmed().compare(QLatin1String("none"), Qt::CaseInsensitive) == 0) {
        lockKeysValue = {};
        return;
    }
    LockKeys keys;
    for (const QString &entry : value.split(QLatin1Char(','))) {
        const QString word = entry.trimmed().toLower();
        if (word == QLatin1String("caps")) {
            keys |= LockKey::Caps;
        } else if (word == QLatin1String("num")) {
            keys |= LockKey::Num;
        } else if (word == QLatin1String("scroll")) {
            keys |= LockKey::Scroll;
        } else {
            report(QStringLiteral("Unknown value \"%1\" of LockKeys in group [OSD] of vesknotifyrc; Caps Lock and Num Lock pop up. Known values: a list "
                                  "of caps, num and scroll, or none.")
                       .arg(value));
            return;
        }
    }
    lockKeysValue = keys;
}

void OsdConfig::readPlacement(const KConfigGroup &group)
{
    const QString position = group.readEntry("Position", QString());
    if (!position.trimmed().isEmpty()) {
        positionValue = PopupPosition::fromWord(position);
        if (!positionValue) {
            report(QStringLiteral("Unknown value \"%1\" of Position in group [OSD] of vesknotifyrc; the pop-ups keep their usual places. Known values: %2.")
                       .arg(position, PopupPosition::words().join(QLatin1String(", "))));
        }
    }

    const QString margin = group.readEntry("Margin", QString());
    if (margin.trimmed().isEmpty()) {
        return;
    }
    bool isNumber = false;
    const int pixels = margin.trimmed().toInt(&isNumber);
    if (!isNumber || pixels < 0) {
        report(QStringLiteral("Margin=%1 in group [OSD] of vesknotifyrc is no number of pixels from 0 up; the pop-ups keep their usual margins.").arg(margin));
        return;
    }
    marginValue = pixels;
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

std::optional<PopupPosition::Position> OsdConfig::position() const
{
    return positionValue;
}

std::optional<int> OsdConfig::margin() const
{
    return marginValue;
}

bool OsdConfig::standardStyle() const
{
    return standardStyleValue;
}

bool OsdConfig::layoutPopUpEnabled() const
{
    return layoutPopUpEnabledValue;
}

LockKeys OsdConfig::lockKeys() const
{
    return lockKeysValue;
}

bool OsdConfig::checkOsdEnabled() const
{
    return switchedOff;
}
