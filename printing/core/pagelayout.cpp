#include "printing/core/pagelayout.h"

#include "exporter/core/imageinfo.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <optional>

namespace printing::pages {

namespace {

constexpr double kBodySize = 12;
constexpr double kTitleSize = 16;
constexpr double kVariantSize = 14;
// Below a picture's bottom the word processor keeps the line's descent.
constexpr double kPictureDescent = 3 * kDotsPerPoint;
// The word processor's default tab stops, 1.25 cm apart.
constexpr double kTabStop = 12.5 * kDotsPerMm;
// The questions beyond which a key table runs in two halves side by side.
constexpr int kKeyRowsInOneHalf = 15;

double points(double pt) {
    return pt * kDotsPerPoint;
}

// Fonts are measured as the PDF sets them: at its resolution, unhinted.
const QPaintDevice* measuringDevice() {
    static QImage device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        const int dotsPerMeter = int(std::lround(kDpi / 0.0254));
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return &device;
}

double textWidth(const QString& text, double size, bool bold) {
    return QFontMetricsF(pageFont(size, bold), measuringDevice()).horizontalAdvance(text);
}

QString lines(QString text) {
    text.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    text.replace(QLatin1Char('\r'), QChar::LineSeparator);
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    while (text.endsWith(QChar::LineSeparator) || text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

void measure(Paragraph& p, double columnWidth) {
    const QFont f = pageFont(p.size, p.bold);
    p.layout = std::make_shared<QTextLayout>(p.text, f, measuringDevice());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setUseDesignMetrics(true);
    option.setAlignment(p.align == Align::Center ? Qt::AlignHCenter : Qt::AlignLeft);
    option.setTabStopDistance(kTabStop);
    p.layout->setTextOption(option);
    p.layout->setCacheEnabled(true);
    const double width = std::max(columnWidth - p.textX, kDotsPerMm);
    double y = 0;
    p.layout->beginLayout();
    for (QTextLine line = p.layout->createLine(); line.isValid(); line = p.layout->createLine()) {
        line.setLeadingIncluded(true);
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    p.layout->endLayout();
    if (y <= 0)
        y = QFontMetricsF(f, measuringDevice()).lineSpacing();
    p.textHeight = y;
}

Item paragraphItem(Role role, Paragraph p, double columnWidth) {
    measure(p, columnWidth);
    Item item;
    item.kind = Item::Kind::Paragraph;
    item.role = role;
    item.paragraph = std::move(p);
    return item;
}

Paragraph plain(const QString& text, double size, bool bold, Align align, double spaceBefore) {
    Paragraph p;
    p.text = text;
    p.size = size;
    p.bold = bold;
    p.align = align;
    p.spaceBefore = spaceBefore;
    return p;
}

// Places blocks one after another, a block on one page where it fits on one.
class Flow {
public:
    explicit Flow(Layout& layout)
        : layout_(layout), capacity_((layout.size.height() - 2 * layout.margin) * kFill) {}

    double capacity() const { return capacity_; }

    void newPage(Page::Kind kind = Page::Kind::Flow, int variant = -1) {
        Page page;
        page.kind = kind;
        page.variant = variant;
        layout_.pages.append(page);
        y_ = 0;
    }

    void place(QList<Item> block) {
        if (layout_.pages.isEmpty() || layout_.pages.last().kind != Page::Kind::Flow)
            newPage();
        double height = 0;
        for (const Item& item : block)
            height += item.height();
        if (!layout_.pages.last().items.isEmpty() && y_ + height > capacity_)
            newPage();
        for (qsizetype i = 0; i < block.size(); ++i) {
            Item& item = block[i];
            // Only a block taller than a page gets here with a full page.
            if (!layout_.pages.last().items.isEmpty() && y_ + item.height() > capacity_)
                newPage();
            if (layout_.pages.last().items.isEmpty()) {
                item.paragraph.spaceBefore = 0;
                item.picture.spaceBefore = 0;
            }
            item.keepNext = i + 1 < block.size();
            item.y = y_;
            y_ += item.height();
            layout_.pages.last().items.append(item);
        }
    }

private:
    Layout& layout_;
    double capacity_;
    double y_ = 0;
};

class Builder {
public:
    Builder(const PrintSet& set, const PrintChoices& choices, Layout& layout)
        : set_(set), choices_(choices), layout_(layout), flow_(layout) {
        int most = 1;
        for (const Variant& v : set.variants)
            most = std::max(most, int(v.questions.size()));
        numberIndent_ = std::ceil(
            textWidth(QString::number(most) + QLatin1Char('.'), kBodySize, true) + 2 * kDotsPerMm);
        letterIndent_ =
            std::ceil(textWidth(QStringLiteral("Д)"), kBodySize, false) + 1.5 * kDotsPerMm);
    }

    void variant(int index) {
        const Variant& v = set_.variants.at(index);
        flow_.newPage();
        QList<Item> head;
        if (!set_.title.isEmpty())
            head << item(Role::Heading,
                         plain(lines(set_.title), kTitleSize, true, Align::Center, 0));
        head << item(Role::Heading, plain(QStringLiteral("Вариант %1").arg(v.number), kVariantSize,
                                          true, Align::Center, points(4)));
        for (const QString& line : choices_.headerLines) {
            Paragraph p = plain(line + QLatin1Char(':'), kBodySize, false, Align::Left, points(10));
            p.writeLine = true;
            head << item(Role::Heading, p);
        }
        flow_.place(head);
        for (int q = 0; q < v.questions.size(); ++q)
            flow_.place(question(index, q));
    }

    void key() {
        flow_.newPage();
        QList<Item> head;
        if (!set_.title.isEmpty())
            head << item(Role::Heading,
                         plain(lines(set_.title), kTitleSize, true, Align::Center, 0));
        head << item(Role::Heading, plain(QStringLiteral("Ключ ответов"), kVariantSize, true,
                                          Align::Center, points(4)));
        flow_.place(head);
        for (int v = 0; v < set_.variants.size(); ++v)
            keyTable(v);
    }

private:
    Item item(Role role, const Paragraph& p) const {
        return paragraphItem(role, p, layout_.columnWidth());
    }

    QList<Item> question(int variant, int index) {
        const VariantQuestion& placed = set_.variants.at(variant).questions.at(index);
        const PrintQuestion& q = set_.questions.at(placed.question);
        QList<Item> block;
        Paragraph text = plain(lines(q.text), kBodySize, false, Align::Left, points(10));
        text.label = QString::number(index + 1) + QLatin1Char('.');
        text.labelBold = true;
        text.textX = numberIndent_;
        block << item(Role::Text, text);
        for (int i = 0; i < placed.optionOrder.size(); ++i) {
            const int number = placed.optionOrder.at(i);
            Paragraph option = plain(lines(q.options.at(number - 1)), kBodySize, false, Align::Left,
                                     i == 0 ? points(3) : 0);
            option.label = optionLetter(i) + QLatin1Char(')');
            option.x = numberIndent_;
            option.textX = numberIndent_ + letterIndent_;
            block << item(Role::Option, option);
        }
        if (const auto info = pictureInfo(q.picture)) {
            double rest = 0;
            for (const Item& i : block)
                rest += i.height();
            Item picture;
            picture.kind = Item::Kind::Picture;
            picture.role = Role::Picture;
            picture.picture = fitPicture(q.picture, *info, rest);
            block.insert(1, picture);
        }
        for (Item& i : block) {
            i.variant = variant;
            i.question = index;
        }
        return block;
    }

    // At the picture's own resolution, shrunk to the column and to what the page leaves beside
    // the question's text and options; never enlarged.
    Picture fitPicture(const QString& path, const exporter::ImageInfo& info, double rest) const {
        Picture p;
        p.path = path;
        p.x = numberIndent_;
        p.spaceBefore = points(4);
        double width = info.width * kDpi / (info.dpiX > 0 ? info.dpiX : 96);
        double height = info.height * kDpi / (info.dpiY > 0 ? info.dpiY : 96);
        const double maxWidth = layout_.columnWidth() - p.x;
        const double maxHeight = std::max(flow_.capacity() - rest - p.spaceBefore - kPictureDescent,
                                          flow_.capacity() / 4);
        const double scale = std::min({1.0, maxWidth / width, maxHeight / height});
        p.width = std::max(1.0, std::floor(width * scale));
        p.height = std::max(1.0, std::floor(height * scale));
        return p;
    }

    std::optional<exporter::ImageInfo> pictureInfo(const QString& path) {
        if (path.isEmpty())
            return std::nullopt;
        auto found = pictures_.find(path);
        if (found == pictures_.end())
            found = pictures_.insert(path, exporter::readImageInfo(path));
        return *found;
    }

    // A table per variant: the question's number in the variant, its letter, its place in the
    // base; in two halves side by side when long, and cut across pages when longer still.
    void keyTable(int variant) {
        const Variant& v = set_.variants.at(variant);
        const int n = int(v.questions.size());
        const int halves = n > kKeyRowsInOneHalf ? 2 : 1;
        Table shape;
        shape.rowHeight = 6.5 * kDotsPerMm;
        const QStringList header = {QStringLiteral("№ вопроса"), QStringLiteral("Ответ"),
                                    QStringLiteral("В базе")};
        QStringList headerRow;
        for (int h = 0; h < halves; ++h) {
            shape.columns << 26 * kDotsPerMm << 20 * kDotsPerMm << 36 * kDotsPerMm;
            shape.align << Align::Center << Align::Center << Align::Left;
            headerRow << header;
        }
        const Item heading = item(Role::Heading, plain(QStringLiteral("Вариант %1").arg(v.number),
                                                       kBodySize, true, Align::Left, points(12)));
        const double room = flow_.capacity() - heading.height();
        const int rowsPerPage = std::max(1, int(room / shape.rowHeight) - 1);
        const int perChunk = rowsPerPage * halves;
        for (int start = 0; start < std::max(n, 1); start += perChunk) {
            const int count = std::min(perChunk, n - start);
            const int rows = (count + halves - 1) / halves;
            Table table = shape;
            table.rows << headerRow;
            for (int r = 0; r < rows; ++r) {
                QStringList row;
                for (int h = 0; h < halves; ++h) {
                    const int i = start + h * rows + r;
                    if (i < start + count) {
                        const VariantQuestion& placed = v.questions.at(i);
                        const PrintQuestion& q = set_.questions.at(placed.question);
                        row << QString::number(i + 1) << correctLetter(q, placed)
                            << QStringLiteral("Вопрос № %1").arg(q.position);
                    } else {
                        row << QString() << QString() << QString();
                    }
                }
                table.rows << row;
            }
            Item tableItem;
            tableItem.kind = Item::Kind::Table;
            tableItem.role = Role::Key;
            tableItem.variant = variant;
            tableItem.table = table;
            flow_.place({heading, tableItem});
        }
    }

    const PrintSet& set_;
    const PrintChoices& choices_;
    Layout& layout_;
    Flow flow_;
    double numberIndent_ = 0;
    double letterIndent_ = 0;
    QHash<QString, std::optional<exporter::ImageInfo>> pictures_;
};

}  // namespace

QPageSize pageSize(Paper paper) {
    return QPageSize(paper == Paper::Letter ? QPageSize::Letter : QPageSize::A4);
}

QString fontFamily() {
    static const QString family = QFontDatabase::hasFamily(QStringLiteral("Liberation Serif"))
                                      ? QStringLiteral("Liberation Serif")
                                      : QStringLiteral("DejaVu Serif");
    return family;
}

QFont pageFont(double size, bool bold) {
    QFont f(fontFamily());
    f.setPointSizeF(size);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(false);  // as a new document in the word processor
    return f;
}

double Item::height() const {
    switch (kind) {
        case Kind::Paragraph:
            return paragraph.spaceBefore + paragraph.textHeight;
        case Kind::Picture:
            return picture.spaceBefore + picture.height + kPictureDescent;
        case Kind::Table:
            return table.rowHeight * table.rows.size();
    }
    return 0;
}

Layout layOut(const PrintSet& set, const PrintChoices& choices, const PrintParts& parts,
              const SheetDrawer& sheet) {
    Layout layout;
    layout.paper = choices.paper;
    const QSizeF mm = pageSize(choices.paper).size(QPageSize::Millimeter);
    layout.size = QSizeF(mm.width() * kDotsPerMm, mm.height() * kDotsPerMm);
    layout.margin = kMarginMm * kDotsPerMm;
    Builder builder(set, choices, layout);
    if (parts.variants) {
        for (int v = 0; v < set.variants.size(); ++v)
            builder.variant(v);
    }
    if (parts.sheets && sheet) {
        // A drawing on a scrap canvas tells which variants get a sheet; it costs a pixel.
        QImage scrap(1, 1, QImage::Format_RGB32);
        for (int v = 0; v < set.variants.size(); ++v) {
            QPainter painter(&scrap);
            if (sheet(painter, set.variants.at(v))) {
                Page page;
                page.kind = Page::Kind::Sheet;
                page.variant = v;
                layout.pages.append(page);
            }
        }
    }
    if (parts.key)
        builder.key();
    if (layout.pages.isEmpty())
        layout.pages.append(Page{});
    return layout;
}

}  // namespace printing::pages
