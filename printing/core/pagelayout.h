#pragma once

// The pages of a print, decided once: what stands on each page and where. Both the PDF and the
// .docx are written from these pages, so they break where the layout breaks.

#include "printing/core/printpages.h"
#include "printing/core/printtypes.h"

#include <QList>
#include <QPageSize>
#include <QSizeF>
#include <QString>

#include <memory>

class QFont;
class QTextLayout;

namespace printing::pages {

// Lengths are in dots of the PDF's resolution.
inline constexpr double kDpi = 300;
inline constexpr double kDotsPerMm = kDpi / 25.4;
inline constexpr double kDotsPerPoint = kDpi / 72;
inline constexpr double kMarginMm = 20;
// The share of a page's text height the layout fills: the word processor breaks lines by its
// own measure, and what Qt sets on n lines it may set on n + 1.
inline constexpr double kFill = 0.85;

QPageSize pageSize(Paper paper);

enum class Align { Left, Center };

// A paragraph in one font, measured in the column: an optional label (a question's number, an
// option's letter) at `x`, the text from `textX` on with its wrapped lines aligned there.
struct Paragraph {
    QString label;
    QString text;      // line breaks as QChar::LineSeparator
    double size = 12;  // points
    bool bold = false;
    bool labelBold = false;
    Align align = Align::Left;
    double x = 0;            // dots from the column's left edge
    double textX = 0;        // dots from the column's left edge
    double spaceBefore = 0;  // dots
    bool writeLine = false;  // a line to write on runs from the text to the column's end
    std::shared_ptr<QTextLayout> layout;  // the text set in the column, lines from y 0
    double textHeight = 0;                // dots
};

struct Picture {
    QString path;
    double x = 0;  // dots from the column's left edge
    double width = 0;
    double height = 0;
    double spaceBefore = 0;
};

// A table with a grid of lines: the first row heads it.
struct Table {
    QList<double> columns;  // widths in dots
    QList<Align> align;     // per column
    QList<QStringList> rows;
    double rowHeight = 0;  // dots, every row alike
};

// What an item belongs to, so a reader of the layout can find a question's parts.
enum class Role { Heading, Text, Picture, Option, Key, Space };

struct Item {
    enum class Kind { Paragraph, Picture, Table } kind = Kind::Paragraph;
    Role role = Role::Heading;
    int variant = -1;   // index into PrintSet::variants
    int question = -1;  // index into the variant's questions
    double y = 0;       // dots below the top margin, where its space before starts
    bool keepNext = false;
    Paragraph paragraph;
    Picture picture;
    Table table;

    double height() const;  // dots, space before included
};

struct Page {
    enum class Kind { Flow, Sheet } kind = Kind::Flow;
    int variant = -1;  // a sheet page's variant: index into PrintSet::variants
    QList<Item> items;
};

struct Layout {
    Paper paper = Paper::A4;
    QSizeF size;        // the page in dots
    double margin = 0;  // dots, on every side
    double columnWidth() const { return size.width() - 2 * margin; }
    QList<Page> pages;
};

// The font the pages are set in: Liberation Serif, else DejaVu Serif, both with Cyrillic.
QString fontFamily();
// The font of a paragraph, unhinted so its measure is the same at any resolution.
QFont pageFont(double size, bool bold);

// Lays the parts out. The drawer is asked, on a scrap canvas, which variants get a sheet.
Layout layOut(const PrintSet& set, const PrintChoices& choices, const PrintParts& parts,
              const SheetDrawer& sheet);

}  // namespace printing::pages
