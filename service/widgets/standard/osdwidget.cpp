// SPDX-License-Identifier: GPL-2.0-or-later
#include "osdwidget.h"

#include "framepacer.h"
#include "imagefileloader.h"
#include "osdconfig.h"
#include "popupsurface.h"
#include "resizedtext.h"
#include "standardplacement.h"
#include "stylehelper.h"
#include "veskcolortheme.h"
#include "veskthemewatcher.h"
#include "veskutils.h"

#include <KLocalizedString>

#include <QApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QUrl>

#include <algorithm>

namespace
{
const int layoutMargin = 6;
const QSize iconMinimumSize(32, 32);

// The runs of blanks are part of the texts.
const QString textStyle = QStringLiteral("QWidget { color: %1; background-color: %2; }");
const QString windowStyle = QStringLiteral("OsdWidget { background-color: %1;             border: 1px solid %2; }");
const QString progressStyle = QStringLiteral(
    "QProgressBar { background-color: %2;                min-height: 8px;                max-height: 8px;                border: 1px solid %1;                "
    "border-radius: 3px; }QProgressBar::chunk { background-color: %1; }");

// The rounded pill behind the text: the palette's button colour where the text reads well on
// it (at least 4.5:1), as in every light theme. Elsewhere, where a dark theme's white text would
// sit on a light button, the theme background instead: taken a fifth of the way toward the text
// colour, so that the pill stands out from the window as it does in a light theme, or less far,
// or toward the text colour's opposite, as far as the text needs to read well.
QColor textPillColor(const QColor &button, const QColor &background, const QColor &text)
{
    const double readable = 4.5;
    if (StyleHelper::contrastRatio(button, text) >= readable) {
        return button;
    }
    const QColor opposite = StyleHelper::contrastRatio(text, Qt::black) > StyleHelper::contrastRatio(text, Qt::white) ? Qt::black : Qt::white;
    for (int percent = 20; percent >= -100; --percent) {
        const QColor toward = percent >= 0 ? text : opposite;
        // As painted: eight bits a channel.
        const QColor pill = StyleHelper::colorOpacity(background, toward, 1.0 - qAbs(percent) / 100.0).rgb();
        if (StyleHelper::contrastRatio(pill, text) >= readable) {
            return pill;
        }
    }
    return opposite;
}

QString percentText(const QString &value)
{
    return ki18ndc("vesk_notify_osd_service", "Percentage value", "%1%").subs(value).toString();
}

// The window's font: @p font enlarged by 5 %.
QFont enlargedFont(QFont font)
{
    if (font.pixelSize() > 0) {
        font.setPixelSize(qRound(font.pixelSize() * 1.05));
    } else {
        font.setPointSize(qRound(font.pointSize() * 1.05));
    }
    return font;
}
}

class OsdWidgetPrivate
{
public:
    int timeout = 1800;
    QVariant osdValue;
    int osdMaxValue = 100;
    QString icon;
    bool showingProgress = false;
    bool customImageMode = false;
    OsdConfig *config = nullptr;
    PopupSurface *surface = nullptr;
    QLabel *iconLabel = nullptr;
    QProgressBar *progressBar = nullptr;
    QLabel *percentLabel = nullptr;
    ResizedText *text = nullptr;
    VeskThemeWatcher *themeWatcher = nullptr;
    QFont baseTextFont;
    QString textFontFamily;
    int textFontPointSize = 0;
};

OsdWidget::OsdWidget(OsdConfig *config)
    // WindowDoesNotAcceptFocus (with WA_ShowWithoutActivating below) keeps the keyboard focus
    // with the application the user is typing in.
    : QFrame(nullptr,
             Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput | Qt::CustomizeWindowHint
                 | Qt::WindowDoesNotAcceptFocus)
    , d(nullptr)
{
    init(config);
}

OsdWidget::~OsdWidget()
{
    delete d->themeWatcher;
    delete d->iconLabel;
    delete d->progressBar;
    delete d->percentLabel;
    delete d->text;
    delete d;
}

