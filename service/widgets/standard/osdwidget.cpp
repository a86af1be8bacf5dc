// SPDX-License-Identifier: GPL-2.0-or-later
#include "osdwidget.h"

#include "devicepixelratiowatch.h"
#include "iconcontrast.h"
#include "labelfit.h"
#include "popupicon.h"
#include "popuplist.h"
#include "popupplacement.h"
#include "popupsurface.h"
#include "resizedtext.h"
#include "standardplacement.h"
#include "stylehelper.h"
#include "veskcolortheme.h"

#include <KLocalizedString>

#include <QApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHash>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

#include <algorithm>
#include <memory>
#include <vector>

namespace
{
const int layoutMargin = 6;
const QSize iconMinimumSize(32, 32);
// Room around the rows of a list: clear of the rounded corners at the sides, and as much above
// and below as the window leaves around its content.
const QMargins listPadding(12, layoutMargin, 12, layoutMargin);

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

// A theme icon on the label, as drawn for its size and colours.
struct ShownIcon {
    qint64 cacheKey = 0;
    QString theme;
    QSize size;
    QColor background;
    QColor text;
    qreal ratio = 0;
    QPixmap pixmap;

    bool sameAs(const ShownIcon &other) const
    {
        return cacheKey == other.cacheKey && size == other.size && background == other.background && text == other.text && ratio == other.ratio
            && theme == other.theme;
    }
};

// The icons of a pop-up that alternates between a few (volume and a switch) all stay drawn.
const int shownIconLimit = 4;

class OsdWidgetPrivate
{
public:
    QLabel *iconLabel = nullptr;
    DevicePixelRatioWatch *iconRatio = nullptr;
    QProgressBar *progressBar = nullptr;
    QLabel *percentLabel = nullptr;
    std::unique_ptr<LabelFit> percentFit;
    int percentMinimumWidth = 0;
    ResizedText *text = nullptr;
    PopupList *list = nullptr;
    QFont baseTextFont;
    // Most recently drawn last.
    std::vector<ShownIcon> shownIcons;
    // The translated percentages of the values shown so far, in the languages they were
    // translated for: translating one is a good part of what a new value costs.
    QHash<int, QString> percentTexts;
    QStringList percentLanguages;

    const QString &percentTextOf(int value);
};

const QString &OsdWidgetPrivate::percentTextOf(int value)
{
    // More than the values of a pop-up (0 to 1000): a caller sending others without end only
    // makes them be translated anew.
    constexpr int keptTexts = 2048;
    const QStringList languages = KLocalizedString::languages();
    if (languages != percentLanguages) {
        percentTexts.clear();
        percentLanguages = languages;
    }
    auto found = percentTexts.constFind(value);
    if (found != percentTexts.constEnd()) {
        return *found;
    }
    if (percentTexts.size() >= keptTexts) {
        percentTexts.clear();
    }
    return *percentTexts.insert(value, percentText(QString::number(value)));
}

OsdWidget::OsdWidget(OsdConfig *config)
    : PopupWidget(config, nullptr)
    , d(std::make_unique<OsdWidgetPrivate>())
{
    init();
}

OsdWidget::~OsdWidget() = default;

void OsdWidget::init()
{
    setFont(enlargedFont(font()));

    auto layout = new QHBoxLayout(this);
    layout->setContentsMargins(layoutMargin, layoutMargin, layoutMargin, layoutMargin);

    d->iconLabel = new QLabel(this);
    d->iconLabel->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    d->iconLabel->setMinimumSize(iconMinimumSize);
    d->iconRatio = new DevicePixelRatioWatch(d->iconLabel, [this] {
        updateIcon();
    });
    layout->addWidget(d->iconLabel, 0, Qt::AlignLeft);

    d->progressBar = new QProgressBar(this);
    d->progressBar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Maximum);
    d->progressBar->setFormat(QString());
    layout->addWidget(d->progressBar, 0, Qt::AlignVCenter);

