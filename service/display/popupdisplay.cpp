// SPDX-License-Identifier: GPL-2.0-or-later
#include "popupdisplay.h"

#include "freeheap.h"
#include "osdservice_debug.h"
#include "popupannouncer.h"
#include "popupcontent.h"
#include "popupwidget.h"
#include "primaryscreen.h"
#include "systemsoundsplayer.h"

#include <KLocalizedString>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <QTimer>

#include <map>

static const int longestDurationMs = 20000;

class PopupDisplayPrivate
{
public:
    explicit PopupDisplayPrivate(PopupDisplay::WindowFactory makeWindow)
        : makeWindow(std::move(makeWindow))
    {
    }

    PopupDisplay::WindowFactory makeWindow;
    // The window is top-level and has no parent; it is the display's until discarded.
    std::unique_ptr<PopupWidget> window;
    QThread soundThread;
    std::unique_ptr<Vesk::SystemSoundsQt::Player> soundPlayer;
    QTimer *hideTimer = nullptr;
    int displayTime = 1800;
    bool sessionLocked = false;
    bool customTextVisible = false;
    bool everyScreen = false;
    // What the window shows now or showed last, for copies of it made while it shows.
    PopupContent content;
    // A copy of the window on each screen but the window's, once pop-ups showed on every screen.
    std::map<QScreen *, std::unique_ptr<PopupWidget>> copies;
    DisplayBrightnessList displayBrightnesses;
    IdleWarmUp *warmUp = nullptr;

    Vesk::SystemSoundsQt::Player *ensureSoundPlayer();
};

// Made with the first sound rather than at the start: a daemon that has shown nothing has no
// thread for it, and the sound libraries are loaded by the thread when it first plays.
// Playing a sound never stalls the pop-up: the player lives in a thread of its own.
Vesk::SystemSoundsQt::Player *PopupDisplayPrivate::ensureSoundPlayer()
{
    if (!soundPlayer) {
        using Player = Vesk::SystemSoundsQt::Player;
        soundPlayer = std::make_unique<Player>(Player::Asynchronous, Player::Osd, nullptr);
        soundPlayer->setVeskSystemSoundPathCacheEnabled(true);
        soundPlayer->moveToThread(&soundThread);
        soundThread.start(QThread::InheritPriority);
    }
    return soundPlayer.get();
}

PopupDisplay::PopupDisplay(WindowFactory makeWindow, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<PopupDisplayPrivate>(std::move(makeWindow)))
{
}

PopupDisplay::~PopupDisplay()
{
    // The player must not be deleted while its thread may still run one of its calls.
    d->soundThread.quit();
    d->soundThread.wait();
    d->soundPlayer.reset();
    d->copies.clear();
    d->window.reset();
}

PopupWidget *PopupDisplay::window() const
{
    return d->window.get();
}

QList<PopupWidget *> PopupDisplay::windows() const
{
    QList<PopupWidget *> all;
    if (d->window) {
        all.append(d->window.get());
    }
    for (const auto &copy : d->copies) {
        all.append(copy.second.get());
    }
    return all;
}

PopupWidget *PopupDisplay::ensureWindow()
{
    if (!d->window) {
        d->window = d->makeWindow();
        qCDebug(OSD_SERVICE) << "pop-up window created:" << d->window->metaObject()->className();
        d->window->installEventFilter(this);
        connect(d->window.get(), &PopupWidget::placementScreenChanged, this, &PopupDisplay::hideCustomTextOsdIfVisible);
    }
    return d->window.get();
}

bool PopupDisplay::everyScreen() const
{
    return d->everyScreen;
}

void PopupDisplay::setEveryScreen(bool everyScreen)
{
    if (d->everyScreen == everyScreen) {
        return;
    }
    d->everyScreen = everyScreen;
    // The primary screen is chosen anew before the copies follow a screen that comes or goes.
    PrimaryScreen *primary = PrimaryScreen::instance();
    if (everyScreen) {
        connect(qGuiApp, &QGuiApplication::screenAdded, this, [this] {
            updateCopies();
        });
        connect(qGuiApp, &QGuiApplication::screenRemoved, this, [this](QScreen *removed) {
            updateCopies(removed);
        });
        connect(primary, &PrimaryScreen::screenChanged, this, [this] {
            updateCopies();
        });
    } else {
        disconnect(qGuiApp, nullptr, this, nullptr);
        disconnect(primary, nullptr, this, nullptr);
    }
    updateCopies();
}

void PopupDisplay::updateCopies(QScreen *removed)
{
    QList<QScreen *> others;
    if (d->everyScreen && d->window) {
        others = QGuiApplication::screens();
        others.removeAll(removed);
        others.removeAll(PrimaryScreen::instance()->screen());
    }
    for (auto it = d->copies.begin(); it != d->copies.end();) {
        if (others.contains(it->first)) {
            ++it;
            continue;
        }
        it->second->setVisible(false);
        it = d->copies.erase(it);
    }
    // What belongs on one screen, a display's brightness, shows on that one alone.
    const bool showing = d->window && d->window->isVisible() && !d->content.screen;
    for (QScreen *screen : std::as_const(others)) {
        auto found = d->copies.find(screen);
        if (!showing) {
            if (found != d->copies.end()) {
                found->second->setVisible(false);
            }
            continue;
        }
        if (found == d->copies.end()) {
            found = d->copies.emplace(screen, d->makeWindow()).first;
            connect(found->second.get(), &PopupWidget::placementScreenChanged, this, &PopupDisplay::hideCustomTextOsdIfVisible);
            found->second->setRequestedScreen(screen);
        }
        found->second->setContent(d->content);
        found->second->setVisible(true);
    }
}

