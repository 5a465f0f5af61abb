#include "exporter/core/exchangeexport.h"

#include "exporter/core/imageinfo.h"
#include "exporter/core/marking.h"
#include "exporter/core/textexport.h"
#include "exporter/core/wordexport.h"
#include "questionbase/columns.h"
#include "questionbase/error.h"
#include "questionbase/recordset.h"
#include "questionbase/steps.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QIODevice>

#include <array>
#include <optional>

namespace exporter {

namespace columns = qb::columns;

namespace {

constexpr int kListedRemarks = 20;
constexpr qsizetype kFlushBytes = 1 << 16;

bool blank(const QString& text) {
    return text.trimmed().isEmpty();
}

// A picture as the Word export takes it: a file beside the base that reads as a picture.
// Whether a file reads as one is decided once an export, as the Word export does; the bytes
// are kept too while they fit the budget, since bases reuse a few pictures for many questions.
class PictureReader {
public:
    explicit PictureReader(const ExchangeExportOptions& options) : options_(options) {}

    // The picture's bytes, or why there are none.
    std::optional<QByteArray> read(const QString& stored, QString& problem) {
        auto known = known_.find(stored);
        if (known == known_.end())
            known = known_.insert(stored, look(stored));
        Entry& entry = known.value();
        problem = entry.problem;
        if (!entry.problem.isEmpty())
            return std::nullopt;
        if (entry.data)
            return entry.data;
        QFile file(picturePath(options_.basePath, stored));
        if (!file.open(QIODevice::ReadOnly)) {
            problem = unreadable(stored);
            return std::nullopt;
        }
        QByteArray data = file.readAll();
        if (kept_ + data.size() <= kKeptBytes) {
            kept_ += data.size();
            entry.data = data;
        }
        return data;
    }

private:
    static constexpr qsizetype kKeptBytes = qsizetype(64) << 20;

    struct Entry {
        QString problem;
        std::optional<QByteArray> data;
    };

    static QString unreadable(const QString& stored) {
        return QStringLiteral("файл «%1» не читается как картинка").arg(stored);
    }

    Entry look(const QString& stored) const {
        const QString path = picturePath(options_.basePath, stored);
        if (!(options_.fileExists ? options_.fileExists(path) : QFileInfo::exists(path)))
            return {QStringLiteral("нет файла картинки «%1»").arg(stored), std::nullopt};
        if (!readImageInfo(path))
            return {unreadable(stored), std::nullopt};
        return {};
    }