    d->percentLabel = new QLabel(this);
    d->percentLabel->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Maximum);
    d->percentLabel->setTextFormat(Qt::PlainText);
    d->percentLabel->setWordWrap(false);
    d->percentLabel->setAlignment(Qt::AlignCenter);
    layout->addWidget(d->percentLabel, 0, Qt::AlignVCenter);
    // As wide as a full bar's percentage at least, so that the bar keeps its length; a new
    // percentage of the same size lays nothing out anew.
    d->percentMinimumWidth = d->percentLabel->fontMetrics().horizontalAdvance(percentText(QStringLiteral("100%")));
    d->percentFit = std::make_unique<LabelFit>(d->percentLabel, QSize(d->percentMinimumWidth, 0));

    d->text = new ResizedText(this);
    d->text->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout->addWidget(d->text, 0, Qt::AlignVCenter);
    d->baseTextFont = d->text->font();

    d->list = new PopupList(this);
    d->list->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    d->list->setPadding(listPadding);
    d->list->setBorderRadius(d->text->borderRadiusHorizontal());
    d->list->hide();
    layout->addWidget(d->list, 0, Qt::AlignVCenter);

    setupStyle();
    updateSizes();
    updateIcon();
    updateProgressBar();
    updateText();
}

void OsdWidget::resizeEvent(QResizeEvent *event)
{
    PopupWidget::resizeEvent(event);
    // The icon is drawn at the label's size, which the layout has just set.
    if (loadedIcon().kind() == PopupIcon::Icon) {
        showIcon(loadedIcon().icon());
    }
}

void OsdWidget::updateIcon() const
{
    // Any program on the bus names an image file, so it is read only through the loader,
    // which refuses special files and images too costly to decode or draw. What it refuses is
    // shown like a missing file.
    const PopupIcon &shown = loadIcon(PopupIcon::namedIcon);
    QLabel *label = d->iconLabel;
    switch (shown.kind()) {
    case PopupIcon::Icon:
        showIcon(shown.icon());
        break;
    case PopupIcon::Image: {
        const QPixmap &image = shown.image();
        label->setPixmap(PopupIcon::imageAt(image, image.size(), d->iconRatio->ratio()));
        label->setMinimumSize(image.size());
        label->setMaximumSize(image.size());
        label->show();
        break;
    }
    case PopupIcon::Nothing:
        if (PopupIcon::isFileReference(icon())) {
            label->hide();
            label->setPixmap(QPixmap());
            label->setMinimumSize(0, 0);
            label->setMaximumSize(0, 0);
        } else {
            showIcon(QIcon());
        }
        break;
    }
}

void OsdWidget::showIcon(const QIcon &shown) const
{
    QLabel *label = d->iconLabel;
    label->setMinimumSize(iconMinimumSize);
    label->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    label->setVisible(!shown.isNull());
    if (PopupIcon::isFileReference(icon())) {
        // A caller's own picture is shown as it is.
        label->setPixmap(PopupIcon::pixmapAt(shown, label->size(), d->iconRatio->ratio()));
        return;
    }
    // Worked out again only for another icon, size or theme: the window is resized with many a
    // new value, and judging an icon's contrast reads every pixel. A theme icon keeps its cache
    // key across a change of the icon theme, so the theme's name is compared as well.
    ShownIcon wanted{shown.cacheKey(),
                     QIcon::themeName(),
                     label->size(),
                     QColor(colorTheme().backgroundColor()),
                     QColor(colorTheme().textColor()),
                     d->iconRatio->ratio(),
                     QPixmap()};
    std::vector<ShownIcon> &drawn = d->shownIcons;
    const auto found = std::find_if(drawn.begin(), drawn.end(), [&wanted](const ShownIcon &icon) {
        return icon.sameAs(wanted);
    });
    if (found != drawn.end()) {
        label->setPixmap(found->pixmap);
        return;
    }
    wanted.pixmap = IconContrast::readable(shown, wanted.size, wanted.ratio, wanted.background, wanted.text);
    if (int(drawn.size()) == shownIconLimit) {
        drawn.erase(drawn.begin());
    }
    drawn.push_back(wanted);
    label->setPixmap(wanted.pixmap);
}

void OsdWidget::updateProgressBar() const
{
    d->progressBar->setVisible(showingProgress());
    d->percentLabel->setVisible(showingProgress());
    const int value = osdValue().toInt();
    d->progressBar->setRange(0, osdMaxValue());
    d->progressBar->setValue(value);
    // QProgressBar leaves a change unpainted that it expects to stay within one chunk of its
    // style; the style sheet fills the bar without chunks, so a step of a percent or two would
    // not show until the value had moved further.
    d->progressBar->update();
    d->percentFit->setText(d->percentTextOf(value));
}

