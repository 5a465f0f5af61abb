#pragma once

// Where everything of an answer sheet lies, in millimetres. The drawing places marks, bubbles
// and the code from here, and whatever reads a scanned sheet back must take them from here too:
// a number changed in this file changes every sheet printed after it.
//
// One frame of 210 × 279 mm serves A4 and Letter alike, centred on either page. The frame holds
// one full form, or two half forms one above the other. A form's coordinates start at its own
// top-left corner; its four corner marks span everything a reader needs, so a reader maps the
// marks it finds to the positions below and needs neither the paper nor the form's place on it.

#include "printing/core/printtypes.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace printing::sheet {

inline constexpr double kA4Width = 210.0;
inline constexpr double kA4Height = 297.0;
inline constexpr double kLetterWidth = 215.9;
inline constexpr double kLetterHeight = 279.4;

inline constexpr double kFrameWidth = 210.0;
inline constexpr double kFrameHeight = 279.0;

constexpr QSizeF paperSize(Paper paper) {
    return paper == Paper::A4 ? QSizeF(kA4Width, kA4Height) : QSizeF(kLetterWidth, kLetterHeight);
}

// The frame's top-left corner on the page.
constexpr QPointF frameOrigin(Paper paper) {
    const QSizeF page = paperSize(paper);
    return {(page.width() - kFrameWidth) / 2, (page.height() - kFrameHeight) / 2};
}

// A variant of at most kHalfCapacity questions gets two half forms on its page (a page makes two
// students' sheets); a longer one a full form, up to kFullCapacity questions.
enum class Form { Full, Half };

inline constexpr int kHalfCapacity = 30;
inline constexpr int kFullCapacity = 100;

constexpr Form formFor(int questions) {
    return questions <= kHalfCapacity ? Form::Half : Form::Full;
}
constexpr int formsPerPage(Form form) {
    return form == Form::Half ? 2 : 1;
}
constexpr int capacity(Form form) {
    return form == Form::Half ? kHalfCapacity : kFullCapacity;
}
constexpr double formHeight(Form form) {
    return form == Form::Half ? kFrameHeight / 2 : kFrameHeight;
}
// The top-left corner of form `copy` (0 or 1) within the frame.
constexpr QPointF formOrigin(Form form, int copy) {
    return {0.0, copy * formHeight(form)};
}

// Corner marks: solid squares, their outer edges kMarkInset from the form's edges, well inside
// what any printer leaves blank at the paper's edge.
inline constexpr double kMarkInset = 10.0;
inline constexpr double kMarkSize = 6.0;

enum Corner { TopLeft, TopRight, BottomLeft, BottomRight };

constexpr QRectF cornerMark(Form form, Corner corner) {
    const double left = kMarkInset;
    const double right = kFrameWidth - kMarkInset - kMarkSize;
    const double top = kMarkInset;
    const double bottom = formHeight(form) - kMarkInset - kMarkSize;
    const bool isRight = corner == TopRight || corner == BottomRight;
    const bool isBottom = corner == BottomLeft || corner == BottomRight;
    return {isRight ? right : left, isBottom ? bottom : top, kMarkSize, kMarkSize};
}

// The QR code's square, its quiet zone of kCodeQuietModules included: the modules are as large
// as the square allows for the code's version.
inline constexpr int kCodeQuietModules = 4;

constexpr QRectF codeSquare(Form form) {
    return form == Form::Half ? QRectF(154.0, 11.0, 38.0, 38.0) : QRectF(142.0, 11.0, 50.0, 50.0);
}

// The header's lines at the left of the code: title, "Вариант K" with the check, the name and
// class lines, the instruction.
inline constexpr double kTextLeft = 20.0;
inline constexpr double kTextGap = 4.0;  // between the header's text and the code

constexpr double textRight(Form form) {
    return codeSquare(form).left() - kTextGap;
}
constexpr QRectF titleBox(Form form) {
    return {kTextLeft, 11.0, textRight(form) - kTextLeft, 6.5};
}
constexpr QRectF variantBox(Form form) {
    return {kTextLeft, 18.5, textRight(form) - kTextLeft, 6.0};
}
constexpr QRectF nameBox(Form form) {
    return {kTextLeft, 26.0, textRight(form) - kTextLeft, 6.0};
}
constexpr QRectF classBox(Form form) {
    return {kTextLeft, 33.0, textRight(form) - kTextLeft, 6.0};
}
constexpr QRectF instructionBox(Form form) {
    return {kTextLeft, 40.5, textRight(form) - kTextLeft, 8.0};
}

