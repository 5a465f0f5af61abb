#include "exporter/core/marking.h"

namespace exporter {

bool isMarked(bool markCorrect, const QVariant& correctOption, int position) {
    if (!markCorrect || correctOption.isNull())
        return false;
    bool ok = false;
    const qint64 number = correctOption.toLongLong(&ok);
    return ok && number == position - qb::columns::kQuestionPosition;
}

}  // namespace exporter
