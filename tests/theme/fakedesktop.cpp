// SPDX-License-Identifier: GPL-2.0-or-later
#include "fakedesktop.h"

#include "micdetect.h"
#include "veskintegration.h"

#include <QColor>

namespace FakeDesktop
{
std::string textColorAnswer;
std::string lastTextColorQuestion;
int textColorCalls = 0;
bool maxMic = false;
}

std::string GetPrimaryDarkColor(const std::string &primaryColor, bool)
{
    return primaryColor;
}

std::string textColorFor(const std::string &backgroundColor)
{
    ++FakeDesktop::textColorCalls;
    FakeDesktop::lastTextColorQuestion = backgroundColor;
    if (!FakeDesktop::textColorAnswer.empty()) {
        return FakeDesktop::textColorAnswer;
    }
    return QColor(QString::fromStdString(backgroundColor)).lightness() < 128 ? "#FFFFFF" : "#000000";
}

bool MICDetect::isCurrentProcessHasMaxMIC()
{
    return FakeDesktop::maxMic;
}