    const ExchangeExportOptions& options_;
    QHash<QString, Entry> known_;
    qsizetype kept_ = 0;
};

QString fileName(const QString& stored) {
    const qsizetype slash = std::max(stored.lastIndexOf(u'\\'), stored.lastIndexOf(u'/'));
    return stored.mid(slash + 1);
}

}  // namespace

ExchangeReport writeExchange(qb::Recordset& questions, const ExchangeExportOptions& options,
                             QIODevice& out) {
    const std::unique_ptr<exchange::Writer> writer = exchange::writerFor(options.format);
    const QString formatName = exchange::formatName(options.format);
    ExchangeReport report;
    QByteArray buffer;
    const auto flush = [&] {
        if (out.write(buffer) != buffer.size())
            qb::fail(qb::Reason::Io,
                     QStringLiteral("Не удалось записать файл: ") + out.errorString());
        buffer.clear();
    };

    writer->begin(buffer, {QFileInfo(options.basePath).completeBaseName(), options.description});

    std::array<bool, kLastOptionPosition + 1> numbers{};
    for (int position = columns::kQuestionPosition; position <= kLastOptionPosition; ++position)
        numbers[position] = questions.field(position).holdsNumbers();
    const int correctPosition = questions.field(columns::kCorrect).position();
    PictureReader pictures(options);

    questions.forEachRow([&](const qb::RowView& row) {
        const int number = ++report.questions;
        // Present as the text export sees it: a value of non-zero size.
        const auto text = [&](int position, bool holdsNumbers) -> std::optional<QString> {
            const QVariant value = row.value(position);
            if (value.isNull() || (!holdsNumbers && value.toString().isEmpty()))
                return std::nullopt;
            return value.toString();
        };
        QStringList remarks;
        const auto leaveOut = [&](const QString& reason) {
            report.remarks << QStringLiteral("Вопрос № %1: не записан: %2").arg(number).arg(reason);
        };

        exchange::Question question;
        question.name = QStringLiteral("Вопрос %1").arg(number);
        question.text = text(columns::kQuestionPosition, numbers[columns::kQuestionPosition])
                            .value_or(QString());
        if (blank(question.text))
            return leaveOut(QStringLiteral("нет текста вопроса"));

        bool ok = false;
        const qint64 correct = row.value(correctPosition).toLongLong(&ok);
        std::optional<int> rightOption;
        for (int i = 0; i < columns::kOptionCount; ++i) {
            const int position = columns::optionPosition(i);
            const std::optional<QString> option = text(position, numbers[position]);
            if (!option)
                continue;
            if (blank(*option)) {
                remarks << QStringLiteral("вариант %1 из одних пробелов не записан").arg(i + 1);
                continue;
            }
            if (ok && correct == i + 1)
                rightOption = int(question.options.size());
            question.options << *option;
        }
        if (question.options.size() < 2)
            return leaveOut(QStringLiteral("меньше двух вариантов ответа"));
        if (!rightOption) {
            return leaveOut(
                ok ? QStringLiteral("верный ответ № %1 не указывает на заполненный вариант")
                         .arg(correct)
                   : QStringLiteral("не указан верный ответ"));
        }
        question.correct = *rightOption;

        const std::optional<QString> stored =
            text(columns::kPicturePosition, /*holdsNumbers=*/false);
        if (stored && !blank(*stored) && !options.leavePicturesOut) {
            QString problem;
            if (!writer->carriesPictures())
                remarks
                    << QStringLiteral("записан без картинки: в %1 картинок нет").arg(formatName);
            else if (const std::optional<QByteArray> data = pictures.read(*stored, problem))
                question.picture = exchange::Picture{fileName(*stored), *data};
            else
                remarks << QStringLiteral("записан без картинки: ") + problem;
        }

        const exchange::Written written = writer->add(buffer, question);
        if (written.refused) {
            return leaveOut(
                QStringLiteral("%1 прочитал бы этот текст вопроса не как вопрос").arg(formatName));
        }
        ++report.written;
        if (written.changes.testFlag(exchange::Change::LinesJoined))
            remarks << QStringLiteral("переносы строк заменены пробелами");
        if (written.changes.testFlag(exchange::Change::CharactersReplaced))
            remarks << QStringLiteral("недопустимые в файле символы заменены на «\uFFFD»");
        if (!remarks.isEmpty())
            report.remarks << QStringLiteral("Вопрос № %1: %2")
                                  .arg(number)
                                  .arg(remarks.join(QStringLiteral("; ")));
        if (buffer.size() >= kFlushBytes)
            flush();
    });
    writer->end(buffer);
    flush();
    return report;
}

ExchangeReport saveExchange(qb::Recordset& questions, const ExchangeExportOptions& options,
                            const QString& path) {
    ExchangeReport report;
    replaceFileContent(path,
                       [&](QIODevice& out) { report = writeExchange(questions, options, out); });
    return report;
}

QString reportText(const ExchangeReport& report) {
    if (report.remarks.isEmpty())
        return {};
    QStringList text{
        QStringLiteral("Записано вопросов: %1 из %2.").arg(report.written).arg(report.questions),
        QString()};
    text << report.remarks.mid(0, kListedRemarks);
    if (report.remarks.size() > kListedRemarks)
        text << QStringLiteral("…");
    return text.join(u'\n');
}

QString testDescription(qb::Connection& connection) {
    QString description;
    qb::skipIfFails([&] {
        qb::Recordset settings;
        settings.openOn(connection, columns::kSettingsQuery);
        if (!settings.eof()) {
            const QVariant value = settings.field(columns::kDescription).value();
            if (!value.isNull())
                description = value.toString();
        }
        settings.close();
    });
    return description;
}

}  // namespace exporter
