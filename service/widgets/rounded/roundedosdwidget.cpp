// SPDX-License-Identifier: GPL-2.0-or-later
#include "roundedosdwidget.h"

#include "namedcolor.h"
#include "osdutils.h"
#include "popuplist.h"
#include "popupplacement.h"
#include "popupsurface.h"
#include "resizedtext.h"
#include "roundedlabel.h"
#include "roundedprogressbar.h"
#include "stylehelper.h"
#include "veskcolortheme.h"

#include <QApplication>
#include <QEvent>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTextDocument>
#include <QVBoxLayout>

namespace
{
const QString styleSheetTemplate = QStringLiteral("QWidget { color: %1; background-color: %2; }");
const QString fontFamily = QStringLiteral("PT Orvel Fact [Regular]");

// Room around the rows of a list: clear of the rounded corners at the sides, as much above and
// below as the badge's ring leaves around the badge.
const QMargins listPadding(12, 10, 12, 10);

// The size of an icon in the badge, unless it shows a custom image.
const QSize badgeIconSize(24, 24);

// Children that paint only what they draw themselves, so that the window's background (or,
// when composited, the desktop) shows around them.
void setTranslucentAttributes(QWidget *widget)
{
    widget->setAttribute(Qt::WA_NoSystemBackground);
    widget->setAttribute(Qt::WA_TranslucentBackground);
}

// The family the style's fonts ask for. Where the style's own family is not installed, Qt
// searches fontconfig's substitutes for it anew for every size (seven on the first pop-up,
// some two million instructions each). The family Qt settles on is learnt once and asked for
// directly after that: the same font, and the same fallbacks for characters it lacks.
const QString &installedFamily()
{
    static const QString family = [] {
        const QString found = QFontInfo(QFont(fontFamily)).family();
        const QString wanted = fontFamily.left(fontFamily.indexOf(QLatin1String(" [")));
        return found.compare(wanted, Qt::CaseInsensitive) == 0 ? fontFamily : found;
    }();
    return family;
}

QFont badgeFont()
{
    return StyleHelper::fontScaled(QFont(installedFamily(), 10), 1.35);
}

// The text font before a caller's overrides, for a window font of @p pointSize points.
QFont baseTextFont(int pointSize)
{
    return StyleHelper::fontScaled(QFont(installedFamily(), pointSize), 0.9);
}
}

class RoundedOsdWidgetPrivate
{
public:
    // The window's background: the custom colour if there is one, else the theme's, mixed
    // 80/20 with the text colour.
    QColor mixedBackgroundColor(const VeskColorTheme &theme) const;

    bool compositingSuspended = false;
    // The opaque background is drawn inside the rounded outline, on a translucent window,
    // where the window system does not cut windows to their mask.
    bool paintsOutline = false;
    bool noBackgroundMode = false;
    // A custom text's own position; none: the setting's.
    std::optional<PopupPosition::Position> osdPosition;
    QWidget *flatWidget = nullptr;
    RoundedLabel *iconLabel = nullptr;
    RoundedProgressBar *progressBar = nullptr;
    ResizedText *textLabel = nullptr;
    PopupList *list = nullptr;
    QString customBackgroundColor;
    QSize defaultLabelSize = QSize(-1, -1);
    QSize defaultIconSize = QSize(-1, -1);
};

QColor RoundedOsdWidgetPrivate::mixedBackgroundColor(const VeskColorTheme &theme) const
{
    QColor background(customBackgroundColor);
    if (!background.isValid()) {
        background = QColor(theme.backgroundColor());
    }
    return StyleHelper::colorOpacity(background, QColor(theme.textColor()), 0.8);
}

RoundedOsdWidget::RoundedOsdWidget(OsdConfig *config, QObject *parent)
    : RoundedWindow(config, parent)
    , d(std::make_unique<RoundedOsdWidgetPrivate>())
{
    init();
}

RoundedOsdWidget::~RoundedOsdWidget() = default;

