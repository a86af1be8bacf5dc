// SPDX-License-Identifier: GPL-2.0-or-later
#include "intakebounds.h"

namespace
{

// The first @p length code units of @p text, one fewer where the last would split a pair.
QString leftWhole(QStringView text, int length)
{
    if (length < text.size() && length > 0 && text.at(length - 1).isHighSurrogate() && text.at(length).isLowSurrogate()) {
        --length;
    }
    return text.left(length).toString();
}

bool isLineBreak(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

} // namespace

namespace IntakeBounds
{

QString text(const QString &text)
{
    if (text.size() <= maxTextLength) {
        return text;
    }
    // A view: a text of 100 MiB is not copied once more only to drop its blanks.
    const QStringView trimmed = QStringView(text).trimmed();
    if (trimmed.size() <= maxTextLength) {
        return trimmed.toString();
    }
    // Room for the line breaks and the last character (two code units at most) that follow.
    QString bounded = leftWhole(trimmed, maxTextLength - maxHiddenLineBreaks - 2);
    // A "\r" at the end would pair with the first "\n" added: it is counted with the rest.
    while (bounded.endsWith(QLatin1Char('\r'))) {
        bounded.chop(1);
    }
    int breaks = 0;
    for (int i = bounded.size(); i < trimmed.size() && breaks < maxHiddenLineBreaks; ++i) {
        const QChar c = trimmed.at(i);
        if (!isLineBreak(c)) {
            continue;
        }
        if (c == QLatin1Char('\r') && i + 1 < trimmed.size() && trimmed.at(i + 1) == QLatin1Char('\n')) {
            ++i;
        }
        bounded += QLatin1Char('\n');
        ++breaks;
    }
    // The text's last character is not blank, so trimming it again keeps every line break.
    const int last = trimmed.back().isLowSurrogate() ? 2 : 1;
    bounded.append(trimmed.right(last).data(), last);
    return bounded;
}

QString name(const QString &name)
{
    return name.size() <= maxNameLength ? name : leftWhole(name, maxNameLength);
}

QString word(const QString &word)
{
    return word.size() <= maxNameLength ? word : leftWhole(QStringView(word).trimmed(), maxNameLength);
}

} // namespace IntakeBounds
