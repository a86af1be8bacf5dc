// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "osdmethod.h"

/**
 * Every text that osd-notify prints. Errors go to standard error and everything else to
 * standard output, so a caller that captures standard error sees the error line alone.
 */

/// Writes @p text and a line end to standard output and flushes.
void printMessage(const QString &text);
/// Writes @p text and a line end to standard error and flushes.
void printError(const QString &text);

/// The synopsis and the one-line description of @p method (two lines, four for the font methods).
void printMethodDescription(MethodType method);
/// The heading and the description of every method, each followed by an empty line.
void printMethodsDescription();
/// The usage text, named after the program as it was started.
void printHelp();
/// Every method name, one per line, without the leading "--".
void printMethodNames();

/// Reports that @p values does not hold @p count values; false, printing nothing, when it does.
bool printMethodArgumentsCountError(MethodType method, int count, const QStringList &values);
/// Reports that the value at zero-based @p index does not convert to @p type; false, printing
/// nothing, when it does convert.
bool printMethodArgumentError(MethodType method, int index, const QString &value, int type);
/// Reports the first fault of a value list that failed checkValues().
void printMethodArgumentsError(MethodType method, const QStringList &values, const QList<int> &types);
