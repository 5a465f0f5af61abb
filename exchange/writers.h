#pragma once

// Shared by the format writers; not part of the library's interface.

#include "exchange/question.h"

#include <QStringList>
#include <QStringView>

#include <memory>

namespace exchange::detail {

std::unique_ptr<Writer> moodleXmlWriter();
std::unique_ptr<Writer> giftWriter();
std::unique_ptr<Writer> aikenWriter();

// The lines of a text broken at CR LF, LF or CR: bases written by other programs hold all three.
QStringList lines(QStringView text);

// The text with every character a file of the format cannot hold replaced by U+FFFD: a lone
// surrogate has no UTF-8 form, and XML 1.0 also refuses control characters other than tab and
// line breaks, and U+FFFE and U+FFFF. When anything was replaced, `written` notes it.
QString writable(QString text, bool xml, Written* written = nullptr);

}  // namespace exchange::detail
