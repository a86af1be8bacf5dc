// SPDX-License-Identifier: GPL-2.0-or-later
#include "systemsoundsplayer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <QThread>

#include <canberra.h>
#include <dlfcn.h>

namespace Vesk
{
namespace SystemSoundsQt
{
struct Canberra;

class PlayerPrivate
{
public:
    QString findSoundFile(const QString &event);
    bool openContext();
    void logPlay(int type, int policy, bool output);

    Player::Mode mode;
    Player::Source source;
    bool pathCacheEnabled = false;
    QHash<QString, QString> pathCache;
    // Loaded with the first context; set whenever there is one.
    const Canberra *canberra = nullptr;
    ca_context *context = nullptr;
    // Since the last look for a sound output that found none; invalid before the first look.
    QElapsedTimer sinceProbe;
    int probeIntervalMs = 5000;
    std::atomic_int playCount{0};
};

QString Player::eventId(VeskSoundType type)
{
    switch (type) {
    case VeskSoundLogin:
        return QStringLiteral("service-login");
    case VeskSoundLogout:
        return QStringLiteral("service-logout");
    case VeskSoundError:
        return QStringLiteral("dialog-error");
    case VeskSoundWarning:
        return QStringLiteral("dialog-warning");
    case VeskSoundInformation:
        return QStringLiteral("dialog-information");
    case VeskSoundQuestion:
        return QStringLiteral("window-question");
    case VeskSoundMessage:
        return QStringLiteral("message");
    case VeskSoundTrashEmpty:
        return QStringLiteral("trash-empty");
    case VeskSoundDeviceAdded:
        return QStringLiteral("device-added");
    case VeskSoundDeviceRemoved:
        return QStringLiteral("device-removed");
    case VeskSoundPowerPlug:
        return QStringLiteral("power-plug");
    case VeskSoundPowerUnplug:
        return QStringLiteral("power-unplug");
    case VeskSoundScreenCapture:
        return QStringLiteral("screen-capture");
    case VeskSoundBell:
        return QStringLiteral("bell");
    case VeskSoundVolumeChange:
        return QStringLiteral("audio-volume-change");
    }
    return QString();
}

// Looks the event up the way the freedesktop sound theme specification does, in the
// "freedesktop" theme of every data directory, stereo before the generic folder.
QString PlayerPrivate::findSoundFile(const QString &event)
{
    if (pathCacheEnabled) {
        const auto cached = pathCache.constFind(event);
        if (cached != pathCache.constEnd()) {
            return cached.value();
        }
    }
    QString found;
    const QStringList dataDirs = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (const QString &dir : dataDirs) {
        for (const char *subdir : {"stereo", ""}) {
            for (const char *suffix : {".oga", ".ogg", ".wav"}) {
                const QString candidate =
                    dir + QLatin1String("/sounds/freedesktop/") + QLatin1String(subdir) + QLatin1Char('/') + event + QLatin1String(suffix);
                if (found.isEmpty() && QFileInfo(candidate).isFile()) {
                    found = QDir::cleanPath(candidate);
                }
            }
        }
    }
    if (pathCacheEnabled) {
        pathCache.insert(event, found);
    }
    return found;
}

// The functions of libcanberra that the player calls. The library is opened by the first play
// that finds an output rather than linked: a daemon that never plays a sound maps neither it
// nor the codecs it brings. Like its backends, it stays loaded for the process's life.
struct Canberra {
    decltype(&ca_context_create) contextCreate = nullptr;
    decltype(&ca_context_change_props) contextChangeProps = nullptr;
    decltype(&ca_context_open) contextOpen = nullptr;
    decltype(&ca_context_destroy) contextDestroy = nullptr;
    decltype(&ca_context_play_full) contextPlayFull = nullptr;
    decltype(&ca_context_playing) contextPlaying = nullptr;
    decltype(&ca_proplist_create) proplistCreate = nullptr;
    decltype(&ca_proplist_sets) proplistSets = nullptr;
    decltype(&ca_proplist_destroy) proplistDestroy = nullptr;

    /// The functions; null when libcanberra is missing or lacks one of them.
    static const Canberra *load();
};

template<typename Function>
static bool resolve(void *library, const char *name, Function &function)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

const Canberra *Canberra::load()
{
    static const std::unique_ptr<const Canberra> loaded = []() -> std::unique_ptr<const Canberra> {
        void *library = dlopen("libcanberra.so.0", RTLD_NOW | RTLD_NODELETE);
        if (!library) {
            return nullptr;
        }
        auto api = std::make_unique<Canberra>();
        const bool complete = resolve(library, "ca_context_create", api->contextCreate) && resolve(library, "ca_context_change_props", api->contextChangeProps)
            && resolve(library, "ca_context_open", api->contextOpen) && resolve(library, "ca_context_destroy", api->contextDestroy)
            && resolve(library, "ca_context_play_full", api->contextPlayFull) && resolve(library, "ca_context_playing", api->contextPlaying)
            && resolve(library, "ca_proplist_create", api->proplistCreate) && resolve(library, "ca_proplist_sets", api->proplistSets)
            && resolve(library, "ca_proplist_destroy", api->proplistDestroy);
        return complete ? std::move(api) : nullptr;
    }();
    return loaded.get();
}

// True where some sound output can exist: a sound server's socket or an ALSA playback device.
// Without either, libcanberra's ALSA backend only prints errors, so it is not opened at all.
static bool soundOutputAvailable()
{
    if (!qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
        return true;
    }
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty() && (QFileInfo::exists(runtime + QLatin1String("/pulse/native")) || QFileInfo::exists(runtime + QLatin1String("/pipewire-0")))) {
        return true;
    }
    const QStringList pcm = QDir(QStringLiteral("/dev/snd")).entryList({QStringLiteral("pcmC*p")}, QDir::System);
    return !pcm.isEmpty();
}

static const char *sourceName(Player::Source source)
{
    switch (source) {
    case Player::Application:
        return "application";
    case Player::Notification:
        return "notification";
    case Player::Session:
        return "session";
    case Player::Settings:
        return "settings";
    case Player::Osd:
        return "osd";
    }
    return "application";
}

// libcanberra loads its backend (and, through it, libpulse or ALSA's plugins) when it opens a
// context, and unloads it again when no sound server answers or the context goes. Both libpulse
// and the backends leave destructors of their thread-local data in the thread that called them,
// which then ran into unmapped code when that thread ended. Held for the process's life, they
// stay where those destructors point. Only the backends for the sound servers of a desktop
// session are held: another one (such as GStreamer's) would bring far more than it needs.
static void keepSoundLibrariesLoaded(const Canberra &canberra)
{
    static const bool held = [&canberra] {
        dlopen("libpulse.so.0", RTLD_NOW | RTLD_NODELETE);
        Dl_info info;
        if (dladdr(reinterpret_cast<void *>(canberra.contextCreate), &info) && info.dli_fname) {
            const QDir backends(QFileInfo(QFile::decodeName(info.dli_fname)).absolutePath() + QStringLiteral("/libcanberra-%1.%2").arg(CA_MAJOR).arg(CA_MINOR));
            for (const char *backend : {"libcanberra-pulse.so", "libcanberra-alsa.so"}) {
                const QString path = backends.filePath(QLatin1String(backend));
                if (QFileInfo::exists(path)) {
                    dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_NODELETE);
                }
            }
        }
        return true;
    }();
    Q_UNUSED(held)
}