void OsdWidget::init(OsdConfig *config)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    new FramePacer(this);

    setFont(enlargedFont(font()));

    d = new OsdWidgetPrivate;
    d->config = config;
    d->surface = PopupSurface::create(this);
    connect(d->surface, &PopupSurface::screenChanged, this, &OsdWidget::updatePositionOnScreen);
    connect(d->surface, &PopupSurface::screenMetricsChanged, this, &OsdWidget::onScreenMetricsChanged);
    setWindowOpacity(config ? config->opacity() : 1.0);

    auto layout = new QHBoxLayout(this);
    layout->setContentsMargins(layoutMargin, layoutMargin, layoutMargin, layoutMargin);

    d->iconLabel = new QLabel(this);
    d->iconLabel->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    d->iconLabel->setMinimumSize(iconMinimumSize);
    layout->addWidget(d->iconLabel, 0, Qt::AlignLeft);

    d->progressBar = new QProgressBar(this);
    d->progressBar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Maximum);
    d->progressBar->setFormat(QString());
    layout->addWidget(d->progressBar, 0, Qt::AlignVCenter);

    d->percentLabel = new QLabel(this);
    d->percentLabel->setMinimumWidth(d->percentLabel->fontMetrics().horizontalAdvance(percentText(QStringLiteral("100%"))));
    d->percentLabel->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Maximum);
    d->percentLabel->setTextFormat(Qt::PlainText);
    d->percentLabel->setWordWrap(false);
    d->percentLabel->setAlignment(Qt::AlignCenter);
    layout->addWidget(d->percentLabel, 0, Qt::AlignVCenter);

    d->text = new ResizedText(this);
    d->text->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout->addWidget(d->text, 0, Qt::AlignVCenter);
    d->baseTextFont = d->text->font();

    connect(this, &OsdWidget::iconChanged, this, &OsdWidget::updateIcon);
    connect(this, &OsdWidget::osdMaxValueChanged, this, &OsdWidget::updateProgressBar);
    connect(this, &OsdWidget::showingProgressChanged, this, &OsdWidget::updateProgressBar);
    connect(this, &OsdWidget::osdValueChanged, this, &OsdWidget::updateProgressBar);
    connect(this, &OsdWidget::showingProgressChanged, this, &OsdWidget::updateText);
    connect(this, &OsdWidget::osdValueChanged, this, &OsdWidget::updateText);

    d->themeWatcher = new VeskThemeWatcher(this);
    connect(d->themeWatcher, &VeskThemeWatcher::currentThemeChanged, this, &OsdWidget::onCurrentThemeChanged);

    setupStyle();
    updateSizes();
    updateIcon();
    updateProgressBar();
    updateText();
}

int OsdWidget::timeout() const
{
    return d->timeout;
}

QVariant OsdWidget::osdValue() const
{
    return d->osdValue;
}

int OsdWidget::osdMaxValue() const
{
    return d->osdMaxValue;
}

QString OsdWidget::icon() const
{
    return d->icon;
}

bool OsdWidget::showingProgress() const
{
    return d->showingProgress;
}

bool OsdWidget::customImageMode() const
{
    return d->customImageMode;
}

bool OsdWidget::isScreenWatching() const
{
    return d->surface->screen();
}

void OsdWidget::setTimeout(int timeout)
{
    if (d->timeout == timeout) {
        return;
    }
    d->timeout = timeout;
    Q_EMIT timeoutChanged(timeout);
}

void OsdWidget::setOsdValue(const QVariant &osdValue)
{
    // QVariant's own comparison converts: the number 7 would equal the text "007".
    if (d->osdValue.userType() == osdValue.userType() && d->osdValue == osdValue) {
        return;
    }
    d->osdValue = osdValue;
    Q_EMIT osdValueChanged(osdValue);
    updatePositionOnScreen();
}

