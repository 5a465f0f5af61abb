#pragma once

// Shared by the format writers; not part of the library's interface.

#include "exchange/question.h"
#include "exchange/source.h"

#include <QStringList>
#include <QStringView>

#include <functional>
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

// Each line of a text, broken at CR LF, LF or a lone CR, without a copy of the lines.
void eachLine(QStringView text, const std::function<void(QStringView)>& line);

// Each line of a text file as it streams, in UTF-8 (a byte order mark dropped) or, when `utf8`
// is false, Windows-1251; the sink is told the progress. Throws SourceError, ReadingStopped.
void readLines(QIODevice& device, bool utf8, SourceSink& sink,
               const std::function<void(QStringView)>& line);

// A sink that keeps what it is handed, for the readers of a text already in memory.
class Collected : public SourceSink {
public:
    explicit Collected(Source& source) : source_(source) {}
    void take(SourceQuestion question) override { source_.questions << std::move(question); }
    void refuse(Refusal refusal) override { source_.refused << std::move(refusal); }
    void finish(SourceKind kind, const QString& description) override {
        source_.kind = kind;
        source_.description = description;
    }

private:
    Source& source_;
};

}  // namespace exchange::detail
