#include "editor/core/picturefit.h"
#include "editor/core/questionimport.h"
#include "exchange/windows1251.h"
#include "questionbase/columns.h"
#include "questionbase/picturelimits.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <memory>

namespace editor {

namespace columns = qb::columns;

namespace {

QString storedLines(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return text.replace(u'\n', QStringLiteral("\r\n"));
}

// What one distinct picture of the source becomes: the bytes that go into "img" and the ending
// its file takes, or nothing when it does not read.
struct Fitted {
    bool readable = false;
    bool converted = false;
    QByteArray data;
    QString suffix;
    QByteArray key;
};

QByteArray keyOf(const QByteArray& data) {
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256);
}

// BMP, JPEG and GIF, which the old test program shows, go in as they are once their headers
// read; other pictures as a JPEG of what they show.
Fitted fitBytes(const QByteArray& data, const QByteArray& key) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    const QSize size = reader.size();
    if (format.isEmpty() || !size.isValid() ||
        qint64(size.width()) * size.height() > qb::kMaxPicturePixels)
        return {};
    static const QHash<QByteArray, QString> shown{{"jpeg", QStringLiteral(".jpg")},
                                                  {"bmp", QStringLiteral(".bmp")},
                                                  {"gif", QStringLiteral(".gif")}};
    if (const auto kept = shown.constFind(format); kept != shown.cend())
        return Fitted{true, false, data, kept.value(), key};
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter(&flat).drawImage(0, 0, image);
    QByteArray jpeg;
    QBuffer out(&jpeg);
    out.open(QIODevice::WriteOnly);
    flat.save(&out, "JPG", 95);
    return Fitted{true, true, jpeg, QStringLiteral(".jpg"), keyOf(jpeg)};
}

// The picture as the base will hold it, named after the source's picture, or why there is none.
std::optional<exchange::Picture> fitPicture(const exchange::Picture& picture, const Fitted& fitted,
                                            QStringList& changes) {
    if (!fitted.readable) {
        changes
            << QStringLiteral("картинка «%1» не читается, вопрос взят без неё").arg(picture.name);
        return std::nullopt;
    }
    QString stem = QFileInfo(picture.name).completeBaseName();
    static const QRegularExpression unfit(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1F]"));
    stem.remove(unfit);
    if (stem.trimmed().isEmpty())
        stem = QStringLiteral("картинка");
    if (fitted.converted) {
        changes << QStringLiteral(
                       "картинка «%1» сохранена как JPEG: другие форматы тест не покажет")
                       .arg(picture.name);
        return exchange::Picture{stem + fitted.suffix, fitted.data};
    }
    // The source's own ending ("jpeg", "JPG") when it names a picture; a made-up one otherwise.
    const QString suffix = QFileInfo(picture.name).suffix();
    const bool ownSuffix = isPictureName(picture.name) && !suffix.isEmpty() && suffix.size() <= 4;
    return exchange::Picture{ownSuffix ? stem + u'.' + suffix : stem + fitted.suffix, fitted.data};
}

// Takes the questions of a source one by one, keeping of each only the row the base will hold
// and of each distinct picture one copy.
class Planner : public exchange::SourceSink {
public:
    explicit Planner(ImportProgress progress) : progress_(std::move(progress)) {}

    bool reading(qint64 done, qint64 total) override {
        done_ = int(done);
        total_ = int(total);
        return !progress_ || progress_(done_, total_);
    }

    void refuse(exchange::Refusal refusal) override {
        ++plan_.report.offered;
        plan_.report.leftOut << refusal.where + QStringLiteral(": ") + refusal.reason;
    }

    void take(exchange::SourceQuestion taken) override;

    void finish(exchange::SourceKind, const QString& description) override {
        plan_.description = storedLines(description);
        if (plan_.description.size() > columns::kDescriptionSize) {
            plan_.description.truncate(columns::kDescriptionSize);
            plan_.report.changed << QStringLiteral("описание теста сокращено до %1 знаков")
                                        .arg(columns::kDescriptionSize);
        }
    }

