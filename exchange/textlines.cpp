#include "exchange/source.h"
#include "exchange/windows1251.h"
#include "exchange/writers.h"

namespace exchange::detail {

void eachLine(QStringView all, const std::function<void(QStringView)>& line) {
    qsizetype start = 0;
    while (start <= all.size()) {
        qsizetype end = start;
        while (end < all.size() && all[end] != u'\r' && all[end] != u'\n')
            ++end;
        line(all.sliced(start, end - start));
        start = end + (end + 1 < all.size() && all[end] == u'\r' && all[end + 1] == u'\n' ? 2 : 1);
    }
}

void readLines(QIODevice& device, bool utf8, SourceSink& sink,
               const std::function<void(QStringView)>& line) {
    const auto* table = utf8 ? nullptr : windows1251();
    QString decoded;
    bool first = true;
    const qint64 total = device.size();
    for (;;) {
        QByteArray bytes = device.readLine();
        if (bytes.isEmpty())
            break;
        if (!sink.reading(device.pos(), total))
            throw ReadingStopped{};
        if (device.pos() > kMaxSourceBytes)
            throw SourceError(QStringLiteral("Файл слишком велик для файла вопросов"));
        QByteArrayView view(bytes);
        if (first && utf8 && view.startsWith("\xEF\xBB\xBF"))
            view = view.sliced(3);
        first = false;
        const bool ended = view.endsWith('\n');
        if (ended)
            view.chop(view.endsWith("\r\n") ? 2 : 1);
        if (utf8) {
            decoded = QString::fromUtf8(view);
        } else {
            decoded.resize(view.size());
            for (qsizetype i = 0; i < view.size(); ++i) {
                const uchar byte = uchar(view[i]);
                decoded[i] = table ? QChar((*table)[byte]) : QChar::fromLatin1(char(byte));
            }
        }
        // A lone CR inside is a line break of its own.
        eachLine(decoded, line);
        if (!ended)
            break;
    }
}

}  // namespace exchange::detail
