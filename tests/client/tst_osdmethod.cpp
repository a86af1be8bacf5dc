// SPDX-License-Identifier: GPL-2.0-or-later
#include "osdmessages.h"
#include "osdmethod.h"

#include <QRect>
#include <QTemporaryFile>
#include <QTest>

#include <cstdio>
#include <unistd.h>

// Runs @p function with standard output and standard error sent to files, and gives what it
// wrote to each. The client prints through the C streams, so the descriptors are swapped.
template<typename Function>
static QPair<QByteArray, QByteArray> captureOutput(Function function)
{
    QTemporaryFile out;
    QTemporaryFile err;
    if (!out.open() || !err.open()) {
        return {};
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const int savedOut = dup(STDOUT_FILENO);
    const int savedErr = dup(STDERR_FILENO);
    dup2(out.handle(), STDOUT_FILENO);
    dup2(err.handle(), STDERR_FILENO);
    function();
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(savedOut, STDOUT_FILENO);
    dup2(savedErr, STDERR_FILENO);
    close(savedOut);
    close(savedErr);
    out.seek(0);
    err.seek(0);
    return {out.readAll(), err.readAll()};
}

class TestOsdMethod : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void getValueFromString_data();
    void getValueFromString();
    void checkValues_data();
    void checkValues();
    void outOfRangeMethod();
    void argumentsError_data();
    void argumentsError();
};

void TestOsdMethod::getValueFromString_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("type");
    QTest::addColumn<QVariant>("expected"); // invalid: rejected

    const int b = QMetaType::Bool;
    const int i = QMetaType::Int;
    const int s = QMetaType::QString;
    QTest::newRow("bool true") << "true" << b << QVariant(true);
    QTest::newRow("bool True") << "True" << b << QVariant(true);
    QTest::newRow("bool TRUE") << "TRUE" << b << QVariant(true);
    QTest::newRow("bool 1") << "1" << b << QVariant(true);
    QTest::newRow("bool false") << "false" << b << QVariant(false);
    QTest::newRow("bool fAlSe") << "fAlSe" << b << QVariant(false);
    QTest::newRow("bool 0") << "0" << b << QVariant(false);
    QTest::newRow("bool empty") << "" << b << QVariant();
    QTest::newRow("bool yes") << "yes" << b << QVariant();
    QTest::newRow("bool on") << "on" << b << QVariant();
    QTest::newRow("bool 01") << "01" << b << QVariant();
    QTest::newRow("bool blank 1") << " 1" << b << QVariant();
    QTest::newRow("bool 2") << "2" << b << QVariant();
    QTest::newRow("bool true blank") << "true " << b << QVariant();

    QTest::newRow("int 50") << "50" << i << QVariant(50);
    QTest::newRow("int -3") << "-3" << i << QVariant(-3);
    QTest::newRow("int 007") << "007" << i << QVariant(7);
    QTest::newRow("int max") << "2147483647" << i << QVariant(2147483647);
    QTest::newRow("int min") << "-2147483648" << i << QVariant(int(-2147483648LL));
    QTest::newRow("int 7.5") << "7.5" << i << QVariant();
    QTest::newRow("int 50%") << "50%" << i << QVariant();
    QTest::newRow("int abc") << "abc" << i << QVariant();
    QTest::newRow("int 0x10") << "0x10" << i << QVariant();
    QTest::newRow("int empty") << "" << i << QVariant();
    QTest::newRow("int too large") << "2147483648" << i << QVariant();
    QTest::newRow("int too small") << "-2147483649" << i << QVariant();

    QTest::newRow("string word") << "mono-audio" << s << QVariant(QStringLiteral("mono-audio"));
    QTest::newRow("string empty") << "" << s << QVariant(QString(""));
    QTest::newRow("string blanks") << "  " << s << QVariant(QStringLiteral("  "));
    QTest::newRow("string digits") << "42" << s << QVariant(QStringLiteral("42"));

    const int r = QMetaType::QRect;
    QTest::newRow("rect") << "0,0,1920,1080" << r << QVariant(QRect(0, 0, 1920, 1080));
    QTest::newRow("rect with blanks, negative") << " -1280 , 0, 1280,1024" << r << QVariant(QRect(-1280, 0, 1280, 1024));
    QTest::newRow("rect, three numbers") << "0,0,1920" << r << QVariant();
    QTest::newRow("rect, five numbers") << "0,0,1920,1080,1" << r << QVariant();
    QTest::newRow("rect, x separator") << "1920x1080+0+0" << r << QVariant();
    QTest::newRow("rect, empty part") << "0,,1920,1080" << r << QVariant();
    QTest::newRow("rect, far edge beyond the integers") << "2147483647,0,2,1080" << r << QVariant();
    QTest::newRow("rect, far edge below the integers") << "0,-2147483648,1920,-1" << r << QVariant();
    QTest::newRow("rect, far edge the largest integer") << "2147483647,0,1,1080" << r << QVariant(QRect(QPoint(2147483647, 0), QPoint(2147483647, 1079)));

    QTest::newRow("unknown type") << "1" << int(QMetaType::Double) << QVariant();
}

