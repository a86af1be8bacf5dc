// SPDX-License-Identifier: GPL-2.0-or-later
#include "popupwidget.h"

#include "framepacer.h"
#include "iconthemevariant.h"
#include "osdconfig.h"
#include "popupsurface.h"
#include "primaryscreen.h"
#include "surfacechooser.h"
#include "veskcolortheme.h"
#include "veskthemewatcher.h"
#include "veskutils.h"

#include <QEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QPointer>
#include <QScreen>

#include <utility>

class PopupWidgetPrivate
{
public:
    int timeout = OsdConfig::defaultTimeoutMs;
    QVariant osdValue;
    int osdMaxValue = 100;
    QString iconName;
    bool showingProgress = false;
    QList<PopupListRow> listRows;
    bool customImageMode = false;
    QString textFontFamily;
    int textFontPointSize = 0;
    OsdConfig *config = nullptr;
    PopupSurface *surface = nullptr;
    VeskColorTheme colorTheme;
    bool themeUsesComposite = false;
    PopupIcon icon;
    QPointer<QScreen> requestedScreen;
    // What changed while the window was hidden and the style has not shown yet.
    PopupWidget::ContentParts unshownParts;
};

PopupWidget::PopupWidget(OsdConfig *config, QObject *owner)
    // A pop-up must never take the keyboard from the application the user is typing in, so
    // the window refuses focus (with WA_ShowWithoutActivating below) and is shown and raised
    // without being activated.
    : QFrame(nullptr,
             Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput | Qt::CustomizeWindowHint
                 | Qt::WindowDoesNotAcceptFocus)
    , d(std::make_unique<PopupWidgetPrivate>())
{
    // The owner only owns the window, which stays top-level: a widget parent would make it a
    // child widget.
    if (owner) {
        QObject::setParent(owner);
    }
    d->config = config;
    if (config) {
        d->timeout = config->timeout();
        connect(config, &OsdConfig::changed, this, [this] {
            updatePositionOnScreen();
        });
    }
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowOpacity(config ? config->opacity() : 1.0);
    new FramePacer(this);

    d->surface = SurfaceChooser::create(this);
    connect(d->surface, &PopupSurface::screenChanged, this, [this] {
        updatePositionOnScreen();
        if (isVisible() && !d->surface->isPlacedBySystem()) {
            Q_EMIT placementScreenChanged();
        }
    });
    connect(d->surface, &PopupSurface::screenMetricsChanged, this, [this] {
        onScreenMetricsChanged();
        if (isVisible()) {
            Q_EMIT placementScreenChanged();
        }
    });

    readTheme();
    connect(new VeskThemeWatcher(this), &VeskThemeWatcher::currentThemeChanged, this, [this] {
        readTheme();
        onCurrentThemeChanged();
    });
}

PopupWidget::~PopupWidget() = default;

void PopupWidget::readTheme()
{
    d->colorTheme = VeskUtils::genColorTheme();
    d->themeUsesComposite = VeskUtils::useComposite();
    // The icon theme is the process's; the daemon has one pop-up.
    const QString iconTheme = IconThemeVariant::forColors(QIcon::themeName(), QColor(d->colorTheme.backgroundColor()), QColor(d->colorTheme.textColor()));
    if (iconTheme != QIcon::themeName()) {
        QIcon::setThemeName(iconTheme);
        d->icon.clear();
    }
}

void PopupWidget::changeEvent(QEvent *event)
{
    QFrame::changeEvent(event);
    // A theme that takes its colour from the application's palette follows it.
    if (event->type() == QEvent::ApplicationPaletteChange) {
        readTheme();
        onCurrentThemeChanged();
    }
}

int PopupWidget::timeout() const
{
    return d->timeout;
}

QVariant PopupWidget::osdValue() const
{
    return d->osdValue;
}

int PopupWidget::osdMaxValue() const
{
    return d->osdMaxValue;
}

QString PopupWidget::icon() const
{
    return d->iconName;
}

bool PopupWidget::showingProgress() const
{
    return d->showingProgress;
}

bool PopupWidget::customImageMode() const
{
    return d->customImageMode;
}

QString PopupWidget::textFontFamily() const
{
    return d->textFontFamily;
}

int PopupWidget::textFontPointSize() const
{
    return d->textFontPointSize;
}

