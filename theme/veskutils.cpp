// SPDX-License-Identifier: GPL-2.0-or-later
#include "veskutils.h"

#include "micdetect.h"
#include "namedcolor.h"
#include "osdtheme_debug.h"
#include "stylehelper.h"
#include "veskcore.h"
#include "veskintegration.h"
#include "x11application.h"

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QApplication>
#include <QDirIterator>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStyle>

#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <pwd.h>

// Xlib's macros (None, Bool, Status…) clash with Qt's names, so it comes last.
#include <X11/Xlib.h>

namespace
{
const char VariablesGroup[] = "Variables";

// The longest a theme change may wait for "qmx-id" before the level counts as unknown.
constexpr int IntegrityLevelTimeoutMs = 30000;

// Only regular files are handed to the readers: a directory or a FIFO under a theme file's name
// would otherwise make them allocate for a bogus size or block the GUI thread for good.
bool isRegularFile(const QString &path)
{
    return QFileInfo(path).isFile();
}

// One theme INI file, read by a reader of its own: case-insensitive names, UTF-8 with an
// optional byte-order mark, no repeated keys and no multi-line values.
class ThemeFile
{
public:
    explicit ThemeFile(const QString &path)
        : m_reader(true, false, false)
    {
        m_loaded = isRegularFile(path) && m_reader.LoadFile(path.toLocal8Bit().constData()) >= 0;
    }

    bool isLoaded() const
    {
        return m_loaded;
    }

    // Null when the key is missing.
    const char *value(const char *key) const
    {
        return m_reader.GetValue(VariablesGroup, key);
    }

    bool boolValue(const char *key) const
    {
        return m_reader.GetBoolValue(VariablesGroup, key, false);
    }

private:
    CSimpleIniTempl<char, SI_GenericNoCase<char>, SI_ConvertA<char>> m_reader;
    bool m_loaded = false;
};

struct ThemeDirectories {
    QString settings;
    QString theme;
    QString themesRoot;
};

// Worked out on every call, so that a changed environment or user database applies at once.
ThemeDirectories themeDirectories()
{
    ThemeDirectories dirs;
    const QString home = VeskUtils::sudoUserHomeDir();
    if (home.isNull()) {
        dirs.settings = QString::fromStdString(GetVeskDir(VeskSettingsDir));
        dirs.theme = QString::fromStdString(GetVeskDir(VeskThemeDir));
    } else {
        dirs.settings = home + QStringLiteral("/.vesk");
        dirs.theme = home + QStringLiteral("/.vesk/theme");
    }
    dirs.themesRoot = QString::fromStdString(GetVeskDir(VeskThemesRootDir));
    return dirs;
}

QString themeSettingsPath(const ThemeDirectories &dirs)
{
    return dirs.theme + QStringLiteral("/current.themerc") + QString::fromStdString(veskSessionConfigSuffix(VeskCurrentSession));
}

QString palettePath(const ThemeDirectories &dirs)
{
    return dirs.settings + QStringLiteral("/paletterc");
}

QString taskbarImagePath(const ThemeDirectories &dirs, const QString &decorTheme)
{
    return dirs.themesRoot + QLatin1Char('/') + decorTheme + QStringLiteral("/taskbar/taskbarbg.xpm");
}

QColor styleWindowColor()
{
    return QApplication::style()->standardPalette().color(QPalette::Window);
}

void visitChildren(const QAbstractItemModel *model, const QModelIndex &parent, int depth, const VeskUtils::IndexVisitor &visitor)
{
    const int rows = model->rowCount(parent);
    const int columns = model->columnCount(parent);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const QModelIndex index = model->index(row, column, parent);
            if (index.isValid()) {
                visitor(index, depth);
            }
        }
        const QModelIndex first = model->index(row, 0, parent);
        if (first.isValid() && model->hasChildren(first)) {
            visitChildren(model, first, depth + 1, visitor);
        }
    }
}
}

