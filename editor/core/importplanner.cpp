#include "editor/core/picturefit.h"
#include "editor/core/questionimport.h"
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
    stem.remove(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1F]")));
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

}  // namespace

ImportPlan::Row ImportPlan::Rows::at(qsizetype i) const {
    const Packed& packed = rows_.at(i);
    Row row;
    row.correct = packed.correct;
    row.picture = packed.picture;
    qsizetype at = packed.at;
    const auto next = [&] {
        const qsizetype end = fields_.indexOf('\0', at);
        const QString field = QString::fromUtf8(QByteArrayView(fields_).sliced(at, end - at));
        at = end + 1;
        return field;
    };
    row.text = next();
    for (int k = 0; k < packed.options; ++k)
        row.options << next();
    return row;
}

void ImportPlan::Rows::append(const Row& row) {
    Packed packed;
    packed.at = fields_.size();
    packed.picture = row.picture;
    packed.correct = qint8(row.correct);
    packed.options = qint8(row.options.size());
    fields_ += row.text.toUtf8() + '\0';
    for (const QString& option : row.options)
        fields_ += option.toUtf8() + '\0';
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
