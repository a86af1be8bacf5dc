// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// Test doubles of the desktop's colour and integrity libraries, steered by the test.
namespace FakeDesktop
{
// What textColorFor() answers; when empty it answers by lightness like the real library.
extern std::string textColorAnswer;
extern std::string lastTextColorQuestion;
extern int textColorCalls;
extern bool maxMic;
}
