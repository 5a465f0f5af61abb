#include "printing/core/pagepdf.h"

#include "exporter/core/programtitle.h"
#include "questionbase/error.h"

#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>

namespace printing::pages {

namespace {

constexpr double kRule = 0.6 * kDotsPerPoint;       // the line to write on
constexpr double kGridLine = 0.75 * kDotsPerPoint;  // a key table's lines
constexpr double kCellPadding = 1.5 * kDotsPerMm;

class PdfPages {
public:
    PdfPages(const Layout& layout, QPainter& painter) : layout_(layout), painter_(painter) {}

    void flow(const Page& page) {
        for (const Item& item : page.items) {
            const QPointF top(layout_.margin, layout_.margin + item.y);
            switch (item.kind) {
                case Item::Kind::Paragraph:
                    paragraph(item.paragraph, top + QPointF(0, item.paragraph.spaceBefore));
                    break;
                case Item::Kind::Picture:
                    picture(item.picture, top + QPointF(0, item.picture.spaceBefore));
                    break;
                case Item::Kind::Table:
                    table(item.table, top);
                    break;
            }
        }
    }

private:
    void paragraph(const Paragraph& p, QPointF top) {
        p.layout->draw(&painter_, top + QPointF(p.textX, 0));
        if (p.layout->lineCount() == 0)
            return;
        const QTextLine first = p.layout->lineAt(0);
        if (!p.label.isEmpty()) {
            painter_.setFont(pageFont(p.size, p.labelBold));
            painter_.setPen(Qt::black);
            painter_.drawText(top + QPointF(p.x, first.y() + first.ascent()), p.label);
        }
        if (p.writeLine) {
            const QTextLine last = p.layout->lineAt(p.layout->lineCount() - 1);
            const double y = top.y() + last.y() + last.ascent() + kRule;
            const double from = top.x() + p.textX + last.naturalTextWidth() + kDotsPerMm;
            painter_.setPen(QPen(Qt::black, kRule));
            painter_.drawLine(QPointF(from, y), QPointF(layout_.margin + layout_.columnWidth(), y));
        }
    }

    void picture(const Picture& p, QPointF top) {
        auto found = images_.find(p.path);
        if (found == images_.end()) {
            QImageReader reader(p.path);
            reader.setAutoTransform(false);  // as the file's own header sizes it
            found = images_.insert(p.path, reader.read());
        }
        if (!found->isNull())
            painter_.drawImage(QRectF(top + QPointF(p.x, 0), QSizeF(p.width, p.height)), *found);
    }

    void table(const Table& t, QPointF top) {
        double width = 0;
        for (double w : t.columns)
            width += w;
        const double height = t.rowHeight * t.rows.size();
        painter_.setPen(QPen(Qt::black, kGridLine));
        for (qsizetype r = 0; r <= t.rows.size(); ++r) {
            const double y = top.y() + r * t.rowHeight;
            painter_.drawLine(QPointF(top.x(), y), QPointF(top.x() + width, y));
        }
        double x = top.x();
        for (qsizetype c = 0; c <= t.columns.size(); ++c) {
            painter_.drawLine(QPointF(x, top.y()), QPointF(x, top.y() + height));
            if (c < t.columns.size())
                x += t.columns.at(c);
        }
        for (qsizetype r = 0; r < t.rows.size(); ++r) {
            painter_.setFont(pageFont(12, r == 0));
            x = top.x();
            for (qsizetype c = 0; c < t.columns.size(); ++c) {
                const QRectF cell(x + kCellPadding, top.y() + r * t.rowHeight,
                                  t.columns.at(c) - 2 * kCellPadding, t.rowHeight);
                const Qt::Alignment align =
                    (t.align.at(c) == Align::Center || r == 0 ? Qt::AlignHCenter : Qt::AlignLeft) |
                    Qt::AlignVCenter;
                painter_.drawText(cell, align, t.rows.at(r).value(c));
                x += t.columns.at(c);
            }
        }
    }

    const Layout& layout_;
    QPainter& painter_;
    QHash<QString, QImage> images_;
};

}  // namespace

void writePdf(const Layout& layout, const PrintSet& set, const SheetDrawer& sheet,
              const QString& title, QIODevice* device) {
    QPdfWriter writer(device);
    writer.setResolution(int(kDpi));
    writer.setPageSize(pageSize(layout.paper));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    writer.setTitle(title);
    writer.setCreator(exporter::kProgramTitle);
    QPainter painter;
    if (!painter.begin(&writer))
        qb::fail(qb::Reason::Io, QStringLiteral("Не удалось начать PDF"));
    painter.setRenderHint(QPainter::Antialiasing);
    PdfPages pages(layout, painter);
    for (qsizetype i = 0; i < layout.pages.size(); ++i) {
        if (i > 0)
            writer.newPage();
        const Page& page = layout.pages.at(i);
        if (page.kind == Page::Kind::Sheet) {
            painter.save();
            painter.scale(kDotsPerMm, kDotsPerMm);
            sheet(painter, set.variants.at(page.variant));
            painter.restore();
        } else {
            pages.flow(page);
        }
    }
    painter.end();
}

}  // namespace printing::pages
