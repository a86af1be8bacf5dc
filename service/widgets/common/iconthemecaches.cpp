// SPDX-License-Identifier: GPL-2.0-or-later
#include "iconthemecaches.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QIconEngine>
#include <QStringList>
#include <private/qicon_p.h>
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QFontDatabase>
#include <QIconEnginePlugin>
#include <private/qfactoryloader_p.h>
#include <private/qgenericunixthemes_p.h>
#include <private/qguiapplication_p.h>
#include <private/qiconloader_p.h>

#include <typeinfo>
#endif

#include <algorithm>
#include <climits>
#include <memory>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace
{
// Themes reached through the inheritance of the current one; more means a broken setup.
const int maximumThemes = 64;

// One theme folder's icon-theme.cache, read where a lookup needs it; valid only where Qt would
// trust it too: version 1, and no older than the theme folder and every folder the cache lists.
// A lookup reads a few scattered bytes of a file of some hundred kB: mapped, each page read
// brings the 64 kB around it in, and the whole file stays resident in the daemon for its life.
class GtkIconCache
{
public:
    explicit GtkIconCache(const QString &folder);
    bool isValid() const
    {
        return valid;
    }
    // Whether @p name may be listed: true for a name found, and for any offset out of place.
    bool mayList(const QByteArray &name) const;

private:
    bool read32(quint64 offset, quint32 *value) const;
    // At most @p length bytes from @p offset: fewer at the end of the file or on a failed read.
    QByteArray readAt(quint64 offset, quint64 length) const;

    QFile file;
    quint64 size = 0;
    bool valid = false;
};

GtkIconCache::GtkIconCache(const QString &folder)
    : file(folder + QLatin1String("/icon-theme.cache"))
{
    const QFileInfo cacheInfo(file.fileName());
    const QDateTime written = cacheInfo.lastModified();
    if (!cacheInfo.isFile() || written < QFileInfo(folder).lastModified() || !file.open(QIODevice::ReadOnly)) {
        return;
    }
    size = quint64(file.size());
    quint32 listOffset = 0;
    quint32 count = 0;
    if (size < 12 || readAt(0, 2) != QByteArrayLiteral("\0\1") || !read32(8, &listOffset) || !read32(listOffset, &count)) {
        return;
    }
    for (quint32 i = 0; i < count; ++i) {
        quint32 nameOffset = 0;
        if (!read32(listOffset + 4 + 4 * quint64(i), &nameOffset)) {
            return;
        }
        // A folder's name is a relative path; one that does not end within a path's length
        // is no name Qt could look in either.
        const QByteArray named = readAt(nameOffset, PATH_MAX);
        const int end = named.indexOf('\0');
        if (end < 0) {
            return;
        }
        // A folder that is gone or younger than the cache: Qt would look at the files.
        const QFileInfo listed(folder + QLatin1Char('/') + QString::fromUtf8(named.constData(), end));
        if (!listed.isDir() || written < listed.lastModified()) {
            return;
        }
    }
    valid = true;
}

bool GtkIconCache::read32(quint64 offset, quint32 *value) const
{
    uchar p[4];
    if (offset % 4 != 0 || offset + 4 > size || ::pread(file.handle(), p, 4, off_t(offset)) != 4) {
        return false;
    }
    *value = quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
    return true;
}

QByteArray GtkIconCache::readAt(quint64 offset, quint64 length) const
{
    if (offset >= size) {
        return QByteArray();
    }
    QByteArray bytes(int(qMin(length, size - offset)), Qt::Uninitialized);
    const ssize_t read = ::pread(file.handle(), bytes.data(), size_t(bytes.size()), off_t(offset));
    bytes.resize(read > 0 ? int(read) : 0);
    return bytes;
}

bool GtkIconCache::mayList(const QByteArray &name) const
{
    // The hash of gtk-update-icon-cache, on signed characters as it computes it.
    const char *p = name.constData();
    quint32 hash = quint32(static_cast<signed char>(*p));
    for (++p; *p != '\0'; ++p) {
        hash = (hash << 5) - hash + quint32(static_cast<signed char>(*p));
    }
    quint32 hashOffset = 0;
    quint32 buckets = 0;
    quint32 entry = 0;
    if (!read32(4, &hashOffset) || !read32(hashOffset, &buckets) || buckets == 0 || !read32(hashOffset + 4 + 4 * quint64(hash % buckets), &entry)) {
        return true;
    }
    // Each entry: the next entry of the bucket, the name, the list of its folders. An offset
    // past the last entry ends the chain (gtk-update-icon-cache writes all ones), as for Qt; a
    // chain longer than the file has entries would loop.
    for (quint64 steps = 0; entry != 0 && quint64(entry) + 12 <= size; ++steps) {
        quint32 nameOffset = 0;
        if (steps > size / 12 || !read32(entry + 4, &nameOffset) || nameOffset >= size) {
            return true;
        }
        const QByteArray stored = readAt(nameOffset, quint64(name.size()) + 1);
        if (qstrncmp(stored.constData(), name.constData(), uint(stored.size())) == 0) {
            return true;
        }
        if (!read32(entry, &entry)) {
            return true;
        }
    }
    return false;
}

// The first index.theme of @p theme in the search folders, as Qt reads it.
QString indexFile(const QString &theme, const QStringList &folders)
{
    for (const QString &folder : folders) {
        const QString path = folder + QLatin1Char('/') + theme + QLatin1String("/index.theme");
        if (QFileInfo::exists(path)) {
            return path;
        }
    }
    return QString();
}

// The themes that @p indexPath names in any "Inherits" key of its "Icon Theme" group. False
// where the file continues lines, escapes group names or quotes, escapes or comments within
// the value, whose reading could differ from Qt's.
bool inheritedThemes(const QString &indexPath, QStringList *themes)
{
    QFile index(indexPath);
    if (!index.open(QIODevice::ReadOnly)) {
        return false;
    }
    // Read whole and walked without copies: hicolor's index has thousands of lines, of which a
    // handful matter here.
    const QByteArray text = index.readAll();
    const std::string_view all(text.constData(), size_t(text.size()));
    const auto trimmed = [](std::string_view part) {
        const size_t first = part.find_first_not_of(" \t\r\f\v");
        return first == std::string_view::npos ? std::string_view() : part.substr(first, part.find_last_not_of(" \t\r\f\v") - first + 1);
    };
    bool inGroup = false;
    for (size_t start = 0; start < all.size();) {
        const size_t end = std::min(all.find('\n', start), all.size());
        const std::string_view line = trimmed(all.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line.back() == '\\') {
            return false;
        }
        if (!line.empty() && line.front() == '[') {
            if (line.find_first_of("%\\") != std::string_view::npos) {
                return false;
            }
            inGroup = line == "[Icon Theme]";
            continue;
        }
        const size_t equals = line.find('=');
        if (!inGroup || line.substr(0, 8) != "Inherits" || equals == std::string_view::npos || trimmed(line.substr(0, equals)) != "Inherits") {
            continue;
        }
        const std::string_view value = line.substr(equals + 1);
        if (value.find_first_of("\"\\%;#") != std::string_view::npos) {
            return false;
        }
        for (const QByteArray &theme : QByteArray(value.data(), int(value.size())).split(',')) {
            const QString name = QString::fromUtf8(theme.trimmed());
            if (!name.isEmpty()) {
                themes->append(name);
            }
        }
    }
    return true;
}

// What the lookups of one theme setting need: the caches of every folder of every theme the
// lookup can reach, or nothing certain.
struct ThemeCaches {
    QString setting;
    bool certain = false;
    std::vector<std::unique_ptr<GtkIconCache>> caches;
};

std::unique_ptr<ThemeCaches> cachesFor(const QString &setting)
{
    auto result = std::make_unique<ThemeCaches>();
    result->setting = setting;
    const QStringList folders = QIcon::themeSearchPaths();
    // A theme without an index is replaced by the fallback theme; every theme falls back to
    // hicolor.
    QStringList themes;
    for (const QString &theme : {QIcon::themeName(), QIcon::fallbackThemeName(), QStringLiteral("hicolor")}) {
        if (!theme.isEmpty() && !themes.contains(theme)) {
            themes.append(theme);
        }
    }
    for (int i = 0; i < themes.size(); ++i) {
        if (themes.size() > maximumThemes) {
            return result;
        }
        const QString index = indexFile(themes.at(i), folders);
        QStringList parents;
        if (!index.isEmpty() && !inheritedThemes(index, &parents)) {
            return result;
        }
        for (const QString &parent : std::as_const(parents)) {
            if (!themes.contains(parent)) {
                themes.append(parent);
            }
        }
        for (const QString &folder : folders) {
            const QString themeFolder = folder + QLatin1Char('/') + themes.at(i);
            if (!QFileInfo(themeFolder).isDir()) {
                continue;
            }
            auto cache = std::make_unique<GtkIconCache>(themeFolder);
            if (!cache->isValid()) {
                return result;
            }
            result->caches.push_back(std::move(cache));
        }
    }
    result->certain = true;
    return result;
}

// The name and the shorter names Qt tries in its place: cut at the last dash, down to no dash.
QStringList nameAndFallbacks(const QString &name)
{
    QStringList names{name};
    QString rest = name;
    for (int dash = rest.lastIndexOf(QLatin1Char('-')); dash >= 0; dash = rest.lastIndexOf(QLatin1Char('-'))) {
        rest.truncate(dash);
        names.append(rest);
    }
    return names;
}

// A file of one of @p names in a folder that Qt searches for icons outside any theme.
bool hasLooseFile(const QStringList &names)
{
    QStringList folders = QIcon::themeSearchPaths() + QIcon::fallbackSearchPaths();
    folders.append(QStringLiteral("/usr/share/pixmaps"));
    for (const QString &folder : std::as_const(folders)) {
        for (const QString &name : names) {
            for (const char *suffix : {".png", ".svg", ".xpm"}) {
                if (QFileInfo::exists(folder + QLatin1Char('/') + name + QLatin1String(suffix))) {
                    return true;
                }
            }
        }
    }
    return false;
}

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
// Whether the icon that QIcon::fromTheme() gives is Qt's own loader's answer. Qt 6 hands out a
// stand-in that chooses its engine on first use, and choosing already reads the themes; the
// choice is therefore foreseen here: an icon-engine plugin named like the theme or a platform
// theme with an engine of its own (as Plasma's) could find an icon that the themes' caches know
// nothing of.
bool qtLoaderDecides()
{
    static const auto *const plugins = new QFactoryLoader(QIconEngineFactoryInterface_iid, QStringLiteral("/iconengines"), Qt::CaseInsensitive);
    if (plugins->indexOf(QIcon::themeName()) >= 0) {
        return false;
    }
    // Qt's own desktop themes leave the icons to its loader; one derived from them may not.
    const QPlatformTheme *platformTheme = QGuiApplicationPrivate::platformTheme();
    return !platformTheme || typeid(*platformTheme) == typeid(QGenericUnixTheme) || typeid(*platformTheme) == typeid(QGnomeTheme);
}

// Whether a font is named like the theme the application set: Qt 6 draws icons from such a
// font before it looks at the themes.
bool themeIsFont()
{
    return QIconLoader::instance()->hasUserTheme() && QFontDatabase::families().contains(QIcon::themeName());
}
#else
// Whether @p themeIcon, QIcon::fromTheme()'s, is Qt's own loader's. Qt 5 makes the engine at
// once and leaves the lookup to its first use.
bool qtLoaderDecides(const QIcon &themeIcon)
{
    // Shares the icon's data: data_ptr() is only not const.
    QIcon icon = themeIcon;
    const QIconEngine *engine = icon.data_ptr() ? icon.data_ptr()->engine : nullptr;
    return engine && engine->key() == QLatin1String("QIconLoaderEngine");
}
#endif
}