void RoundedOsdWidget::init()
{
    connect(surface(), &PopupSurface::compositingChanged, this, &RoundedOsdWidget::onCompositingChange);

    setTranslucentAttributes(this);
    setUpdatingRoundedMask(true);

    d->iconLabel = new RoundedLabel(this);
    d->iconLabel->setAutoFillBackground(true);
    d->iconLabel->setStandartIconSize(badgeIconSize);
    d->iconLabel->setFixedSize(58, 58);
    d->defaultLabelSize = QSize(58, 58);
    d->defaultIconSize = badgeIconSize;
    setTranslucentAttributes(d->iconLabel);

    d->progressBar = new RoundedProgressBar(this);
    d->progressBar->setAutoFillBackground(true);
    d->progressBar->setFixedSize(78, 78);
    d->progressBar->setLineThickness(6);
    setTranslucentAttributes(d->progressBar);

    auto *layout = new QVBoxLayout;
    setLayout(layout);

    // The badge and the ring float over this placeholder, which only reserves their room.
    d->flatWidget = new QWidget(this);
    setTranslucentAttributes(d->flatWidget);
    layout->addWidget(d->flatWidget);

    d->textLabel = new ResizedText(this);
    d->textLabel->setAutoFillBackground(true);
    d->textLabel->document()->setDocumentMargin(2.0);
    d->textLabel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    d->textLabel->setMinimumSize(240, 24);
    setTranslucentAttributes(d->textLabel);
    layout->addWidget(d->textLabel);

    d->list = new PopupList(this);
    d->list->setPadding(listPadding);
    d->list->setBorderRadius(d->textLabel->borderRadiusHorizontal());
    d->list->hide();
    setTranslucentAttributes(d->list);
    layout->addWidget(d->list);

    // The font of the number inside the badge.
    d->iconLabel->setFont(badgeFont());

    setupStyle();
    reloadIcon();
    updateProgress();
    updateText();
}

void RoundedOsdWidget::onTextFontChanged()
{
    updateFont();
    updateFlatWidget();
    updatePositionOnScreen();
}

void RoundedOsdWidget::setNoBackgroundMode(bool enabled)
{
    if (d->noBackgroundMode == enabled) {
        return;
    }
    d->noBackgroundMode = enabled;
    d->iconLabel->setRoundedBackgroundVisible(!enabled);
    d->iconLabel->setCustomPixmapClipEnabled(!enabled);
    d->iconLabel->setAutoFillBackground(!enabled);
    updateCompositingState();
    setupStyle();
    reloadIcon();
    updateText();
    updateFlatWidget();
    adjustSize();
    updatePositionOnScreen();
    update();
}

bool RoundedOsdWidget::noBackgroundMode()
{
    return d->noBackgroundMode;
}

void RoundedOsdWidget::setCustomBackgroundColor(QString color)
{
    // Checked without a warning for every bad name that a caller on the bus sends.
    const QString trimmed = color.trimmed();
    const QString accepted = namedColor(trimmed).isValid() ? trimmed : QString();
    if (d->customBackgroundColor == accepted) {
        return;
    }
    d->customBackgroundColor = accepted;
    setupStyle();
    update();
}

void RoundedOsdWidget::setTextLook(const PopupTextLook &look)
{
    setCustomImageMode(look.customImage);
    setNoBackgroundMode(look.noBackground);
    setCustomBackgroundColor(look.backgroundColor);
    setTextFontFamily(look.fontFamily);
    setTextFontPointSize(look.fontPointSize);
    setOsdPosition(look.position);
}

// The ring and number are up to date before the text.
void RoundedOsdWidget::onContentChanged(ContentParts changed)
{
    if (changed & ContentPart::Icon) {
        reloadIcon();
    }
    if (changed & (ContentPart::Value | ContentPart::Maximum | ContentPart::Progress)) {
        updateProgress();
    }
    if (changed & (ContentPart::Value | ContentPart::Progress | ContentPart::Rows)) {
        updateText();
    }
}

void RoundedOsdWidget::onCustomImageModeChanged()
{
    reloadIcon();
    updateText();
    updateFlatWidget();
    adjustSize();
    updatePositionOnScreen();
}