void TestOsdMethod::getValueFromString()
{
    QFETCH(QString, word);
    QFETCH(int, type);
    QFETCH(QVariant, expected);

    const QVariant value = ::getValueFromString(word, type);
    QCOMPARE(value.isValid(), expected.isValid());
    if (expected.isValid()) {
        // The type name selects the proxy slot, so the type matters as much as the value.
        QCOMPARE(value.userType(), type);
        QCOMPARE(value, expected);
    }
}

void TestOsdMethod::checkValues_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QList<int>>("types");
    QTest::addColumn<bool>("expected");

    const QList<int> progress{QMetaType::QString, QMetaType::Int};
    QTest::newRow("both empty") << QStringList() << QList<int>() << true;
    QTest::newRow("all convert") << QStringList{"icon", "40"} << progress << true;
    QTest::newRow("too few values") << QStringList{"icon"} << progress << false;
    QTest::newRow("too many values") << QStringList{"icon", "40", "x"} << progress << false;
    QTest::newRow("last fails") << QStringList{"icon", "forty"} << progress << false;
    QTest::newRow("first fails") << QStringList{"maybe", "icon"} << QList<int>{QMetaType::Bool, QMetaType::QString} << false;
}

void TestOsdMethod::checkValues()
{
    QFETCH(QStringList, values);
    QFETCH(QList<int>, types);
    QFETCH(bool, expected);
    QCOMPARE(::checkValues(values, types), expected);
}

void TestOsdMethod::outOfRangeMethod()
{
    const MethodType outside = MethodType(Hide + 1);
    QVERIFY(getMethodName(outside).isEmpty());
    QCOMPARE(osdMethodArgumentCount(outside), 1);
    const auto output = captureOutput([outside] {
        printMethodDescription(outside);
    });
    QCOMPARE(output.first, QByteArray("None method description!\n"));
    QVERIFY(output.second.isEmpty());
}

void TestOsdMethod::argumentsError_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");

    const QByteArray description = "Method description:\n--showProgressBar <string> <integer>\nShow a progress bar with icon to the user.\n";
    QTest::newRow("count") << QStringList{"icon"} << description << QByteArray("Error: current method need 2 arguments count, not 1!\n");
    QTest::newRow("second value") << QStringList{"icon", "x"} << description
                                  << QByteArray("Error: cannot convert 2 argument, from value \"x\", to type \"int\"!\n");
    QTest::newRow("placeholder in value") << QStringList{"icon", "%1%3"} << description
                                          << QByteArray("Error: cannot convert 2 argument, from value \"%1%3\", to type \"int\"!\n");
    QTest::newRow("nothing wrong") << QStringList{"icon", "5"} << QByteArray() << QByteArray("Unknown argument(s) error!\n");
}

void TestOsdMethod::argumentsError()
{
    QFETCH(QStringList, values);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);

    const auto output = captureOutput([&values] {
        printMethodArgumentsError(ShowProgressBar, values, osdMethodArgumentTypes(ShowProgressBar));
    });
    QCOMPARE(output.first, out);
    QCOMPARE(output.second, err);
}

QTEST_GUILESS_MAIN(TestOsdMethod)
#include "tst_osdmethod.moc"
