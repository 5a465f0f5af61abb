#pragma once

#include "printing/core/printtypes.h"

#include <QByteArray>
#include <QImage>
#include <QList>
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

// The page in millimetres.
QSizeF pageSize(Paper paper);

// The most questions one sheet holds; a variant with more gets no sheet.
int sheetCapacity();

// Draws the sheet page: one form, or two half-page forms (each with its marks and code) when
// the variant has few enough questions. The painter's unit is one millimetre, its origin the
// page's top-left corner.
void drawSheetPage(QPainter& painter, const SheetContent& content, Paper paper);

// The same page as a picture at `dpi`, for documents that take a page as a picture.
QImage renderSheetPage(const SheetContent& content, Paper paper, int dpi);

}  // namespace printing