namespace IconThemeCaches
{
bool provesNull(const QString &name)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    if (!qtLoaderDecides()) {
        return false;
    }
#else
    if (!qtLoaderDecides(QIcon::fromTheme(name))) {
        return false;
    }
#endif
    // Read again whenever the theme or a folder setting changes, as Qt reads its themes again.
    const QString setting = QStringList{QIcon::themeName(),
                                        QIcon::fallbackThemeName(),
                                        QIcon::themeSearchPaths().join(QLatin1Char('\n')),
                                        QIcon::fallbackSearchPaths().join(QLatin1Char('\n'))}
                                .join(QLatin1Char('\0'));
    static std::unique_ptr<ThemeCaches> current;
    if (!current || current->setting != setting) {
        current = cachesFor(setting);
    }
    if (!current->certain) {
        return false;
    }
    const QStringList names = nameAndFallbacks(name);
    for (const QString &candidate : names) {
        const QByteArray utf8 = candidate.toUtf8();
        // The hash reads past the end of an empty name.
        if (utf8.isEmpty()) {
            return false;
        }
        for (const auto &cache : current->caches) {
            if (cache->mayList(utf8)) {
                return false;
            }
        }
    }
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    // Asked last: listing the fonts costs more than the rest together for the first name.
    return !hasLooseFile(names) && !themeIsFont();
#else
    return !hasLooseFile(names);
#endif
}
}