void RoundedOsdWidget::setOsdPosition(QString position)
{
    const std::optional<PopupPosition::Position> parsed = PopupPosition::fromWord(position);
    if (d->osdPosition == parsed) {
        return;
    }
    d->osdPosition = parsed;
    updatePositionOnScreen();
}

void RoundedOsdWidget::onScreenMetricsChanged()
{
    d->textLabel->refreshLayout();
    updateFont();
    reloadIcon();
    updateFlatWidget();
    adjustSize();
    updatePositionOnScreen();
}

void RoundedOsdWidget::updatePositionOnScreen()
{
    QScreen *screen = surface()->screen();
    if (!screen) {
        return;
    }
    const QRect area = screen->availableGeometry();
    setMaximumSize(PopupPlacement::maximumSize(area));
    adjustSize();
    const PopupPosition::Position position = d->osdPosition.value_or(positionSetting().value_or(PopupPosition::North));
    surface()->moveTo(PopupPlacement::position(position, area, size(), marginSetting().value_or(PopupPlacement::defaultMargin)));
}

void RoundedOsdWidget::onShown()
{
    RoundedWindow::onShown();
    // The window is painted whole as it is exposed; a repaint of its own would paint every
    // pop-up twice. Only a state that changed while hidden asks for one.
    if (applyCompositingState()) {
        update();
    }
}

bool RoundedOsdWidget::event(QEvent *e)
{
    const bool result = RoundedWindow::event(e);
    if (result && e->type() == QEvent::FontChange) {
        updateFont();
    }
    return result;
}

void RoundedOsdWidget::updateCompositingState()
{
    applyCompositingState();
    update();
}

bool RoundedOsdWidget::applyCompositingState()
{
    const bool useComposite = themeUsesComposite();
    // Without a compositor the corners are cut by the mask, unless the theme wants square
    // windows or there is no background to round.
    const bool rounded = !(useComposite || d->noBackgroundMode);
    const bool paintsOutline = rounded && !surface()->masksShape();
    const bool translucent = (!d->compositingSuspended && useComposite && surface()->isCompositing()) || paintsOutline;
    const bool masked = !translucent && rounded;
    const bool changed = paintsOutline != d->paintsOutline || translucent != testAttribute(Qt::WA_TranslucentBackground)
        || translucent != testAttribute(Qt::WA_NoSystemBackground) || translucent == testAttribute(Qt::WA_OpaquePaintEvent)
        || masked != isUpdatingRoundedMask();
    d->paintsOutline = paintsOutline;
    setAttribute(Qt::WA_NoSystemBackground, translucent);
    setAttribute(Qt::WA_TranslucentBackground, translucent);
    setAttribute(Qt::WA_OpaquePaintEvent, !translucent);
    setUpdatingRoundedMask(masked);
    return changed;
}

void RoundedOsdWidget::updateStateBeforeSleep()
{
    setAttribute(Qt::WA_NoSystemBackground, false);
    setAttribute(Qt::WA_TranslucentBackground, false);
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    repaint();
    d->compositingSuspended = true;
    setUpdatingRoundedMask(!d->noBackgroundMode);
    repaint();
}

void RoundedOsdWidget::onCompositingChange(bool active)
{
    if (active) {
        d->compositingSuspended = false;
        updateCompositingState();
        repaint();
    } else {
        updateStateBeforeSleep();
    }
}

void RoundedOsdWidget::onCurrentThemeChanged()
{
    setupStyle();
    updateCompositingState();
}

void RoundedOsdWidget::setupStyle()
{
    reloadIcon();

    const VeskColorTheme &theme = colorTheme();
    const QString textColor = QColor(theme.textColor()).name();
    const QString themeBackground = QColor(theme.backgroundColor()).name();

    setStyleSheet(styleSheetTemplate.arg(textColor, d->mixedBackgroundColor(theme).name()));
    d->iconLabel->setStyleSheet(styleSheetTemplate.arg(textColor, d->noBackgroundMode ? QStringLiteral("transparent") : themeBackground));
    // The badge, ring and text keep the theme's background even under a custom window colour.
    d->progressBar->setStyleSheet(styleSheetTemplate.arg(textColor, themeBackground));
    d->textLabel->setStyleSheet(styleSheetTemplate.arg(textColor, themeBackground));
    d->list->setStyleSheet(styleSheetTemplate.arg(textColor, themeBackground));

    updateFont();
}

