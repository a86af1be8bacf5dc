// SPDX-License-Identifier: GPL-2.0-or-later
#include "osdconfig.h"

#include <KConfigGroup>

static const char osdGroup[] = "OSD";

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
    opacityValue = config->group(osdGroup).readEntry("Opacity", 1.0);
}

double OsdConfig::opacity() const
{
    return opacityValue;
}

bool OsdConfig::checkOsdEnabled() const
{
    if (!config) {
        return false;
    }
    return !config->group(osdGroup).readEntry("Enabled", true);
}
