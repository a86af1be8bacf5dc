// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandlineparser.h"
#include "standardstreams.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    ensureStandardStreams();
    QCoreApplication app(argc, argv);
    return CommandLineParser::processArguments(QCoreApplication::arguments()) ? 0 : 1;
}
