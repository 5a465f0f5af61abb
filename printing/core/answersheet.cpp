#include "printing/core/answersheet.h"

#include "printing/core/qrcode.h"
#include "printing/core/sheetgeometry.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <algorithm>

namespace printing {

namespace {

using sheet::Form;
using Kind = SheetItem::Kind;

// Fonts take whole pixel sizes; text is set in hundredths of a millimetre so its size stays as
// written at any resolution and on any device.
constexpr double kTextScale = 100.0;

constexpr double kTitleSize = 5.0;
constexpr double kVariantSize = 4.5;
constexpr double kLineSize = 3.6;
constexpr double kSmallSize = 2.8;
constexpr double kRowNumberSize = 3.2;
constexpr double kLetterSize = 3.0;

constexpr double kThinLine = 0.3;
constexpr double kExampleRadius = 1.3;
constexpr double kCrossReach = 0.6;  // how far the example's cross reaches past its bubble

QFont sheetFont(double size, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(qRound(size * kTextScale));
    font.setBold(bold);
    // Hinting would fit glyphs to a pixel grid that differs between the screen, an image and
    // a PDF; without it the text measures the same everywhere.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

double textWidth(const QString& text, double size, bool bold) {
    return QFontMetricsF(sheetFont(size, bold)).horizontalAdvance(text) / kTextScale;
}

QString elided(const QString& text, double size, bool bold, double width) {
    return QFontMetricsF(sheetFont(size, bold))
        .elidedText(text, Qt::ElideRight, width * kTextScale);
}

// Collects the items of one form, moved from form to page coordinates.
class FormItems {
public:
    FormItems(QList<SheetItem>& items, QPointF origin, int form)
        : items_(items), origin_(origin), form_(form) {}

    void add(Kind kind, QRectF rect) {
        SheetItem item;
        item.kind = kind;
        item.rect = rect.translated(origin_);
        item.form = form_;
        items_.append(item);
    }
    void text(QRectF rect, const QString& text, double size, bool bold,
              Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
        add(Kind::Text, rect);
        SheetItem& item = items_.last();
        item.text = text;
        item.size = size;
        item.bold = bold;
        item.align = align;
    }
    // Text at the left of `box`, as wide as it is; returns its right edge.
    double textAt(QRectF box, const QString& content, double size, bool bold) {
        const double width = std::min(textWidth(content, size, bold), box.width());
        text(QRectF(box.left(), box.top(), width, box.height()), content, size, bold);
        return box.left() + width;
    }

private:
    QList<SheetItem>& items_;
    QPointF origin_;
    int form_;
};

void addHeader(FormItems& out, Form form, const SheetContent& content) {
    const QRectF title = sheet::titleBox(form);
    out.textAt(title, elided(content.title, kTitleSize, true, title.width()), kTitleSize, true);

    const QRectF variant = sheet::variantBox(form);
    const double after =
        out.textAt(variant, QStringLiteral("Вариант %1").arg(content.variant), kVariantSize, true);
    if (!content.check.isEmpty()) {
        const QRectF rest(after + 4.0, variant.top(), variant.right() - after - 4.0,
                          variant.height());
        out.textAt(rest, QStringLiteral("контроль: %1").arg(content.check), kSmallSize, false);
    }

    // The lines to write on start after their labels and sit a little above the box's bottom,
    // where handwriting rests.
    const auto writingLine = [&](QRectF box, const QString& label, double length) {
        const double start = out.textAt(box, label, kLineSize, false) + 2.0;
        const double end = length > 0 ? std::min(start + length, box.right()) : box.right();
        out.add(Kind::Rule, QRectF(start, box.bottom() - 1.0, end - start, 0.0));
    };
    writingLine(sheet::nameBox(form), QStringLiteral("Фамилия, имя"), 0.0);
    writingLine(sheet::classBox(form), QStringLiteral("Класс"), 30.0);

    const QRectF how = sheet::instructionBox(form);
    const double lineHeight = how.height() / 2;
    const QString lines[] = {
        QStringLiteral("Закрасьте кружок целиком, тёмной ручкой; в строке — один кружок."),
        QStringLiteral("Передумали — перечеркните закрашенный кружок крестом и закрасьте другой."),
    };
    const Kind examples[] = {Kind::Example, Kind::Withdrawn};
    for (int i = 0; i < 2; ++i) {
        const double centreY = how.top() + (i + 0.5) * lineHeight;
        const double r = kExampleRadius + kCrossReach;
        out.add(examples[i], QRectF(how.left(), centreY - r, 2 * r, 2 * r));
        const QRectF box(how.left() + 2 * r + 1.5, centreY - lineHeight / 2,
                         how.width() - 2 * r - 1.5, lineHeight);
        out.textAt(box, elided(lines[i], kSmallSize, false, box.width()), kSmallSize, false);
    }
}

void addListNumber(FormItems& out, Form form) {
    out.text(sheet::listLabelBox(form), QStringLiteral("№ по списку"), kSmallSize, true,
             Qt::AlignCenter);
    for (int digit = 0; digit < 10; ++digit) {
        out.text(sheet::listDigitBox(form, digit), QString::number(digit), kSmallSize, false,
                 Qt::AlignCenter);
        for (int place = 0; place < 2; ++place)
            out.add(Kind::Bubble, sheet::bubbleRect(sheet::listBubble(form, place, digit)));
    }
}

void addAnswers(FormItems& out, Form form, const QList<int>& optionCounts) {
    const int questions = int(optionCounts.size());
    const int rows = sheet::rowsPerColumn(questions);
    const int columns = (questions + rows - 1) / rows;
    for (int column = 0; column < columns; ++column)
        for (int option = 0; option < kOptionCount; ++option)
            out.text(sheet::letterBox(form, column, option), optionLetter(option), kLetterSize,
                     true, Qt::AlignCenter);
    for (int question = 0; question < questions; ++question) {
        out.text(sheet::rowNumberBox(questions, question), QString::number(question + 1),
                 kRowNumberSize, true, Qt::AlignRight | Qt::AlignVCenter);
        const int options = std::clamp(optionCounts[question], 0, kOptionCount);
        for (int option = 0; option < options; ++option)
            out.add(Kind::Bubble,
                    sheet::bubbleRect(sheet::answerBubble(questions, question, option)));
    }
}

void drawCode(QPainter& painter, const QRectF& square, const QByteArray& text) {
    const QrModules code = encodeQr(text);
    if (code.size == 0)
        return;
    const double module = square.width() / (code.size + 2 * sheet::kCodeQuietModules);
    const QPointF start = square.topLeft() + QPointF(module, module) * sheet::kCodeQuietModules;
    // Runs of dark modules in a row as one rectangle each: adjacent modules meet without seams
    // at any resolution.
    for (int y = 0; y < code.size; ++y) {
        for (int x = 0; x < code.size;) {
            if (!code.isDark(x, y)) {
                ++x;
                continue;
            }
            int end = x;
            while (end < code.size && code.isDark(end, y))
                ++end;
            painter.fillRect(
                QRectF(start.x() + x * module, start.y() + y * module, (end - x) * module, module),
                Qt::black);
            x = end;
        }
    }
}

void drawText(QPainter& painter, const SheetItem& item) {
    painter.save();
    painter.translate(item.rect.topLeft());
    painter.scale(1 / kTextScale, 1 / kTextScale);
    painter.setFont(sheetFont(item.size, item.bold));
    painter.setPen(Qt::black);
    // Measured widths may round a hair short: the text is never clipped to them.
    painter.drawText(QRectF(QPointF(0, 0), item.rect.size() * kTextScale),
                     item.align | Qt::TextDontClip, item.text);
    painter.restore();
}

// An ellipse filled in whole device pixels. A raster painter fills an unsmoothed ellipse whose
// rectangle falls on pixels directly; any other goes through a path, which took most of a
// page's drawing. Printed at 300 dpi, a bubble's edge needs no smoothing.
void fillEllipse(QPainter& painter, const QRectF& rect) {
    const QTransform transform = painter.transform();
    if (transform.type() > QTransform::TxScale) {
        painter.drawEllipse(rect);
        return;
    }
    const QRectF device = transform.mapRect(rect);
    const QPoint topLeft(qRound(device.left()), qRound(device.top()));
    const QPoint bottomRight(qRound(device.right()), qRound(device.bottom()));
    painter.save();
    painter.resetTransform();
    painter.drawEllipse(
        QRect(topLeft, QSize(bottomRight.x() - topLeft.x(), bottomRight.y() - topLeft.y())));
    painter.restore();
}

// A bubble: a ring. A document takes it as one stroked outline; a picture is drawn as a black
// disc with a white one inside.
void drawRing(QPainter& painter, const QRectF& rect) {
    if (painter.paintEngine() && painter.paintEngine()->type() != QPaintEngine::Raster) {
        painter.setPen(QPen(Qt::black, kThinLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(
            rect.adjusted(kThinLine / 2, kThinLine / 2, -kThinLine / 2, -kThinLine / 2));
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    fillEllipse(painter, rect);
    painter.setBrush(Qt::white);
    fillEllipse(painter, rect.adjusted(kThinLine, kThinLine, -kThinLine, -kThinLine));
}

void drawItem(QPainter& painter, const SheetItem& item, const QByteArray& code) {
    switch (item.kind) {
        case Kind::Mark:
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.fillRect(item.rect, Qt::black);
            break;
        case Kind::Code:
            painter.setRenderHint(QPainter::Antialiasing, false);
            drawCode(painter, item.rect, code);
            break;
        case Kind::Bubble:
            drawRing(painter, item.rect);
            break;
        case Kind::Example:
        case Kind::Withdrawn:
            painter.setPen(Qt::NoPen);
            painter.setBrush(Qt::black);
            painter.drawEllipse(
                item.rect.adjusted(kCrossReach, kCrossReach, -kCrossReach, -kCrossReach));
            if (item.kind == Kind::Withdrawn) {
                const double inset = kCrossReach * 0.3;
                const QRectF cross = item.rect.adjusted(inset, inset, -inset, -inset);
                painter.setPen(QPen(Qt::black, 0.35));
                painter.drawLine(cross.topLeft(), cross.bottomRight());
                painter.drawLine(cross.topRight(), cross.bottomLeft());
            }
            break;
        case Kind::Text:
            drawText(painter, item);
            break;
        case Kind::Rule:
            painter.setPen(QPen(Qt::black, 0.2));
            painter.drawLine(item.rect.topLeft(), item.rect.topRight());
            break;
        case Kind::CutLine:
            painter.setPen(QPen(Qt::gray, 0.2, Qt::DashLine));
            painter.drawLine(item.rect.topLeft(), item.rect.topRight());
            break;
    }
}

}  // namespace

QList<SheetItem> sheetItems(const SheetContent& content, Paper paper) {
    QList<SheetItem> items;
    const int questions = int(content.optionCounts.size());
    if (questions > sheetCapacity())
        return items;
    const Form form = sheet::formFor(questions);
    const QPointF frame = sheet::frameOrigin(paper);
    for (int copy = 0; copy < sheet::formsPerPage(form); ++copy) {
        FormItems out(items, frame + sheet::formOrigin(form, copy), copy);
        for (sheet::Corner corner :
             {sheet::TopLeft, sheet::TopRight, sheet::BottomLeft, sheet::BottomRight})
            out.add(Kind::Mark, sheet::cornerMark(form, corner));
        out.add(Kind::Code, sheet::codeSquare(form));
        addHeader(out, form, content);
        addListNumber(out, form);
        addAnswers(out, form, content.optionCounts);
    }
    if (sheet::formsPerPage(form) == 2) {
        SheetItem cut;
        cut.kind = Kind::CutLine;
        cut.rect = QRectF(frame.x() + 4.0, frame.y() + sheet::formHeight(form),
                          sheet::kFrameWidth - 8.0, 0.0);
        items.append(cut);
    }
    return items;
}

QSizeF pageSize(Paper paper) {
    return sheet::paperSize(paper);
}

int sheetCapacity() {
    return sheet::kFullCapacity;
}

void drawSheetPage(QPainter& painter, const SheetContent& content, Paper paper) {
    painter.save();
    for (const SheetItem& item : sheetItems(content, paper)) {
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        drawItem(painter, item, content.code);
    }
    painter.restore();
}

QImage renderSheetPage(const SheetContent& content, Paper paper, int dpi) {
    const QSizeF mm = pageSize(paper);
    const double pixelsPerMm = dpi / 25.4;
    QImage image(qRound(mm.width() * pixelsPerMm), qRound(mm.height() * pixelsPerMm),
                 QImage::Format_Grayscale8);
    image.fill(Qt::white);
    const int dotsPerMeter = qRound(pixelsPerMm * 1000);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    QPainter painter(&image);
    painter.scale(pixelsPerMm, pixelsPerMm);
    drawSheetPage(painter, content, paper);
    return image;
}

}  // namespace printing
