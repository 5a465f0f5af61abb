#pragma once

#include "printing/core/printtypes.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

namespace printing {

// What one answer sheet shows.
struct SheetContent {
    QString title;
    int variant = 1;
    QList<int> optionCounts;  // per printed question: how many bubbles its row has (2 … 5)
    QByteArray code;          // the QR code's text
    QString check;            // printed beside "Вариант K"
};

// One thing a sheet page shows, where it lies in the page's millimetres. The page is drawn from
// these, so what is checked of them is what is printed.
struct SheetItem {
    enum class Kind {
        Mark,       // a solid corner mark
        Code,       // the QR code's square, its quiet zone included
        Bubble,     // an empty bubble to fill: an answer or a digit of the list number
        Example,    // the instruction's filled bubble
        Withdrawn,  // the instruction's crossed-out bubble
        Text,
        Rule,     // a line to write on
        CutLine,  // between two half forms
    };
    Kind kind = Kind::Text;
    QRectF rect;
    int form = 0;  // 1: the lower of two half forms
    QString text;
    double size = 0;  // the text's height in millimetres
    bool bold = false;
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;
};

// Everything the page of `content` shows; nothing when it has more questions than a sheet holds.
QList<SheetItem> sheetItems(const SheetContent& content, Paper paper);

// The page in millimetres.
QSizeF pageSize(Paper paper);

// The most questions one sheet holds; a variant with more gets no sheet.
int sheetCapacity();

// Draws the sheet page: one form, or two half-page forms (each with its marks and code) when
// the variant has few enough questions; nothing for more than sheetCapacity() questions. The
// painter's unit is one millimetre, its origin the page's top-left corner.
void drawSheetPage(QPainter& painter, const SheetContent& content, Paper paper);

// The same page as a picture at `dpi`, for documents that take a page as a picture.
QImage renderSheetPage(const SheetContent& content, Paper paper, int dpi);

}  // namespace printing