PopupSurface *PopupWidget::surface() const
{
    return d->surface;
}

const VeskColorTheme &PopupWidget::colorTheme() const
{
    return d->colorTheme;
}

bool PopupWidget::themeUsesComposite() const
{
    return d->themeUsesComposite;
}

void PopupWidget::setTimeout(int timeout)
{
    if (d->timeout == timeout) {
        return;
    }
    d->timeout = timeout;
    Q_EMIT timeoutChanged(timeout);
}

void PopupWidget::setOsdValue(const QVariant &osdValue)
{
    // QVariant's own comparison converts: the number 7 would equal the text "007".
    if (d->osdValue.userType() == osdValue.userType() && d->osdValue == osdValue) {
        return;
    }
    d->osdValue = osdValue;
    Q_EMIT osdValueChanged(osdValue);
    contentChanged(ContentPart::Value);
}

void PopupWidget::resetValue()
{
    const QVariant zero(0);
    if (d->osdValue.userType() == zero.userType() && d->osdValue == zero) {
        return;
    }
    d->osdValue = zero;
    Q_EMIT osdValueChanged(zero);
    if (isVisible()) {
        contentChanged(ContentPart::Value);
        return;
    }
    d->unshownParts |= ContentPart::Value;
}

void PopupWidget::setOsdMaxValue(int osdMaxValue)
{
    if (d->osdMaxValue == osdMaxValue) {
        return;
    }
    d->osdMaxValue = osdMaxValue;
    Q_EMIT osdMaxValueChanged(osdMaxValue);
    contentChanged(ContentPart::Maximum);
}

void PopupWidget::setIcon(const QString &icon)
{
    if (d->iconName == icon) {
        return;
    }
    d->iconName = icon;
    Q_EMIT iconChanged(icon);
    contentChanged(ContentPart::Icon);
}

QList<PopupListRow> PopupWidget::listRows() const
{
    return d->listRows;
}

void PopupWidget::setListRows(const QList<PopupListRow> &rows)
{
    if (d->listRows == rows) {
        return;
    }
    d->listRows = rows;
    Q_EMIT listRowsChanged();
    contentChanged(ContentPart::Rows);
}

void PopupWidget::setShowingProgress(bool showingProgress)
{
    if (d->showingProgress == showingProgress) {
        return;
    }
    d->showingProgress = showingProgress;
    Q_EMIT showingProgressChanged(showingProgress);
    contentChanged(ContentPart::Progress);
}

void PopupWidget::setTextFontFamily(const QString &family)
{
    if (d->textFontFamily == family) {
        return;
    }
    d->textFontFamily = family;
    onTextFontChanged();
}

void PopupWidget::setTextFontPointSize(int pointSize)
{
    if (d->textFontPointSize == pointSize) {
        return;
    }
    d->textFontPointSize = pointSize;
    onTextFontChanged();
}

void PopupWidget::setCustomImageMode(bool enabled)
{
    if (d->customImageMode == enabled) {
        return;
    }
    d->customImageMode = enabled;
    onCustomImageModeChanged();
}

void PopupWidget::setTextLook(const PopupTextLook &look)
{
    setCustomImageMode(look.customImage);
    setTextFontFamily(look.fontFamily);
    setTextFontPointSize(look.fontPointSize);
}

void PopupWidget::contentChanged(ContentParts changed)
{
    onContentChanged(changed | std::exchange(d->unshownParts, {}));
    updatePositionOnScreen();
}

void PopupWidget::setContent(const PopupContent &content)
{
    const bool progress = content.kind == PopupContent::Kind::Progress;
    PopupTextLook look = content.look;
    if (progress) {
        look.fontFamily = d->textFontFamily;
        look.fontPointSize = d->textFontPointSize;
    }
    setTextLook(look);

    ContentParts changed;
    if (d->listRows != content.rows) {
        d->listRows = content.rows;
        changed |= ContentPart::Rows;
        Q_EMIT listRowsChanged();
    }
    if (d->osdMaxValue != content.maximum) {
        d->osdMaxValue = content.maximum;
        changed |= ContentPart::Maximum;
        Q_EMIT osdMaxValueChanged(d->osdMaxValue);
    }
    const QVariant value = progress ? QVariant(content.value) : QVariant(content.text);
    if (d->osdValue.userType() != value.userType() || d->osdValue != value) {
        d->osdValue = value;
        changed |= ContentPart::Value;
        Q_EMIT osdValueChanged(d->osdValue);
    }
    if (d->showingProgress != progress) {
        d->showingProgress = progress;
        changed |= ContentPart::Progress;
        Q_EMIT showingProgressChanged(progress);
    }
    if (d->iconName != content.icon) {
        d->iconName = content.icon;
        changed |= ContentPart::Icon;
        Q_EMIT iconChanged(d->iconName);
    }
    if (!progress) {
        changed = ContentPart::All;
    }
    changed |= std::exchange(d->unshownParts, {});
    if (!changed) {
        return;
    }
    onContentChanged(changed);
    if (!progress) {
        adjustSize();
    }
    updatePositionOnScreen();
}

