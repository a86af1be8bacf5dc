// SPDX-License-Identifier: GPL-2.0-or-later
// The words that place a custom-text pop-up, the colour names of its background and its font
// family: the rounded pop-up takes each as given by a caller on the bus, then lays itself out.
// The input is the position, then after 0x01 the colour, then after 0x01 the font family.

#include "osdconfig.h"
#include "roundedosdwidget.h"

#include <KSharedConfig>
#include <QApplication>
#include <QTemporaryDir>

#include <cstdlib>

static OsdConfig *config = nullptr;
static RoundedOsdWidget *widget = nullptr;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QTemporaryDir home;
    setenv("HOME", QFile::encodeName(home.path()).constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Never destroyed: the process ends while the fuzzer runs, and Qt's teardown at exit only
    // adds noise to the leak check.
    new QApplication(*argc, *argv);
    config = new OsdConfig(KSharedConfig::openConfig(home.filePath(QStringLiteral("vesknotifyrc"))), nullptr);
    widget = new RoundedOsdWidget(config, nullptr);
    widget->setProperty("showingProgress", false);
    widget->setProperty("osdValue", QStringLiteral("fuzz"));
    widget->setCustomImageMode(true);
    widget->show();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<QByteArray> parts = QByteArray(reinterpret_cast<const char *>(data), int(size)).split('\x01');
    widget->setOsdPosition(QString::fromUtf8(parts.value(0)));
    widget->setCustomBackgroundColor(QString::fromUtf8(parts.value(1)));
    widget->setTextFontFamily(QString::fromUtf8(parts.value(2)));
    QMetaObject::invokeMethod(widget, "updateText", Qt::DirectConnection);
    widget->adjustSize();
    QCoreApplication::processEvents();
    return 0;
}