void OsdWidget::updateText() const
{
    const QString text = osdValue().toString().trimmed();
    const bool listed = !showingProgress() && !listRows().isEmpty();
    d->list->setRows(listed ? listRows() : QList<PopupListRow>());
    d->list->setVisible(listed);
    const bool visible = !showingProgress() && !listed && !text.isEmpty();
    d->text->setVisible(visible);
    // A hidden text widget keeps its last text and layout, which cost nothing to show again.
    if (visible) {
        d->text->setText(text);
    }
}

void OsdWidget::onContentChanged(ContentParts changed)
{
    if (changed & ContentPart::Icon) {
        updateIcon();
    }
    if (changed & (ContentPart::Value | ContentPart::Maximum | ContentPart::Progress)) {
        updateProgressBar();
    }
    if (changed & (ContentPart::Value | ContentPart::Progress | ContentPart::Rows)) {
        updateText();
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
    QScreen *screen = surface()->screen();
    if (!screen) {
        return;
    }
    const QRect available = screen->availableGeometry();
    setMaximumSize(StandardPlacement::maximumSize(available));
    updateSizes();
    const std::optional<PopupPosition::Position> position = positionSetting();
    const std::optional<int> margin = marginSetting();
    // The style's own place, near the bottom, unless the settings ask for another; a margin
    // alone keeps it at the bottom centre.
    if (!position && !margin) {
        surface()->moveTo(StandardPlacement::position(available, size()));
        return;
    }
    surface()->moveTo(PopupPlacement::position(position.value_or(PopupPosition::South), available, size(), margin.value_or(PopupPlacement::defaultMargin)));
}

void OsdWidget::updateSizes()
{
    const auto box = static_cast<QHBoxLayout *>(layout());
    const QMargins margins = box->contentsMargins();
    const QSize textMinimum = d->list->isVisibleTo(this) ? d->list->minimumSizeHint() : d->text->minimumSizeHint();
    const int minimumWidth =
        margins.left() + d->iconLabel->minimumWidth() + d->percentMinimumWidth + textMinimum.width() + 2 * box->spacing() + margins.right();
    const int minimumHeight =
        std::max({d->iconLabel->minimumHeight(), d->progressBar->minimumHeight(), textMinimum.height()}) + margins.top() + margins.bottom();
    setMinimumSize(minimumWidth, minimumHeight);
    adjustSize();
}

void OsdWidget::onCurrentThemeChanged()
{
    setupStyle();
    // Drawn anew for the new colours, from the icon theme that goes with them.
    updateIcon();
    updateSizes();
}

void OsdWidget::onTextFontChanged()
{
    QFont textFont = d->baseTextFont;
    if (!textFontFamily().isEmpty()) {
        textFont.setFamily(textFontFamily());
    }
    if (textFontPointSize() > 0) {
        textFont.setPointSize(textFontPointSize());
    }
    d->text->setFont(textFont);
    updateSizes();
    updatePositionOnScreen();
}

void OsdWidget::onCustomImageModeChanged()
{
    updateIcon();
    updateText();
    updateSizes();
    updatePositionOnScreen();
}

void OsdWidget::setupStyle()
{
    const VeskColorTheme &theme = colorTheme();
    const QColor background(theme.backgroundColor());
    const QColor border = StyleHelper::colorDarker(background, 0.04, 1, 0.1, 0.9);
    setStyleSheet(windowStyle.arg(theme.backgroundColor(), border.name()));
    d->progressBar->setStyleSheet(progressStyle.arg(theme.textColor(), background.name()));
    d->percentLabel->setStyleSheet(QStringLiteral("color: %1").arg(theme.textColor()));
    d->percentFit->refit();
    // Colours of style sheets stay with their widget: without one of its own, the text widget
    // would paint its pill in the application palette's button colour.
    const QColor pill = textPillColor(QApplication::palette(d->text).color(QPalette::Button), background, QColor(theme.textColor()));
    d->text->setStyleSheet(textStyle.arg(theme.textColor(), pill.name()));
    d->list->setStyleSheet(textStyle.arg(theme.textColor(), pill.name()));
}

void OsdWidget::preloadFonts()
{
    const QFont windowFont = enlargedFont(QApplication::font());
    QFontMetricsF(windowFont).horizontalAdvance(percentText(QStringLiteral("100")));
    ResizedText::preloadFont(windowFont);
}

void OsdWidget::preloadIcon(const QString &name)
{
    // The label renders it at least at this size, at the device pixels of the screen the
    // pop-up is likeliest to show on.
    PopupIcon::pixmapAt(PopupIcon::namedIcon(name),
                        iconMinimumSize,
                        QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->devicePixelRatio() : 1.0);
}