void PopupDisplay::discardWindow()
{
    hideNow();
    d->copies.clear();
    d->window.reset();
}

void PopupDisplay::prepareHideTimer()
{
    if (d->hideTimer) {
        return;
    }
    d->hideTimer = new QTimer(this);
    d->hideTimer->setSingleShot(true);
    connect(d->hideTimer, &QTimer::timeout, this, &PopupDisplay::hideOsd);
}

int PopupDisplay::displayTime() const
{
    return d->displayTime;
}

void PopupDisplay::setDisplayTime(int milliseconds)
{
    d->displayTime = milliseconds;
}

int PopupDisplay::effectiveDurationMs(int durationMs) const
{
    if (durationMs > 0) {
        return qMin(durationMs, longestDurationMs);
    }
    return qMin(qMax(d->displayTime, 1), longestDurationMs);
}

void PopupDisplay::show(const PopupContent &content, const KLocalizedString &phrase, int durationMs)
{
    PopupWidget *window = d->window.get();
    if (!window || d->sessionLocked) {
        return;
    }
    if (!content.displayBrightness) {
        d->displayBrightnesses.clear();
    }
    d->customTextVisible = content.customText;
    d->content = content;
    window->setContent(content);
    // A progress phrase is made only for a listener; a text is its own phrase.
    if (content.kind == PopupContent::Kind::Text) {
        PopupAnnouncer::setPhrase(window, phrase.isEmpty() ? content.text : phrase.toString());
    } else if (PopupAnnouncer::isListening()) {
        PopupAnnouncer::setPhrase(window, phrase.toString());
    }
    window->setRequestedScreen(content.screen);
    showOsd(durationMs);
}

void PopupDisplay::showOsd(int durationMs)
{
    if (d->hideTimer) {
        d->hideTimer->stop();
    }
    if (!d->window) {
        return;
    }
    qCDebug(OSD_SERVICE) << "showing the pop-up for" << effectiveDurationMs(durationMs) << "ms";
    d->window->setVisible(true);
    updateCopies();
    PopupAnnouncer::announce(d->window.get());
    if (d->hideTimer) {
        d->hideTimer->start(effectiveDurationMs(durationMs));
    }
}

void PopupDisplay::hideOsd()
{
    if (!d->window) {
        return;
    }
    d->window->setVisible(false);
    updateCopies();
    d->window->resetValue();
    d->customTextVisible = false;
    d->displayBrightnesses.clear();
}

void PopupDisplay::releaseIdleMemory()
{
    // Walking the heaps would hold up a pop-up that shows by then. Not done after each pop-up:
    // what one frees is little, and the next pop-up would pay for taking the pages back.
    if (d->window && d->window->isVisible()) {
        return;
    }
    QElapsedTimer took;
    took.start();
    FreeHeap::release();
    qCDebug(OSD_SERVICE) << "freed heap memory given back in" << took.nsecsElapsed() / 1000 << "us";
    Q_EMIT idleMemoryReleased();
}

void PopupDisplay::hideNow()
{
    if (d->hideTimer) {
        d->hideTimer->stop();
    }
    hideOsd();
}

bool PopupDisplay::isSessionLocked() const
{
    return d->sessionLocked;
}

void PopupDisplay::setSessionLocked(bool locked)
{
    d->sessionLocked = locked;
    if (locked) {
        hideNow();
    }
}

void PopupDisplay::hideCustomTextOsdIfVisible()
{
    if (d->customTextVisible) {
        hideNow();
    }
}

DisplayBrightnessList &PopupDisplay::displayBrightnesses()
{
    // A list outlives no pop-up: one that was not shown (the session was locked, the pop-up
    // switched off) is started anew.
    if (!d->window || !d->window->isVisible()) {
        d->displayBrightnesses.clear();
    }
    return d->displayBrightnesses;
}

void PopupDisplay::startWarmUp(std::vector<IdleWarmUp::Step> steps, int delayMs)
{
    d->warmUp = new IdleWarmUp(std::move(steps), delayMs, this);
    // What the warm-up parsed and decoded on the way to its caches is freed by then: the
    // freed heap pages are given back once.
    connect(d->warmUp, &IdleWarmUp::finished, this, &PopupDisplay::releaseIdleMemory);
}

QTimer *PopupDisplay::hideTimer() const
{
    return d->hideTimer;
}

Vesk::SystemSoundsQt::Player *PopupDisplay::soundPlayer() const
{
    return d->soundPlayer.get();
}

IdleWarmUp *PopupDisplay::warmUp() const
{
    return d->warmUp;
}

bool PopupDisplay::eventFilter(QObject *watched, QEvent *event)
{
    if (d->window && watched == d->window.get() && event->type() == QEvent::Show) {
        Vesk::SystemSoundsQt::Player *player = d->ensureSoundPlayer();
        QMetaObject::invokeMethod(
            player,
            [player] {
                player->playByType(Vesk::VeskSoundVolumeChange, Vesk::ServerSoundCacheVolatile);
            },
            Qt::QueuedConnection);
        // The show event stops here: neither style reimplements showEvent(), and the window is
        // mapped by QWidget::setVisible() whatever becomes of the event.
        return true;
    }
    return QObject::eventFilter(watched, event);
}