void RoundedOsdWidget::paintEvent(QPaintEvent *e)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (testAttribute(Qt::WA_TranslucentBackground) && themeUsesComposite()) {
        // Composited: only the badge, the ring and the text are seen.
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(0, 0, width(), height(), QColor(0, 0, 0, 0));
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    } else {
        if (d->paintsOutline) {
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.fillRect(rect(), Qt::transparent);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            // Cut at device pixels: a region in the widget's own pixels would be scaled with
            // the painter, leaving corners in steps of the scale on a scaled screen.
            const qreal ratio = devicePixelRatioF();
            const QRect device(QPoint(0, 0), (QSizeF(size()) * ratio).toSize());
            painter.setTransform(QTransform::fromScale(1 / ratio, 1 / ratio));
            painter.setClipRegion(OsdUtils::roundedRect(device, qRound(borderRadiusHorizontal() * ratio), qRound(borderRadiusVertical() * ratio)));
            painter.resetTransform();
        }
        painter.fillRect(0, 0, width(), height(), d->mixedBackgroundColor(colorTheme()));
    }
    RoundedWindow::paintEvent(e);
    painter.end();
}

void RoundedOsdWidget::resizeEvent(QResizeEvent *e)
{
    RoundedWindow::resizeEvent(e);
    const QRect placeholder = d->flatWidget->geometry();
    const int cx = qRound(width() * 0.5);
    const int cy = (placeholder.top() + placeholder.bottom()) / 2;
    d->iconLabel->move(cx - qRound(d->iconLabel->width() * 0.5), cy - qRound(d->iconLabel->height() * 0.5));
    d->progressBar->move(cx - qRound(d->progressBar->width() * 0.5), cy - qRound(d->progressBar->height() * 0.5));
}

void RoundedOsdWidget::reloadIcon()
{
    RoundedLabel *label = d->iconLabel;
    // Any program on the bus names the file: everything is read through the bounded loader,
    // and a file it refuses (a FIFO, a device, a directory, a non-image, an image too large to
    // decode) is treated like a missing one.
    const PopupIcon &shown = loadIcon(PopupIcon::namedIcon);
    const bool isFile = PopupIcon::isFileReference(icon());
    if (shown.kind() == PopupIcon::Image) {
        showCustomImage(shown.image());
        return;
    }
    if (isFile && shown.kind() == PopupIcon::Nothing) {
        label->setPixmap(QPixmap());
        label->setStandartIconSize(d->defaultIconSize);
        label->setFixedSize(d->defaultLabelSize);
        label->setIconVisible(false);
        label->hide();
        updateFlatWidget();
        return;
    }

    label->setStandartIconSize(d->defaultIconSize);
    label->setFixedSize(d->defaultLabelSize);
    label->setIcon(shown.icon());
    label->setIconVisible(shown.kind() == PopupIcon::Icon);
    if (isFile) {
        label->show();
    } else {
        updateBadgeVisibility();
    }
    updateFlatWidget();
}

void RoundedOsdWidget::updateBadgeVisibility() const
{
    // A file that does not resolve hides the badge, and reloadIcon() has decided that. For a
    // named icon, a progress pop-up keeps the badge for its number even without an icon; this
    // follows the value and the progress flag too, since the icon is often set unchanged.
    if (PopupIcon::isFileReference(icon())) {
        return;
    }
    d->iconLabel->setVisible(d->iconLabel->isIconVisible() || (!osdValue().isNull() && showingProgress()));
}

