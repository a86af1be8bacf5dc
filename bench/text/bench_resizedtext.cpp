// SPDX-License-Identifier: GPL-2.0-or-later
// Time to set and cut texts of 1 KB to 1 MB in a text widget of the largest pop-up's size.
// Run on an X display: bench_resizedtext [repetitions [point size]]

#include "resizedtext.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTextDocument>
#include <QTextStream>

#include <algorithm>

namespace
{

QString repeated(const QString &piece, int length)
{
    QString text;
    text.reserve(length + piece.size());
    while (text.size() < length) {
        text += piece;
    }
    text.truncate(length);
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int repetitions = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    if (argc > 2) {
        QFont font = QApplication::font();
        font.setPointSize(qMax(1, QString::fromLocal8Bit(argv[2]).toInt()));
        QApplication::setFont(font);
    }
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QSize largest(screen.width() * 6 / 10, screen.height() * 8 / 10);

    const struct {
        const char *name;
        QString piece;
    } kinds[] = {
        {"words", QStringLiteral("Lorem ipsum dolor sit amet, consectetur adipiscing elit. ")},
        {"one word", QStringLiteral("x")},
        {"newlines", QStringLiteral("a line\n")},
        {"only newlines", QStringLiteral("\n")},
        {"mixed scripts", QStringLiteral(u"Громкость — Ἀθῆναι שלום مرحبا 音量 😀 x\u0301 ")},
        {"zero-width sp", QStringLiteral(u"\u200b")},
        {"zero-width join", QStringLiteral(u"\u200d")},
        {"accents", QStringLiteral(u"\u0301")},
    };
    const int sizes[] = {1 << 10, 100 << 10, 1 << 20};

    QTextStream out(stdout);
    out << "ResizedText " << largest.width() << "x" << largest.height() << ", font " << QApplication::font().toString() << ", median of " << repetitions
        << " runs, ms to set and cut a text\n";
    out << qSetFieldWidth(16) << Qt::left << "text" << qSetFieldWidth(10) << Qt::right << "1 KB"
        << "100 KB"
        << "1 MB" << qSetFieldWidth(0) << "\n";
    for (const auto &kind : kinds) {
        out << qSetFieldWidth(16) << Qt::left << kind.name << qSetFieldWidth(10) << Qt::right;
        for (const int size : sizes) {
            const QString text = repeated(kind.piece, size);
            QVector<qint64> runs;
            for (int i = 0; i < repetitions; ++i) {
                ResizedText widget;
                // Shown, so that it has the size and the document its width, as in the pop-up.
                widget.setAttribute(Qt::WA_DontShowOnScreen);
                widget.resize(largest);
                widget.show();
                QElapsedTimer timer;
                timer.start();
                widget.setText(text);
                runs << timer.elapsed();
            }
            std::sort(runs.begin(), runs.end());
            out << runs.at(runs.size() / 2);
        }
        out << qSetFieldWidth(0) << "\n";
    }
    return 0;
}