    ImportPlan result() {
        ImportReport& report = plan_.report;
        report.imported = int(plan_.rows.size());
        // In the order of the source, whichever step left a question out.
        static const QRegularExpression number(QStringLiteral("\\d+"));
        std::stable_sort(report.leftOut.begin(), report.leftOut.end(),
                         [](const QString& a, const QString& b) {
                             return number.match(a).captured().toLongLong() <
                                    number.match(b).captured().toLongLong();
                         });
        return std::move(plan_);
    }

    void setProgress(int done, int total) {
        done_ = done;
        total_ = total;
    }

private:
    int pictureOf(const exchange::Picture& picture, QStringList& changes);

    ImportProgress progress_;
    int done_ = 0;
    int total_ = 0;
    ImportPlan plan_;
    // One large picture pasted into every question is decoded once, not once a question.
    QHash<QByteArray, Fitted> fittedByKey_;
    // A reader hands one picture shown by many questions as one shared buffer, hashed once;
    // the buffer is held so that its address is never another picture's.
    QHash<const char*, std::pair<QByteArray, QByteArray>> keyByBuffer_;
    QHash<QByteArray, int> pictureByKey_;
};

int Planner::pictureOf(const exchange::Picture& picture, QStringList& changes) {
    const QByteArray& data = picture.data;
    auto hashed = keyByBuffer_.constFind(data.constData());
    if (hashed == keyByBuffer_.cend())
        hashed = keyByBuffer_.insert(data.constData(), {data, keyOf(data)});
    const QByteArray key = hashed->second;
    auto fitted = fittedByKey_.constFind(key);
    if (fitted == fittedByKey_.cend())
        fitted = fittedByKey_.insert(key, fitBytes(data, key));
    const std::optional<exchange::Picture> fit = fitPicture(picture, *fitted, changes);
    if (!fit)
        return -1;
    const auto known = pictureByKey_.constFind(fitted->key);
    if (known != pictureByKey_.cend())
        return known.value();
    plan_.pictures << *fit;
    pictureByKey_.insert(fitted->key, int(plan_.pictures.size() - 1));
    return int(plan_.pictures.size() - 1);
}

void Planner::take(exchange::SourceQuestion taken) {
    ImportReport& report = plan_.report;
    ++report.offered;
    if (progress_ && !progress_(done_, total_))
        throw ImportStopped{};
    const exchange::Question& question = taken.question;
    const auto leaveOut = [&](const QString& reason) {
        report.leftOut << taken.where + QStringLiteral(": ") + reason;
    };
    ImportPlan::Row row;
    row.text = storedLines(question.text);
    // An empty option is no option in a base.
    for (qsizetype i = 0; i < question.options.size(); ++i) {
        if (question.options.at(i).isEmpty()) {
            if (i == question.correct) {
                row.options.clear();
                break;
            }
            continue;
        }
        if (i == question.correct)
            row.correct = int(row.options.size()) + 1;
        row.options << storedLines(question.options.at(i));
    }
    if (row.text.trimmed().isEmpty())
        return leaveOut(QStringLiteral("нет текста вопроса"));
    if (row.options.size() > columns::kOptionCount)
        return leaveOut(
            QStringLiteral("больше пяти вариантов ответа (%1)").arg(row.options.size()));
    if (row.options.size() < 2)
        return leaveOut(QStringLiteral("меньше двух вариантов ответа"));
    if (row.text.size() > columns::kQuestionSize)
        return leaveOut(QStringLiteral("вопрос длиннее %1 знаков (%2)")
                            .arg(columns::kQuestionSize)
                            .arg(row.text.size()));
    for (qsizetype i = 0; i < row.options.size(); ++i) {
        if (row.options.at(i).size() > columns::kOptionSize)
            return leaveOut(QStringLiteral("вариант %1 длиннее %2 знаков (%3)")
                                .arg(i + 1)
                                .arg(columns::kOptionSize)
                                .arg(row.options.at(i).size()));
    }
    if (row.text.contains(QChar::Null) || row.options.join(QString()).contains(QChar::Null))
        return leaveOut(QStringLiteral("в тексте есть нулевой символ"));
    QStringList changes = taken.remarks;
    if (question.picture)
        row.picture = pictureOf(*question.picture, changes);
    for (const QString& change : std::as_const(changes))
        report.changed << taken.where + QStringLiteral(": ") + change;
    plan_.rows.append(row);
}