namespace VeskUtils
{
QString sudoUserHomeDir()
{
    // Asked of the process environment directly: copying the whole environment on every paint
    // cost more than the rest of the theme lookup together.
    if (!qEnvironmentVariableIsSet("SUDO_USER")) {
        return QString();
    }
    const passwd *entry = getpwnam(qEnvironmentVariable("SUDO_USER").toUtf8().constData());
    if (!entry || !entry->pw_dir) {
        return QString();
    }
    const QFileInfo home(QString::fromUtf8(entry->pw_dir));
    if (!home.isDir() || !home.isReadable()) {
        return QString();
    }
    return home.canonicalFilePath();
}

QColor backgroundColorFromTheme()
{
    const QColor defaultBackground(VeskColorTheme::statDefaultThemeBackgroundColor());
    const ThemeDirectories dirs = themeDirectories();

    const ThemeFile settings(themeSettingsPath(dirs));
    if (!settings.isLoaded()) {
        return defaultBackground;
    }

    // A decoration theme decides alone, through its taskbar picture; "TaskbarColor" then plays no part.
    const QString decorTheme = QString::fromLocal8Bit(settings.value("DecorTheme"));
    if (!decorTheme.isEmpty()) {
        const QString imagePath = taskbarImagePath(dirs, decorTheme);
        QImage image;
        if (!isRegularFile(imagePath) || !image.load(imagePath)) {
            return defaultBackground;
        }
        QColor color = image.pixelColor(0, 0);
        color.setAlpha(255);
        return color;
    }

    const QString taskbarColor = QString::fromLatin1(settings.value("TaskbarColor"));
    if (taskbarColor.isEmpty()) {
        return defaultBackground;
    }
    if (taskbarColor == QLatin1String("qt")) {
        return styleWindowColor();
    }
    const QColor taskbarColorValue = namedColor(taskbarColor);
    if (taskbarColorValue.isValid()) {
        return taskbarColorValue;
    }

    // Neither a colour nor "qt": the colour comes from the desktop's primary colour.
    const ThemeFile palette(palettePath(dirs));
    if (!palette.isLoaded()) {
        return defaultBackground;
    }
    const QByteArray primaryColor(palette.value("PrimaryColor"));
    if (primaryColor.isEmpty()) {
        return defaultBackground;
    }
    if (QString::fromLatin1(primaryColor).compare(QLatin1String("qt"), Qt::CaseInsensitive) == 0) {
        return styleWindowColor();
    }
    const QString darkColor = QString::fromStdString(GetPrimaryDarkColor(primaryColor.toStdString(), true));
    const QColor darkColorValue = namedColor(darkColor);
    if (darkColorValue.isValid()) {
        return darkColorValue;
    }
    return styleWindowColor();
}

VeskColorTheme genColorTheme()
{
    VeskColorTheme theme;

    const QColor found = backgroundColorFromTheme();
    const bool redLevel = isRedLevel();

    // The default theme's blue panel and the red level both get the bright pop-up; tray icons
    // made for the blue panel must then be inverted.
    const QString foundName = found.name();
    QColor background = found;
    bool bright = false;
    bool dark = false;
    if (redLevel || foundName == VeskColorTheme::statDefaultThemeBackgroundColor()) {
        background = QColor(VeskColorTheme::statOrvelBrightThemeBackgroundColor());
        bright = true;
        theme.setInvertColorForTrayIcon(true);
    } else if (foundName == VeskColorTheme::statOrvelBrightThemeBackgroundColor()) {
        background = QColor(VeskColorTheme::statOrvelBrightThemeBackgroundColor());
        bright = true;
    } else if (foundName == VeskColorTheme::statOrvelDarkThemeBackgroundColor()) {
        dark = true;
    }

    // The derived colours read below depend on the base colour set here.
    StyleHelper::setBaseColor(background);

    const QString text = QString::fromStdString(textColorFor(background.name().toStdString()));
    const QColor textColor(text);
    const bool blackText = textColor == QColor(Qt::black);
    const QColor textHover = (bright || dark || blackText) ? textColor : QColor(255 - textColor.red(), 255 - textColor.green(), 255 - textColor.blue());

    QColor selection = StyleHelper::highlightColor().lighter(117);
    if (bright) {
        selection = QColor(VeskColorTheme::statOrvelBrightThemeHighlightColor());
    } else if (dark) {
        selection = QColor(VeskColorTheme::statOrvelDarkThemeHighlightColor());
    }

    theme.setBlackTextTheme(blackText);
    theme.setBackgroundColor(background.name());
    theme.setElementSelectionColor(selection.name());
    theme.setElementHoverColor(selection.name());
    theme.setTextColor(text);
    theme.setTextHoverColor(textHover.name());
    theme.setTextNonInteractiveColor(textColor.darker(120).name());
    theme.setTextPlaceHolderColor(textColor.darker(150).name());
    theme.setTextDetailsColor(text);
    theme.setSeparatorColor(StyleHelper::panelTextColor().name());
    theme.setButtonBorderColor(StyleHelper::panelTextColor().name());
    theme.setButtonPressedColor(StyleHelper::shadowColor().name());
    return theme;
}

bool useComposite()
{
    const ThemeFile settings(themeSettingsPath(themeDirectories()));
    return settings.isLoaded() && settings.boolValue("UseComposite");
}

QStringList themePaths()
{
    const ThemeDirectories dirs = themeDirectories();
    const QString settingsPath = themeSettingsPath(dirs);
    QStringList paths{palettePath(dirs), settingsPath};
    const ThemeFile settings(settingsPath);
    if (settings.isLoaded()) {
        paths << taskbarImagePath(dirs, QString::fromLocal8Bit(settings.value("DecorTheme")));
    }
    return paths;
}

unsigned int ilevel()
{
    QProcess process;
    process.start(QStringLiteral("qmx-id"), {QStringLiteral("-i")}, QIODevice::ReadWrite);
    const bool finished = process.waitForFinished(IntegrityLevelTimeoutMs);
    if (process.state() != QProcess::NotRunning) {
        // Ended here rather than by QProcess's destructor, which would complain on the log.
        process.kill();
        process.waitForFinished();
    }
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return 0;
    }
    bool ok = false;
    const unsigned int level = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed().toUInt(&ok);
    return ok ? level : 0;
}

