#pragma once

// Synthetic scans of filled-in answer sheets, with the truth of what was marked: for the
// reader's tests and benchmarks. Everything follows from the seed.

#include "grading/core/sheetread.h"
#include "printing/core/sheetcode.h"

#include <QImage>
#include <QList>

namespace grading::testkit {

// What a student did to one bubble.
enum class Stroke { None, Filled, Tick, Cross, HalfFilled, Withdrawn };

struct RowTruth {
    QList<Stroke> bubbles;  // per printed option
    // Blank, two marks, half-filled or withdrawn: a correct reader asks about the row.
    bool mustAsk = false;
};

struct FormTruth {
    printing::SheetCode code;
    int listNumber = 0;  // 1 … 99
    QList<RowTruth> rows;
};

// How the page is spoiled, each within ± its figure, drawn from the seed.
struct Degradation {
    int dpi = 300;
    double rotation = 0;  // degrees
    double scale = 0;     // share of the size
    double shift = 0;     // millimetres
    double blur = 0;      // Gaussian sigma, millimetres
    double noise = 0;     // standard deviation, grey levels
    int jpegQuality = 0;  // 0: no JPEG
    // Held over a darker table, tilted up to 10° towards the camera, lit unevenly.
    bool phonePhoto = false;
    bool upsideDown = false;
};

struct Scan {
    QImage page;
    QList<FormTruth> forms;  // the upper half form first
};

// A sheet of `questions` (1 … 100) with rows of 2 … 5 options, filled in and spoiled.
Scan makeScan(int questions, const Degradation& degradation, quint64 seed);
// The same for a sheet of a given code, as printed from a base.
Scan makeScan(const printing::SheetCode& code, const Degradation& degradation, quint64 seed);

// The truth as text, kept beside a page saved once, and read back: one line per form,
// "<code text> <list number> <row> <row> …", a row a letter per bubble (. F T X H W).
QByteArray truthText(const QList<FormTruth>& forms);
QList<FormTruth> truthFromText(const QByteArray& text);

// How a reading compares with the truth, summed over pages.
struct Tally {
    int bubbles = 0;
    int bubblesRight = 0;    // as marked, or Doubtful where a person must look
    int wrongUndoubted = 0;  // Filled for Empty or the other way, not flagged Doubtful
    int ordinaryRows = 0;    // one clear choice: filled, ticked or crossed
    int ordinaryAsked = 0;
    int askRows = 0;  // rows a reader must ask about
    int askMissed = 0;
    int forms = 0;
    int formsLost = 0;    // neither read nor the page flagged
    int codesUnread = 0;  // flagged: the teacher is asked
    int codesWrong = 0;
    int listsUnclear = 0;  // flagged: the teacher is asked
    int listsWrong = 0;
};

void tally(const Scan& scan, const PageRead& read, Tally& into);

}  // namespace grading::testkit