bool PlayerPrivate::openContext()
{
    if (context) {
        return true;
    }
    // A sound server may start after the daemon: without an output, look again now and then.
    if (sinceProbe.isValid() && sinceProbe.elapsed() < probeIntervalMs) {
        return false;
    }
    sinceProbe.start();
    // Without an output nothing of libcanberra's backends is loaded: it would only stay mapped.
    if (!soundOutputAvailable()) {
        return false;
    }
    canberra = Canberra::load();
    if (!canberra) {
        return false;
    }
    keepSoundLibrariesLoaded(*canberra);
    if (canberra->contextCreate(&context) != CA_SUCCESS) {
        context = nullptr;
        return false;
    }
    canberra->contextChangeProps(context, CA_PROP_APPLICATION_NAME, "osd-service", nullptr);
    if (canberra->contextOpen(context) != CA_SUCCESS) {
        canberra->contextDestroy(context);
        context = nullptr;
    }
    return context != nullptr;
}

void PlayerPrivate::logPlay(int type, int policy, bool output)
{
    const QString logPath = qEnvironmentVariable("VESK_SOUND_PLAY_LOG");
    if (logPath.isEmpty()) {
        return;
    }
    QFile log(logPath);
    if (log.open(QIODevice::Append | QIODevice::Text)) {
        log.write(QByteArray::number(type) + ' ' + QByteArray::number(policy) + (output ? " played\n" : "\n"));
    }
}

Player::Player(Mode mode, Source source, QObject *parent)
    : QObject(parent)
    , d(new PlayerPrivate)
{
    d->mode = mode;
    d->source = source;
}

Player::~Player()
{
    if (d->context) {
        d->canberra->contextDestroy(d->context);
    }
}

void Player::setVeskSystemSoundPathCacheEnabled(bool enabled)
{
    if (d->pathCacheEnabled == enabled) {
        return;
    }
    d->pathCacheEnabled = enabled;
    d->pathCache.clear();
}

bool Player::isVeskSystemSoundPathCacheEnabled() const
{
    return d->pathCacheEnabled;
}

int Player::playCount() const
{
    return d->playCount;
}

void Player::setOutputProbeInterval(int milliseconds)
{
    d->probeIntervalMs = milliseconds;
}

void Player::playByType(VeskSoundType type, ServerSoundCachePolicy policy)
{
    ++d->playCount;
    const bool output = play(type, policy);
    d->logPlay(type, policy, output);
    Q_EMIT played(type, policy);
}

bool Player::play(VeskSoundType type, ServerSoundCachePolicy policy)
{
    const QString event = eventId(type);
    if (event.isEmpty()) {
        return false;
    }
    const QString file = d->findSoundFile(event);
    if (file.isEmpty() || !d->openContext()) {
        return false;
    }
    const char *cacheControl = policy == ServerSoundCachePermanent ? "permanent" : policy == ServerSoundCacheVolatile ? "volatile" : "never";
    const Canberra &canberra = *d->canberra;
    ca_proplist *props = nullptr;
    if (canberra.proplistCreate(&props) != CA_SUCCESS) {
        return false;
    }
    canberra.proplistSets(props, CA_PROP_EVENT_ID, event.toUtf8().constData());
    canberra.proplistSets(props, CA_PROP_MEDIA_FILENAME, QFile::encodeName(file).constData());
    canberra.proplistSets(props, CA_PROP_CANBERRA_CACHE_CONTROL, cacheControl);
    canberra.proplistSets(props, CA_PROP_MEDIA_ROLE, "event");
    canberra.proplistSets(props, CA_PROP_APPLICATION_ID, sourceName(d->source));
    const int played = canberra.contextPlayFull(d->context, 0, props, nullptr, nullptr);
    canberra.proplistDestroy(props);
    if (played == CA_SUCCESS && d->mode == Synchronous) {
        int playing = 1;
        while (canberra.contextPlaying(d->context, 0, &playing) == CA_SUCCESS && playing) {
            QThread::msleep(10);
        }
    }
    return played == CA_SUCCESS;
}
}
}