bool isRedLevel()
{
    return MICDetect::isCurrentProcessHasMaxMIC() && ilevel() != 0;
}

int fixSize(int value, int minimum, int maximum)
{
    return value < minimum ? minimum : qMin(value, maximum);
}

void iterate(const QAbstractItemModel *model, const IndexVisitor &visitor)
{
    if (model) {
        visitChildren(model, QModelIndex(), 0, visitor);
    }
}

void iterate(const QAbstractItemView *view, const IndexVisitor &visitor)
{
    if (view && view->model()) {
        visitChildren(view->model(), view->rootIndex(), 0, visitor);
    }
}

void dumpData(QAbstractItemView *view)
{
    iterate(view, [](const QModelIndex &index, int depth) {
        qCDebug(OSD_THEME).noquote() << QString(depth * 2, QLatin1Char(' ')) + QStringLiteral("(%1, %2)").arg(index.row()).arg(index.column()) << index.data();
    });
}

QRect trayIconPosition(const QRect &fallback)
{
    if (!X11Application::isPlatformX11()) {
        return fallback;
    }
    Display *display = X11Application::display();
    if (!display) {
        return fallback;
    }
    const QByteArray selectionName = QByteArrayLiteral("_NET_SYSTEM_TRAY_S") + QByteArray::number(X11Application::defaultScreen());
    const Atom selection = XInternAtom(display, selectionName.constData(), False);
    const Window tray = XGetSelectionOwner(display, selection);
    if (tray == None) {
        return fallback;
    }
    // The tray may go away at any moment; Qt ignores the X errors that then follow, and the
    // failed requests answer with a zero status.
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, tray, &attributes)) {
        return fallback;
    }
    int x = 0;
    int y = 0;
    Window child = None;
    if (!XTranslateCoordinates(display, tray, attributes.root, 0, 0, &x, &y, &child)) {
        return fallback;
    }
    return QRect(x, y, attributes.width, attributes.height);
}

QStringList subdirs(const QString &dir)
{
    // Links to directories are listed but not entered, so a link back up cannot loop.
    QStringList result;
    QDirIterator it(dir, QDir::Dirs | QDir::Readable | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        result << it.next();
    }
    result.sort();
    return result;
}
}
