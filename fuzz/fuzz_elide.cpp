// SPDX-License-Identifier: GPL-2.0-or-later
// Cutting a text to a height: random texts in every format, random postfixes, widths and
// target heights, including negative and huge ones.

#include "elidedhtmltextdocument.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Never destroyed: the process ends while the fuzzer runs, and Qt's teardown at exit only
    // adds noise to the leak check.
    new QGuiApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    const Qt::TextFormat format = provider.PickValueInArray({Qt::PlainText, Qt::RichText, Qt::AutoText, Qt::MarkdownText});
    const int height = provider.ConsumeBool() ? provider.ConsumeIntegral<int>() : provider.ConsumeIntegralInRange(-10, 400);
    const int width = provider.ConsumeIntegralInRange(1, 1000);
    const std::string postfix = provider.ConsumeRandomLengthString(32);
    const std::string text = provider.ConsumeRemainingBytesAsString();

    QTextDocument document;
    document.setTextWidth(width);
    ElidedHtmlTextDocument::updateElideText(&document, QString::fromStdString(text), QString::fromStdString(postfix), height, format);
    return 0;
}
