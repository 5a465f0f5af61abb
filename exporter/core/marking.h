#pragma once

#include <QVariant>

namespace exporter {

// Positions of a question's fields in a row of `test`: 1 the question, 2 to 6 the options,
// 7 the picture.
inline constexpr int kQuestionPosition = 1;
inline constexpr int kLastOptionPosition = 6;
inline constexpr int kPicturePosition = 7;

// A field is marked when marking is on and the correct option's number names it.
bool isMarked(bool markCorrect, const QVariant& correctOption, int position);

}  // namespace exporter
