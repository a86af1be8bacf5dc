// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <KSharedConfig>
#include <QObject>

/**
 * The pop-up's user settings, group "OSD" of vesknotifyrc.
 *
 * "Opacity" is read once at construction; "Enabled" is read on every request, but from the
 * configuration object opened at start-up, which is never re-read: edits to the file take
 * effect at the next start of the daemon.
 */
class OsdConfig : public QObject
{
    Q_OBJECT
public:
    OsdConfig(const KSharedConfig::Ptr &config, QObject *parent);
    ~OsdConfig() override;

    void loadSettings();
    double opacity() const;

    /// True when the pop-up is switched OFF ("Enabled" is false). The inverted sense is kept
    /// because OsdService::checkOsdEnabled() relies on it.
    bool checkOsdEnabled() const;

private:
    KSharedConfig::Ptr config;
    double opacityValue;
};
