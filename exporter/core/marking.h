#pragma once

#include "questionbase/columns.h"

#include <QVariant>

namespace exporter {

// Both exports show the fields from the question to the last option, in column order.
inline constexpr int kLastOptionPosition =
    qb::columns::optionPosition(qb::columns::kOptionCount - 1);

// A field is marked when marking is on and the correct option's number names it: 0 the
// question, 1 to 5 the options. `position` is the field's position in a row of `test`.
bool isMarked(bool markCorrect, const QVariant& correctOption, int position);

}  // namespace exporter