void RoundedOsdWidget::showCustomImage(const QPixmap &image)
{
    RoundedLabel *label = d->iconLabel;
    const QMargins margins = label->layout()->contentsMargins();
    const int horizontal = margins.left() + margins.right();
    const int vertical = margins.top() + margins.bottom();

    QSize iconSize = image.size();
    if (!d->noBackgroundMode) {
        // The image is clipped to a circle, so the badge is square.
        const int side = qMax(image.width(), image.height());
        iconSize = QSize(side, side);
    }
    label->setStandartIconSize(iconSize);
    label->setFixedSize(iconSize.width() + horizontal, iconSize.height() + vertical);
    label->setPixmap(image);
    label->setIconVisible(true);
    label->show();
    updateFlatWidget();
}

void RoundedOsdWidget::updateProgress()
{
    const QVariant value = osdValue();
    const int number = value.toInt();
    if (value.isNull()) {
        d->iconLabel->setPercentageVisible(false);
        d->iconLabel->setPercentageText(QString());
    } else {
        d->iconLabel->setPercentageVisible(showingProgress());
        d->iconLabel->setPercentageText(QString::number(number));
    }
    d->progressBar->setRange(0, osdMaxValue());
    d->progressBar->setValue(number);
    d->progressBar->setVisible(showingProgress());
    updateBadgeVisibility();
    updateFlatWidget();
}

void RoundedOsdWidget::updateText()
{
    const QString text = osdValue().toString().trimmed();
    const bool listed = !showingProgress() && !listRows().isEmpty();
    d->list->setRows(listed ? listRows() : QList<PopupListRow>());
    d->list->setVisible(listed);
    if (text.isEmpty() || showingProgress() || listed) {
        // The hidden label keeps its last text and layout: measuring an empty text, and the
        // same text again when it returns (a switch after a volume step), is the costliest
        // part of a change between text and progress.
        d->textLabel->hide();
    } else {
        d->textLabel->setText(text);
        d->textLabel->show();
    }
    updateFlatWidget();
}

void RoundedOsdWidget::updateFlatWidget() const
{
    const bool ringVisible = d->progressBar->isVisibleTo(this);
    const bool badgeVisible = d->iconLabel->isVisibleTo(this);
    const bool textVisible = d->textLabel->isVisibleTo(this) || d->list->isVisibleTo(this);

    QSize reserved(-1, -1);
    if (ringVisible) {
        reserved = d->progressBar->size();
    } else if (badgeVisible) {
        reserved = d->iconLabel->size();
    }
    if (reserved.width() > 0 && reserved.height() > 0) {
        d->flatWidget->setFixedSize(reserved);
        d->flatWidget->show();
    } else {
        d->flatWidget->hide();
    }

    const int margin = (!ringVisible && !badgeVisible && textVisible) ? 8 : 9;
    layout()->setContentsMargins(margin, margin, margin, margin);

    const QRect placeholder = d->flatWidget->geometry();
    d->iconLabel->move(qRound(width() * 0.5) - qRound(d->iconLabel->width() * 0.5),
                       (placeholder.top() + placeholder.bottom()) / 2 - qRound(d->iconLabel->height() * 0.5));
}

void RoundedOsdWidget::updateFont() const
{
    QFont font = baseTextFont(this->font().pointSize());
    if (!textFontFamily().isEmpty()) {
        font.setFamily(textFontFamily());
    }
    if (textFontPointSize() > 0) {
        font.setPointSize(textFontPointSize());
    }
    d->textLabel->setFont(font);
    d->list->setFont(font);
}

void RoundedOsdWidget::preloadFonts()
{
    QFontMetricsF(badgeFont()).horizontalAdvance(QStringLiteral("100"));
    ResizedText::preloadFont(baseTextFont(QApplication::font().pointSize()));
}

void RoundedOsdWidget::preloadIcon(const QString &name)
{
    // Rendered at the badge's icon size on the primary screen: the icon keeps that pixmap for
    // the first paint.
    PopupIcon::pixmapAt(PopupIcon::namedIcon(name),
                        badgeIconSize,
                        QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->devicePixelRatio() : 1.0);
}
