// SPDX-License-Identifier: GPL-2.0-or-later
#include "fontconfigpreload.h"

#include <fontconfig/fontconfig.h>

static FontConfigPreload *running = nullptr;

FontConfigPreload::FontConfigPreload()
    : thread([] {
        FcInit();
    })
{
    running = this;
}

FontConfigPreload::~FontConfigPreload()
{
    await();
    running = nullptr;
}

void FontConfigPreload::await()
{
    if (running && running->thread.joinable()) {
        running->thread.join();
    }
}