// Large enough that a million rows take a few hundred blocks, small enough that the last,
// partly filled one costs nothing worth counting.
constexpr qsizetype kBlockBytes = qsizetype(1) << 20;

// The byte of each UTF-16 unit in Windows-1251; 0 for a unit it has no byte for.
const std::array<uchar, 0x10000>& narrowBytes() {
    static const auto bytes = [] {
        auto table = std::make_unique<std::array<uchar, 0x10000>>();
        table->fill(0);
        if (const auto* units = exchange::windows1251()) {
            for (int byte = 1; byte < 256; ++byte) {
                if ((*units)[byte] != QChar::ReplacementCharacter)
                    (*table)[(*units)[byte]] = uchar(byte);
            }
        }
        return table;
    }();
    return *bytes;
}

bool narrowable(QStringView field) {
    if (!exchange::windows1251())
        return false;
    const auto& bytes = narrowBytes();
    return std::all_of(field.begin(), field.end(),
                       [&](QChar c) { return bytes[c.unicode()] != 0; });
}

void appendField(QByteArray& block, QStringView field, bool narrow) {
    if (narrow) {
        const auto& bytes = narrowBytes();
        for (const QChar c : field)
            block += char(bytes[c.unicode()]);
    } else {
        block += field.toUtf8();
    }
    block += '\0';
}

}  // namespace

ImportPlan::Row ImportPlan::Rows::at(qsizetype i) const {
    const Packed& packed = rows_.at(i);
    const QByteArray& block = blocks_.at(packed.block);
    Row row;
    row.correct = packed.correct;
    row.picture = packed.picture;
    qsizetype at = packed.at;
    const auto* units = exchange::windows1251();
    const auto next = [&] {
        const qsizetype end = block.indexOf('\0', at);
        const QByteArrayView bytes = QByteArrayView(block).sliced(at, end - at);
        at = end + 1;
        if (!packed.narrow)
            return QString::fromUtf8(bytes);
        QString field(bytes.size(), Qt::Uninitialized);
        for (qsizetype k = 0; k < bytes.size(); ++k)
            field[k] = QChar((*units)[uchar(bytes[k])]);
        return field;
    };
    row.text = next();
    for (int k = 0; k < packed.options; ++k)
        row.options << next();
    return row;
}

void ImportPlan::Rows::append(const Row& row) {
    Packed packed;
    packed.picture = row.picture;
    packed.correct = qint8(row.correct);
    packed.options = qint8(row.options.size());
    packed.narrow = narrowable(row.text) &&
                    std::all_of(row.options.cbegin(), row.options.cend(),
                                [](const QString& option) { return narrowable(option); });
    // At most: UTF-8 takes no more than three bytes a UTF-16 unit.
    const auto room = [&](const QString& field) {
        return (packed.narrow ? field.size() : field.size() * 3) + 1;
    };
    qsizetype bytes = room(row.text);
    for (const QString& option : row.options)
        bytes += room(option);
    // A row never spans two blocks, and a block never grows past what it reserved.
    if (blocks_.isEmpty() || blocks_.last().size() + bytes > blocks_.last().capacity()) {
        blocks_.append(QByteArray());
        blocks_.last().reserve(std::max(kBlockBytes, bytes));
    }
    QByteArray& block = blocks_.last();
    packed.block = quint32(blocks_.size() - 1);
    packed.at = quint32(block.size());
    appendField(block, row.text, packed.narrow);
    for (const QString& option : row.options)
        appendField(block, option, packed.narrow);
    rows_ << packed;
}

ImportPlan planImport(const exchange::Source& source, const ImportProgress& progress) {
    Planner planner(progress);
    const int total = int(source.questions.size());
    for (const exchange::Refusal& refusal : source.refused)
        planner.refuse(refusal);
    for (int i = 0; i < total; ++i) {
        planner.setProgress(i, total);
        planner.take(source.questions.at(i));
    }
    planner.finish(source.kind, source.description);
    return planner.result();
}

ImportPlan planImportFile(const QString& path, const ImportProgress& progress) {
    Planner planner(progress);
    try {
        exchange::readSource(path, planner);
    } catch (const exchange::ReadingStopped&) {
        throw ImportStopped{};
    }
    return planner.result();
}

}  // namespace editor