// Bubbles: circles of kBubbleRadius, drawn with a thin line; a reader measures a bubble's
// darkness inside its inner area.
inline constexpr double kBubbleRadius = 2.25;
inline constexpr double kBubblePitch = 6.0;  // between the bubbles of one row

// The centre of the first row of answers and of the list number's "0" row.
constexpr double gridTop(Form form) {
    return form == Form::Half ? 61.0 : 73.0;
}
constexpr double rowPitch(Form form) {
    return form == Form::Half ? 6.5 : 7.0;
}
inline constexpr int kAnswerColumns = 4;

// The columns are filled evenly, in rows of fives that are easy to count along, ten at the
// least: 40 questions stand in four columns of 10, 100 in four of 25.
constexpr int rowsPerColumn(int questions) {
    const int perColumn = (questions + kAnswerColumns - 1) / kAnswerColumns;
    const int rows = (perColumn + 4) / 5 * 5;
    return rows < 10 ? 10 : rows;
}

// The answers: rows 1 … n, down one column, then the next.
inline constexpr double kAnswerLeft = 44.0;
inline constexpr double kAnswerColumnPitch = 37.0;
inline constexpr double kRowNumberWidth = 6.5;  // the row's number, right-aligned, then bubbles
inline constexpr double kFirstBubbleOffset = 10.0;

constexpr double answerColumnLeft(int column) {
    return kAnswerLeft + column * kAnswerColumnPitch;
}
// `question` and `option` counted from 0, on the sheet of a variant of `questions`.
constexpr QPointF answerBubble(int questions, int question, int option) {
    const Form form = formFor(questions);
    const int column = question / rowsPerColumn(questions);
    const int row = question % rowsPerColumn(questions);
    return {answerColumnLeft(column) + kFirstBubbleOffset + option * kBubblePitch,
            gridTop(form) + row * rowPitch(form)};
}
constexpr QRectF rowNumberBox(int questions, int question) {
    const QPointF first = answerBubble(questions, question, 0);
    const double left = answerColumnLeft(question / rowsPerColumn(questions));
    return {left, first.y() - 2.0, kRowNumberWidth, 4.0};
}
// The letters А … Д above each column of answers.
constexpr QRectF letterBox(Form form, int column, int option) {
    const double x = answerColumnLeft(column) + kFirstBubbleOffset + option * kBubblePitch;
    return {x - 2.0, gridTop(form) - 8.5, 4.0, 4.0};
}

// "№ по списку": two columns of bubbles, tens and units, with the digits 0 … 9 down the left.
inline constexpr double kListDigitsCentre = 20.5;
inline constexpr double kListLeft = 26.0;  // the tens' bubbles' centre
inline constexpr double kListRowPitch = 6.0;

constexpr QPointF listBubble(Form form, int place, int digit) {  // place 0: tens, 1: units
    return {kListLeft + place * kBubblePitch, gridTop(form) + digit * kListRowPitch};
}
constexpr QRectF listDigitBox(Form form, int digit) {
    return {kListDigitsCentre - 2.0, gridTop(form) + digit * kListRowPitch - 2.0, 4.0, 4.0};
}
constexpr QRectF listLabelBox(Form form) {
    return {16.0, gridTop(form) - 8.5, 26.0, 4.0};
}

// What a reader shows a teacher who must decide by eye: the list number's whole field, its
// digits and label included, and one row of answers from its number to its last bubble.
constexpr QRectF listFieldBox(Form form) {
    const QRectF label = listLabelBox(form);
    const double bottom = listBubble(form, 0, 9).y() + kBubbleRadius + 1.0;
    return {label.left(), label.top() - 1.0, label.width(), bottom - label.top() + 1.0};
}
constexpr QRectF answerRowBox(int questions, int question, int options) {
    const Form form = formFor(questions);
    const QRectF number = rowNumberBox(questions, question);
    const double right = answerBubble(questions, question, options - 1).x() + kBubbleRadius + 1.0;
    const double top = number.center().y() - rowPitch(form) / 2;
    return {number.left() - 1.0, top, right - number.left() + 1.0, rowPitch(form)};
}

constexpr QRectF bubbleRect(QPointF centre) {
    return {centre.x() - kBubbleRadius, centre.y() - kBubbleRadius, 2 * kBubbleRadius,
            2 * kBubbleRadius};
}

}  // namespace printing::sheet
