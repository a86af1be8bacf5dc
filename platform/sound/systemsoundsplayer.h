// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>

#include <atomic>
#include <memory>

namespace Vesk
{
/// The desktop's system sounds. The numbers are the desktop's own; only some have a sound.
enum VeskSoundType {
    VeskSoundLogin = 0,
    VeskSoundLogout = 1,
    VeskSoundError = 2,
    VeskSoundWarning = 3,
    VeskSoundInformation = 4,
    VeskSoundQuestion = 5,
    VeskSoundMessage = 6,
    VeskSoundTrashEmpty = 7,
    VeskSoundDeviceAdded = 8,
    VeskSoundDeviceRemoved = 9,
    VeskSoundPowerPlug = 10,
    VeskSoundPowerUnplug = 11,
    VeskSoundScreenCapture = 12,
    VeskSoundBell = 13,
    VeskSoundVolumeChange = 14,
};

/// How the sound server may keep a sample after playing it.
enum ServerSoundCachePolicy {
    ServerSoundCacheNever = 0,
    ServerSoundCacheVolatile = 1,
    ServerSoundCachePermanent = 2,
};

namespace SystemSoundsQt
{
class PlayerPrivate;

/**
 * Plays the desktop's system sounds from the freedesktop sound theme through libcanberra.
 *
 * The player is meant to live in a worker thread of its own: playByType() may wait for the
 * sound server, so callers reach it with queued invocations. Where the machine has no sound
 * device at all, nothing is opened and plays are counted but silent; libcanberra and ALSA are
 * never given the chance to complain on standard error. A play finding no output looks for
 * one again once some seconds have passed since the last look, so a sound server started
 * later is used.
 *
 * For tests, every play is also counted (playCount()) and announced (played()), and appended
 * as a line "TYPE POLICY" to the file named by the environment variable VESK_SOUND_PLAY_LOG,
 * as "TYPE POLICY played" when the sound went to an output.
 */
class Player : public QObject
{
    Q_OBJECT
public:
    enum Mode {
        Asynchronous = 0, ///< play() returns at once; the sound server plays in the background
        Synchronous = 1, ///< play() returns when the sound has finished
    };
    Q_ENUM(Mode)

    enum Source {
        Application = 0,
        Notification = 1,
        Session = 2,
        Settings = 3,
        Osd = 4,
    };
    Q_ENUM(Source)

    Player(Mode mode, Source source, QObject *parent = nullptr);
    ~Player() override;

    /// Remembers where each sound's file was found instead of searching the themes every time.
    void setVeskSystemSoundPathCacheEnabled(bool enabled);
    bool isVeskSystemSoundPathCacheEnabled() const;

    /// Plays the sound of @p type. Never reports failure: a missing sound is simply not heard.
    void playByType(Vesk::VeskSoundType type, Vesk::ServerSoundCachePolicy policy);

    /// How many plays were requested so far, whether or not a sound could be heard.
    int playCount() const;

    /// How long a play without an output waits before it looks for one again (5000 ms).
    void setOutputProbeInterval(int milliseconds);

    /// The freedesktop sound-theme event name of @p type; empty for types without a sound.
    static QString eventId(Vesk::VeskSoundType type);

Q_SIGNALS:
    void played(int type, int policy);

private:
    /// True when the sound went to an output.
    bool play(Vesk::VeskSoundType type, Vesk::ServerSoundCachePolicy policy);

    std::unique_ptr<PlayerPrivate> const d;
};
}
}
