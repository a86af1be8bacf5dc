// SPDX-License-Identifier: GPL-2.0-or-later
#include "svgsafetycheck.h"

#include "imagelimits.h"
#include "imageloading_debug.h"

#include <QBuffer>
#include <QHash>
#include <QImageReader>
#include <QVector>
#include <QXmlStreamReader>

namespace
{
// Bytes of attribute or text data that cost as much as drawing one element.
constexpr int bytesPerCostUnit = 32;

struct Element {
    int parent = -1;
    qint64 weight = 1;
    QString useTarget;
    QVector<int> children;
};

QStringView hrefOf(const QXmlStreamAttributes &attributes)
{
    // Any prefix is accepted: binding the xlink namespace to another prefix must not hide a
    // reference from the count.
    for (const QXmlStreamAttribute &attribute : attributes) {
        if (attribute.name() == QLatin1String("href")) {
            return attribute.value();
        }
    }
    return QStringView();
}

// QtSvg decodes an image embedded as base64 data when it parses the document, whatever size
// the image declares; anything else it treats as a file name to open.
bool isAcceptableImage(QStringView href, qint64 &pixelsLeft)
{
    if (!href.startsWith(QLatin1String("data"))) {
        return href.isEmpty();
    }
    const int start = href.lastIndexOf(QLatin1String("base64,"));
    if (start < 0) {
        return true; // QtSvg draws nothing for it
    }
    QByteArray data = QByteArray::fromBase64(href.mid(start + 7).toLatin1());
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    if (format.isEmpty()) {
        return true; // not an image: QtSvg draws nothing for it
    }
    // An SVG inside an SVG would escape this check.
    if (format.startsWith("svg")) {
        return false;
    }
    const QSize size = reader.size();
    if (!ImageLimits::isDecodable(size)) {
        return false;
    }
    pixelsLeft -= qint64(size.width()) * size.height();
    return pixelsLeft >= 0;
}

class Checker
{
public:
    bool parse(const QByteArray &document);
    bool costIsBounded();

private:
    QVector<Element> elements;
    QHash<QString, QVector<int>> elementsById;
};

bool Checker::parse(const QByteArray &document)
{
    QXmlStreamReader xml(document);
    QVector<int> open;
    qint64 imagePixelsLeft = ImageLimits::maxPixels;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            if (open.size() >= SvgSafetyCheck::maxDepth || elements.size() > SvgSafetyCheck::maxCost) {
                return false;
            }
            Element element;
            element.parent = open.isEmpty() ? -1 : open.last();
            const QXmlStreamAttributes attributes = xml.attributes();
            for (const QXmlStreamAttribute &attribute : attributes) {
                element.weight += attribute.value().size() / bytesPerCostUnit;
            }
            const QStringView href = hrefOf(attributes);
            if (xml.name() == QLatin1String("use")) {
                // QtSvg drops the first character ('#') without looking at it.
                element.useTarget = href.mid(1).toString();
            } else if (xml.name() == QLatin1String("image") && !isAcceptableImage(href, imagePixelsLeft)) {
                qCDebug(OSD_IMAGE) << "SVG refused: image reference" << href.left(64);
                return false;
            }
            const QStringView id = attributes.value(QLatin1String("id"));
            const int index = elements.size();
            if (!id.isEmpty()) {
                elementsById[id.toString()].append(index);
            }
            if (element.parent >= 0) {
                elements[element.parent].children.append(index);
            }
            elements.append(element);
            open.append(index);
            break;
        }
        case QXmlStreamReader::EndElement:
            open.removeLast();
            break;
        case QXmlStreamReader::ProcessingInstruction:
            // QtSvg reads the file an xml-stylesheet instruction names.
            if (xml.processingInstructionTarget() == QLatin1String("xml-stylesheet")) {
                qCDebug(OSD_IMAGE) << "SVG refused: external style sheet";
                return false;
            }
            break;
        case QXmlStreamReader::Characters:
            if (!open.isEmpty()) {
                elements[open.last()].weight += xml.text().size() / bytesPerCostUnit;
            }
            break;
        default:
            break;
        }
    }
    return !xml.hasError() && !elements.isEmpty();
}

// Post-order walk over children and `<use>` references, iterative because the references can
// nest deeper than the stack allows. A node met again while it is still on the walk's path is
// a reference cycle.
bool Checker::costIsBounded()
{
    enum State : char {
        Unvisited,
        OnPath,
        Done,
    };
    QVector<State> state(elements.size(), Unvisited);
    QVector<qint64> cost(elements.size(), 0);
    QVector<int> depth(elements.size(), 0);

    auto successors = [this](int index) {
        QVector<int> next = elements.at(index).children;
        const QString &target = elements.at(index).useTarget;
        if (!target.isEmpty()) {
            // Duplicate ids: count every candidate, whichever QtSvg picks.
            next += elementsById.value(target);
        }
        return next;
    };

    struct Step {
        int index;
        bool expanded;
    };
    QVector<Step> walk;
    for (int root = 0; root < elements.size(); ++root) {
        if (elements.at(root).parent >= 0) {
            continue;
        }
        walk.append({root, false});
        while (!walk.isEmpty()) {
            const Step step = walk.last();
            if (!step.expanded) {
                if (state.at(step.index) == Done) {
                    walk.removeLast();
                    continue;
                }
                state[step.index] = OnPath;
                walk.last().expanded = true;
                for (int next : successors(step.index)) {
                    if (state.at(next) == OnPath) {
                        qCDebug(OSD_IMAGE) << "SVG refused: reference cycle";
                        return false;
                    }
                    if (state.at(next) == Unvisited) {
                        walk.append({next, false});
                    }
                }
                continue;
            }
            walk.removeLast();
            qint64 total = elements.at(step.index).weight;
            int deepest = 0;
            for (int next : successors(step.index)) {
                // Each term is already within the budget, so the sum cannot overflow before
                // the check below stops it.
                total += cost.at(next);
                deepest = qMax(deepest, depth.at(next));
                if (total > SvgSafetyCheck::maxCost) {
                    qCDebug(OSD_IMAGE) << "SVG refused: drawing cost over" << SvgSafetyCheck::maxCost;
                    return false;
                }
            }
            if (deepest + 1 > SvgSafetyCheck::maxDepth) {
                qCDebug(OSD_IMAGE) << "SVG refused: nesting deeper than" << SvgSafetyCheck::maxDepth;
                return false;
            }
            cost[step.index] = total;
            depth[step.index] = deepest + 1;
            state[step.index] = Done;
        }
    }
    return true;
}
}

bool SvgSafetyCheck::isSafe(const QByteArray &document)
{
    Checker checker;
    return checker.parse(document) && checker.costIsBounded();
}
