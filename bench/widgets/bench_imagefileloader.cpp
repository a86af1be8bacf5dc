// SPDX-License-Identifier: GPL-2.0-or-later
// Time to load the costliest SVG documents that the drawing budget still accepts, and to
// refuse ones just beyond it, at the largest custom image size (320 x 180 on 1920 x 1080).
// Run on an X display: bench_imagefileloader [repetitions]

#include "imagefileloader.h"
#include "svgsafetycheck.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

namespace
{
const QByteArray header = "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"320\" height=\"180\">";

// @p element, drawn as often as the budget allows through one group of ten and references to it.
QByteArray atBudget(const QByteArray &element, int references)
{
    return header + "<defs><g id=\"g\">" + element.repeated(10) + "</g></defs>" + QByteArray("<use xlink:href=\"#g\"/>").repeated(references) + "</svg>";
}
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int repetitions = argc > 1 ? qMax(1, atoi(argv[1])) : 3;
    QTemporaryDir dir;
    QTextStream out(stdout);

    const QByteArray wideStroke = "<path d=\"M0 0L320 180\" stroke=\"#336699\" stroke-width=\"400\" stroke-opacity=\"0.5\"/>";
    const QByteArray fill = "<rect width=\"320\" height=\"180\" fill=\"#336699\" opacity=\"0.5\"/>";
    // Each reference costs itself and the group's 11 units.
    const int references = int((SvgSafetyCheck::maxCost - 12) / 12);
    const QVector<QPair<QString, QByteArray>> documents = {
        {QStringLiteral("wide translucent strokes at the budget"), atBudget(wideStroke, references)},
        {QStringLiteral("translucent full fills at the budget"), atBudget(fill, references)},
        {QStringLiteral("strokes just beyond the budget"), atBudget(wideStroke, references + 2)},
    };
    for (const auto &document : documents) {
        const QString path = dir.filePath(QStringLiteral("bench.svg"));
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(document.second);
        file.close();
        qint64 best = -1;
        bool drawn = false;
        for (int i = 0; i < repetitions; ++i) {
            // A new name each time, so the loader's cache does not answer.
            const QString copy = dir.filePath(QStringLiteral("bench-%1.svg").arg(i));
            QFile::copy(path, copy);
            QElapsedTimer timer;
            timer.start();
            drawn = !ImageFileLoader::loadPixmap(copy, QSize(320, 180)).isNull();
            const qint64 elapsed = timer.elapsed();
            best = best < 0 ? elapsed : qMin(best, elapsed);
            QFile::remove(copy);
        }
        out << document.first << ": " << (drawn ? "drawn" : "refused") << " in " << best << " ms (best of " << repetitions << ")\n";
    }
    return 0;
}
