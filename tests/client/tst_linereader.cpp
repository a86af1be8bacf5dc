// SPDX-License-Identifier: GPL-2.0-or-later
#include "linereader.h"

#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

// What a reader gave, one entry per result: the line, "<too long>" or, last, "<end>".
static QStringList readAll(LineReader &reader)
{
    QStringList results;
    QString line;
    for (LineReader::Result result; (result = reader.readLine(&line)) != LineReader::End;) {
        results.append(result == LineReader::Line ? line : QStringLiteral("<too long>"));
    }
    results.append(QStringLiteral("<end>"));
    return results;
}

class TestLineReader : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lines_data();
    void lines();
    void lineBeforeTheRestIsWritten();
};

void TestLineReader::lines_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("expected");

    // The bound is 8 bytes in every row.
    QTest::newRow("no input") << QByteArray() << QStringList{"<end>"};
    QTest::newRow("one empty line") << QByteArray("\n") << QStringList{"", "<end>"};
    QTest::newRow("lines in order") << QByteArray("a\n\nbc\n") << QStringList{"a", "", "bc", "<end>"};
    QTest::newRow("last line without line end") << QByteArray("a\nbc") << QStringList{"a", "bc", "<end>"};
    QTest::newRow("carriage return before line end") << QByteArray("a\r\nb\r") << QStringList{"a", "b", "<end>"};
    QTest::newRow("carriage return inside") << QByteArray("a\rb\n") << QStringList{"a\rb", "<end>"};
    QTest::newRow("exactly the bound") << QByteArray("12345678\n") << QStringList{"12345678", "<end>"};
    QTest::newRow("one byte over the bound") << QByteArray("123456789\nok\n") << QStringList{"<too long>", "ok", "<end>"};
    QTest::newRow("long line at the end") << QByteArray("ok\n") + QByteArray(200000, 'x') << QStringList{"ok", "<too long>", "<end>"};
    QTest::newRow("long line between") << QByteArray(200000, 'x') + "\nok" << QStringList{"<too long>", "ok", "<end>"};
    QTest::newRow("not UTF-8") << QByteArray(
        "a\xff\xfe"
        "b\n")
                               << QStringList{QString::fromUtf8("a\xef\xbf\xbd\xef\xbf\xbd"
                                                                "b"),
                                              "<end>"};
    QTest::newRow("UTF-8") << QByteArray("\xc3\xa4\n") << QStringList{QString(QChar(0xe4)), "<end>"};
}

void TestLineReader::lines()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, expected);

    int fds[2];
    QCOMPARE(pipe(fds), 0);
    // Written from a child, so that inputs larger than the pipe's buffer cannot block the test.
    const pid_t writer = fork();
    if (writer == 0) {
        close(fds[0]);
        for (qint64 done = 0; done < input.size();) {
            const ssize_t n = write(fds[1], input.constData() + done, size_t(input.size() - done));
            if (n <= 0) {
                _exit(1);
            }
            done += n;
        }
        _exit(0);
    }
    close(fds[1]);
    LineReader reader(fds[0], 8);
    const QStringList results = readAll(reader);
    close(fds[0]);
    waitpid(writer, nullptr, 0);
    QCOMPARE(results, expected);
}

void TestLineReader::lineBeforeTheRestIsWritten()
{
    int fds[2];
    QCOMPARE(pipe(fds), 0);
    QCOMPARE(write(fds[1], "first\nsec", 9), ssize_t(9));

    // Waiting for more input here instead of handing out the line would hang the test.
    LineReader reader(fds[0], 100);
    QString line;
    QCOMPARE(reader.readLine(&line), LineReader::Line);
    QCOMPARE(line, QStringLiteral("first"));

    QCOMPARE(write(fds[1], "ond\n", 4), ssize_t(4));
    close(fds[1]);
    const QStringList rest = readAll(reader);
    close(fds[0]);
    QCOMPARE(rest, (QStringList{"second", "<end>"}));
}

QTEST_GUILESS_MAIN(TestLineReader)
#include "tst_linereader.moc"