void OsdWidget::setOsdMaxValue(int osdMaxValue)
{
    if (d->osdMaxValue == osdMaxValue) {
        return;
    }
    d->osdMaxValue = osdMaxValue;
    Q_EMIT osdMaxValueChanged(osdMaxValue);
    updatePositionOnScreen();
}

void OsdWidget::setIcon(const QString &icon)
{
    if (d->icon == icon) {
        return;
    }
    d->icon = icon;
    Q_EMIT iconChanged(icon);
    updatePositionOnScreen();
}

void OsdWidget::setShowingProgress(bool showingProgress)
{
    if (d->showingProgress == showingProgress) {
        return;
    }
    d->showingProgress = showingProgress;
    Q_EMIT showingProgressChanged(showingProgress);
    updatePositionOnScreen();
}

void OsdWidget::setTextFontFamily(const QString &family)
{
    if (d->textFontFamily == family) {
        return;
    }
    d->textFontFamily = family;
    applyTextFont();
}

void OsdWidget::setTextFontPointSize(int pointSize)
{
    if (d->textFontPointSize == pointSize) {
        return;
    }
    d->textFontPointSize = pointSize;
    applyTextFont();
}

void OsdWidget::setCustomImageMode(bool enabled)
{
    if (d->customImageMode == enabled) {
        return;
    }
    d->customImageMode = enabled;
    updateIcon();
    updateText();
    updateSizes();
    updatePositionOnScreen();
}

void OsdWidget::setVisible(bool visible)
{
    if (visible) {
        setScreenWatching(true);
        QFrame::setVisible(true);
        d->surface->shown();
    } else {
        setScreen(nullptr);
        QFrame::setVisible(false);
        d->surface->hidden();
    }
}

void OsdWidget::setScreen(QScreen *screen)
{
    d->surface->setScreen(screen);
}

void OsdWidget::setScreenWatching(bool isWatching)
{
    setScreen(isWatching ? QGuiApplication::primaryScreen() : nullptr);
}

void OsdWidget::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    updateIcon();
}

void OsdWidget::updateIcon() const
{
    QLabel *label = d->iconLabel;
    const QString &icon = d->icon;
    const bool isPath = icon.startsWith(QLatin1String("file://")) || icon.contains(QLatin1Char('/'));

    auto showIcon = [label](const QIcon &shown) {
        label->setMinimumSize(iconMinimumSize);
        label->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        label->setVisible(!shown.isNull());
        label->setPixmap(shown.pixmap(label->size(), QIcon::Normal, QIcon::Off));
    };
    if (!isPath) {
        showIcon(QIcon::fromTheme(icon));
        return;
    }

    QString path = icon;
    if (icon.startsWith(QLatin1String("file://"))) {
        const QUrl url(icon, QUrl::TolerantMode);
        if (url.isLocalFile()) {
            path = url.toLocalFile();
        }
    }

    // Any program on the bus names this file, so it is read only through the loader, which
    // refuses special files and images too costly to decode or draw. What it refuses is
    // shown like a missing file.
    if (d->customImageMode) {
        QSize limit;
        QScreen *screen = d->surface->screen() ? d->surface->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            const QSize available = screen->availableGeometry().size();
            limit = QSize(available.width() >= 12 ? available.width() / 6 : 1, available.height() >= 12 ? available.height() / 6 : 1);
        }
        const QPixmap image = ImageFileLoader::loadPixmap(path, limit);
        if (!image.isNull()) {
            label->setPixmap(image);
            label->setMinimumSize(image.size());
            label->setMaximumSize(image.size());
            label->show();
            return;
        }
    }
    const QIcon fileIcon = ImageFileLoader::loadIcon(path);
    if (fileIcon.isNull()) {
        label->hide();
        label->setPixmap(QPixmap());
        label->setMinimumSize(0, 0);
        label->setMaximumSize(0, 0);
        return;
    }
    showIcon(fileIcon);
}