void PopupWidget::setVisible(bool visible)
{
    if (visible && d->unshownParts) {
        contentChanged({});
    }
    // Placed on its screen before it shows; stops following screens before it hides.
    setScreenWatching(visible);
    QFrame::setVisible(visible);
    if (!visible) {
        d->surface->hidden();
        return;
    }
    // Qt posts every widget it shows a repaint of its own. Where the window system's expose
    // of the new window comes first, those would paint the whole pop-up a second time;
    // delivered now, before the window is mapped, they join the one paint of the expose.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateLater);
    onShown();
    d->surface->shown();
}

bool PopupWidget::isScreenWatching() const
{
    return d->surface->screen();
}

void PopupWidget::setScreen(QScreen *screen)
{
    d->surface->setScreen(screen);
}

void PopupWidget::setRequestedScreen(QScreen *screen)
{
    if (d->requestedScreen == screen) {
        return;
    }
    d->requestedScreen = screen;
    if (!isVisible()) {
        return;
    }
    // Where the window now belongs, when that is known before it is shown.
    QScreen *target = screen;
    const OsdConfig::ScreenChoice choice = d->config ? d->config->screenChoice() : OsdConfig::ScreenChoice::Primary;
    if (!target && (choice == OsdConfig::ScreenChoice::Primary || choice == OsdConfig::ScreenChoice::All)) {
        target = PrimaryScreen::instance()->screen();
    }
    // A shown window cannot always move to another screen (under X11 not to another X screen
    // at all): it is shown anew where it now belongs. One that is there already stays.
    if (!target || target != d->surface->screen()) {
        setVisible(false);
        setVisible(true);
    }
}

QScreen *PopupWidget::requestedScreen() const
{
    return d->requestedScreen;
}

void PopupWidget::setScreenWatching(bool isWatching)
{
    if (!isWatching) {
        d->surface->setScreen(nullptr);
        return;
    }
    if (d->requestedScreen) {
        d->surface->followScreen(d->requestedScreen);
        return;
    }
    d->surface->followChosenScreen(d->config ? d->config->screenChoice() : OsdConfig::ScreenChoice::Primary);
}

std::optional<PopupPosition::Position> PopupWidget::positionSetting() const
{
    return d->config ? d->config->position() : std::nullopt;
}

std::optional<int> PopupWidget::marginSetting() const
{
    return d->config ? d->config->margin() : std::nullopt;
}

QScreen *PopupWidget::placementScreen() const
{
    return d->surface->screen() ? d->surface->screen() : PrimaryScreen::instance()->screen();
}

QSize PopupWidget::customImageLimit() const
{
    const QScreen *screen = placementScreen();
    if (!screen) {
        return QSize();
    }
    const QSize available = screen->availableGeometry().size();
    return QSize(qMax(1, available.width() / 6), qMax(1, available.height() / 6));
}

const PopupIcon &PopupWidget::loadIcon(PopupIcon::NamedIconLookup lookup) const
{
    d->icon.load(d->iconName, d->customImageMode, customImageLimit(), lookup);
    return d->icon;
}

const PopupIcon &PopupWidget::loadedIcon() const
{
    return d->icon;
}

void PopupWidget::updatePositionOnScreen()
{
}

void PopupWidget::onScreenMetricsChanged()
{
}

void PopupWidget::onCurrentThemeChanged()
{
}

void PopupWidget::onTextFontChanged()
{
}

void PopupWidget::onCustomImageModeChanged()
{
}

void PopupWidget::onContentChanged(ContentParts)
{
}

void PopupWidget::onShown()
{
}
