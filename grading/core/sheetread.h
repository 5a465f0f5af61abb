#pragma once

// What reading a scanned page gives: each answer sheet (form) found on it, its code, its
// bubbles as filled, empty or doubtful, and the parts a teacher may have to look at, kept as
// small pictures. Nothing here is decided yet; the gradebook decides, or asks.

#include "printing/core/sheetcode.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMap>
#include <QString>

#include <array>
#include <optional>

namespace grading {

enum class Mark { Empty, Filled, Doubtful };

struct Bubble {
    double darkness = 0;  // of the bubble's inner part: 0 the page's paper, 1 its ink
    Mark mark = Mark::Empty;
    bool operator==(const Bubble&) const = default;
};

// A part of a page kept for the teacher to look at, held compressed: a grading of a thousand
// pages keeps thousands of them.
class Crop {
public:
    Crop() = default;
    Crop(const QImage& image);  // NOLINT(google-explicit-constructor): made from any picture
    QImage image() const;
    bool isNull() const { return size_.isEmpty(); }
    int width() const { return size_.width(); }
    int height() const { return size_.height(); }
    QSize size() const { return size_; }

private:
    QByteArray bytes_;
    QSize size_;
};

inline constexpr int kListPlaces = 2;  // "№ по списку": tens and units
inline constexpr int kDigits = 10;

// One student's form as read from a page.
struct FormRead {
    QString file;  // where the page came from
    int page = 0;  // the page in that file, from 0
    int form = 0;  // 1: the lower of two half forms on one page

    QByteArray codeText;                      // the QR code's text; empty when none was read
    std::optional<printing::SheetCode> code;  // none when unreadable or not a code of ours

    // [place][digit]; every bubble Empty when the code was not read (the geometry is unknown).
    std::array<std::array<Bubble, kDigits>, kListPlaces> listNumber{};
    // Per printed question, per printed option; as many rows as the code names.
    QList<QList<Bubble>> answers;

    // Grayscale pictures at about 100 dpi: the name line always, the list number's field
    // always, and the row of each printed question whose bubbles are not exactly one Filled and
    // the rest Empty. When the code was not read, `page` holds the whole page, small.
    Crop nameCrop;
    Crop listCrop;
    QMap<int, Crop> rowCrops;
    Crop pageCrop;
};

// One page as read: the forms found on it, or why none was.
struct PageRead {
    QList<FormRead> forms;
    QString problem;  // empty when at least one form was found
};

// Reads one page: any size, any resolution, turned or upside down, scanned or photographed.
// `file` and `pageIndex` are stored in the forms as they are.
PageRead readPage(const QImage& page, const QString& file, int pageIndex);

}  // namespace grading