void OsdWidget::updateProgressBar() const
{
    d->progressBar->setVisible(d->showingProgress);
    d->percentLabel->setVisible(d->showingProgress);
    const int value = d->osdValue.toInt();
    d->progressBar->setRange(0, d->osdMaxValue);
    d->progressBar->setValue(value);
    // QProgressBar leaves a change unpainted that it expects to stay within one chunk of its
    // style; the style sheet fills the bar without chunks, so a step of a percent or two would
    // not show until the value had moved further.
    d->progressBar->update();
    d->percentLabel->setText(percentText(QString::number(value)));
}

void OsdWidget::updateText() const
{
    const QString text = d->osdValue.toString().trimmed();
    const bool visible = !d->showingProgress && !text.isEmpty();
    d->text->setVisible(visible);
    if (visible) {
        d->text->setText(text);
    } else {
        d->text->clear();
    }
}

void OsdWidget::onScreenMetricsChanged()
{
    d->text->refreshLayout();
    updateIcon();
    updateSizes();
    updatePositionOnScreen();
}

void OsdWidget::updatePositionOnScreen()
{
    QScreen *screen = d->surface->screen();
    if (!screen) {
        return;
    }
    const QRect available = screen->availableGeometry();
    setMaximumSize(StandardPlacement::maximumSize(available));
    updateSizes();
    d->surface->moveTo(StandardPlacement::position(available, size()));
}

void OsdWidget::updateSizes()
{
    const auto box = static_cast<QHBoxLayout *>(layout());
    const QMargins margins = box->contentsMargins();
    const QSize textMinimum = d->text->minimumSizeHint();
    const int minimumWidth =
        margins.left() + d->iconLabel->minimumWidth() + d->percentLabel->minimumWidth() + textMinimum.width() + 2 * box->spacing() + margins.right();
    const int minimumHeight = std::max({d->iconLabel->minimumHeight(), d->progressBar->minimumHeight(), d->percentLabel->minimumHeight(), textMinimum.height()})
        + margins.top() + margins.bottom();
    setMinimumSize(minimumWidth, minimumHeight);
    adjustSize();
}

void OsdWidget::onCurrentThemeChanged()
{
    setupStyle();
    updateSizes();
}

void OsdWidget::setupStyle()
{
    const VeskColorTheme theme = VeskUtils::genColorTheme();
    const QColor background(theme.backgroundColor());
    const QColor border = StyleHelper::colorDarker(background, 0.04, 1, 0.1, 0.9);
    setStyleSheet(windowStyle.arg(theme.backgroundColor(), border.name()));
    d->progressBar->setStyleSheet(progressStyle.arg(theme.textColor(), background.name()));
    d->percentLabel->setStyleSheet(QStringLiteral("color: %1").arg(theme.textColor()));
    // Colours of style sheets stay with their widget: without one of its own, the text widget
    // would paint its pill in the application palette's button colour.
    const QColor pill = textPillColor(QApplication::palette(d->text).color(QPalette::Button), background, QColor(theme.textColor()));
    d->text->setStyleSheet(textStyle.arg(theme.textColor(), pill.name()));
}

void OsdWidget::applyTextFont()
{
    QFont textFont = d->baseTextFont;
    if (!d->textFontFamily.isEmpty()) {
        textFont.setFamily(d->textFontFamily);
    }
    if (d->textFontPointSize > 0) {
        textFont.setPointSize(d->textFontPointSize);
    }
    d->text->setFont(textFont);
    updateSizes();
    updatePositionOnScreen();
}

void OsdWidget::preloadFonts()
{
    const QFont windowFont = enlargedFont(QApplication::font());
    QFontMetricsF(windowFont).horizontalAdvance(percentText(QStringLiteral("100")));
    ResizedText::preloadFont(windowFont);
}

void OsdWidget::preloadIcon(const QString &name)
{
    // The label renders it at least at this size.
    QIcon::fromTheme(name).pixmap(iconMinimumSize);
}
