#include "bench/qbtool/generator.h"

#include "language/dictionary.h"
#include "questionbase/columns.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/passwordstatement.h"
#include "questionbase/recordset.h"
#include "questionbase/sqlitestore.h"

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>

#include <cmath>
#include <cstdio>

namespace qbtool {

namespace {

namespace columns = qb::columns;

const QStringList kWords = {
    QStringLiteral("сколько"),  QStringLiteral("планета"),  QStringLiteral("вода"),
    QStringLiteral("солнце"),   QStringLiteral("река"),     QStringLiteral("гора"),
    QStringLiteral("ёлка"),     QStringLiteral("число"),    QStringLiteral("берёза"),
    QStringLiteral("материк"),  QStringLiteral("океан"),    QStringLiteral("столица"),
    QStringLiteral("животное"), QStringLiteral("растение"), QStringLiteral("«Природа»"),
};

constexpr int kPictureCount = 10;

// A small linear congruential generator: the same seed gives the same base on every machine.
class Sequence {
public:
    explicit Sequence(quint32 seed) : state_(seed) {}
    quint32 next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    int below(int n) { return static_cast<int>(next() % static_cast<quint32>(n)); }

private:
    quint32 state_;
};

// The words questions are made of: the dictionary's lower-case entries in an order shuffled
// once, drawn with the frequencies of Zipf's law (the word of rank r about 1/r as often as the
// first), as words occur in real texts; or the 15 words.
class Vocabulary {
public:
    explicit Vocabulary(bool fromDictionary) {
        if (fromDictionary) {
            if (const auto files = language::findDictionary(
                    language::systemDictionaryFolders(),
                    {QStringLiteral("ru_RU"), QStringLiteral("ru")}, QStringLiteral("ru"))) {
                for (const QString& entry : language::dictionaryEntries(*files)) {
                    if (entry.size() > 1 && entry == entry.toLower() &&
                        std::all_of(entry.begin(), entry.end(),
                                    [](QChar c) { return c.isLetter() || c == u'-'; }))
                        words_ << entry;
                }
            }
            if (words_.isEmpty())
                std::fputs("qbtool: no Russian dictionary; the questions use 15 words\n", stderr);
        }
        if (words_.isEmpty()) {
            words_ = kWords;
            return;
        }
        Sequence order(20251208);
        for (qsizetype i = words_.size() - 1; i > 0; --i)
            words_.swapItemsAt(i, order.below(int(i + 1)));
        zipf_ = true;
    }

    QString draw(Sequence& random) const {
        const auto count = int(words_.size());
        if (!zipf_)
            return words_.at(random.below(count));
        // Ranks spread evenly on a logarithmic scale: the density falls as 1/rank.
        const double uniform = double(random.next()) / double(1u << 24);
        const int rank = int(std::exp(uniform * std::log(double(count) + 1.0))) - 1;
        return words_.at(std::clamp(rank, 0, count - 1));
    }
    bool misspells() const { return zipf_; }

private:
    QStringList words_;
    bool zipf_ = false;
};

QString phrase(const Vocabulary& vocabulary, Sequence& random, int words, int maxLength) {
    QStringList parts;
    for (int i = 0; i < words; ++i)
        parts << vocabulary.draw(random);
    QString text = parts.join(u' ');
    text[0] = text[0].toUpper();
    return text.left(maxLength);
}

// Two neighbouring letters of a word in the middle of the text swapped, as a quick typist does.
void misspell(QString& text) {
    const qsizetype middle = text.indexOf(u' ', text.size() / 2);
    if (middle < 0 || middle + 4 >= text.size() || !text[middle + 2].isLetter() ||
        !text[middle + 3].isLetter())
        return;
    std::swap(text[middle + 2], text[middle + 3]);
}

QStringList writePictures(const QString& basePath, const QString& folder) {
    QDir().mkpath(folder);
    const QDir baseFolder = QFileInfo(basePath).absoluteDir();
    QStringList stored;
    for (int i = 0; i < kPictureCount; ++i) {
        QImage image(300 + 20 * i, 200 + 10 * i, QImage::Format_RGB32);
        image.fill(QColor::fromHsv(36 * i, 160, 230));
        QPainter painter(&image);
        painter.drawEllipse(image.rect().adjusted(20, 20, -20, -20));
        painter.end();
        const QString file = QDir(folder).filePath(QStringLiteral("рис%1.jpg").arg(i + 1));
        image.save(file, "JPG");
        stored
            << baseFolder.relativeFilePath(QFileInfo(file).absoluteFilePath()).replace(u'/', u'\\');
    }
    return stored;
}

// Where the column is in its table, as the base reports it.
int positionOf(qb::Store& store, const QString& table, const QString& column) {
    const QList<qb::ColumnInfo> columns = store.columns(table);
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).name == column)
            return i;
    }
    qb::fail(qb::Reason::NoSuchItem, QStringLiteral("Нет поля ") + column);
}

QString jsonValue(const QVariant& value) {
    const QByteArray array =
        QJsonDocument(QJsonArray{QJsonValue::fromVariant(value)}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

}  // namespace

void generateBase(const QString& path, const GenerateOptions& options) {
    qb::SqliteStore::createBase(path);
    const QStringList pictures = options.picturesFolder.isEmpty()
                                     ? QStringList()
                                     : writePictures(path, options.picturesFolder);

    qb::Connection connection;
    connection.setMode(qb::kModeShareExclusive);
    connection.open(path, qb::kEmptyPasswordMarker);
    qb::Store& store = connection.store();
    auto& database = dynamic_cast<qb::SqliteStore&>(store).database();
    const QString& questions = columns::kQuestionsTable;
    const QString& settings = columns::kSettingsTable;
    const int correct = positionOf(store, questions, columns::kCorrect);

    const Vocabulary vocabulary(options.dictionaryWords);
    Sequence random(20261207);
    // One transaction for the whole base: a generated base of 100,000 questions would take
    // minutes with a commit per row.
    database.exec(QStringLiteral("BEGIN"));
    for (int i = 0; i < options.questions; ++i) {
        QString question = QStringLiteral("Вопрос %1. ").arg(i + 1) +
                           phrase(vocabulary, random, 4 + random.below(8), 200) + u'?';
        if (vocabulary.misspells() && i % 50 == 7)
            misspell(question);
        if (i % 7 == 3)
            question.insert(question.indexOf(u' ') + 1, QStringLiteral("\r\n"));
        qb::ColumnValues row;
        row.append({columns::kQuestionPosition, question.left(columns::kQuestionSize)});
        const int optionCount = 2 + random.below(columns::kOptionCount - 1);  // 2 to 5 options
        for (int k = 0; k < columns::kOptionCount; ++k) {
            if (k < optionCount)
                row.append({columns::optionPosition(k),
                            phrase(vocabulary, random, 1 + random.below(4), columns::kOptionSize)});
            else if (k % 2 == 0)
                row.append({columns::optionPosition(k), QString()});  // empty text, not absent
        }
        if (!pictures.isEmpty() && i % 5 == 0)
            row.append({columns::kPicturePosition, pictures.at((i / 5) % pictures.size())});
        row.append({correct, 1 + random.below(optionCount)});
        store.insertRow(questions, row);
    }
    store.insertRow(settings,
                    {{positionOf(store, settings, columns::kDescription),
                      QStringLiteral("Итоговый тест «Природа и человек», 5 класс")},
                     {positionOf(store, settings, columns::kTime), 900},
                     {positionOf(store, settings, columns::kTimeTarget), columns::kWholeTest}});
    database.exec(QStringLiteral("COMMIT"));

    if (options.password)
        connection.changePassword(qb::passwordChange(*options.password, qb::kEmptyPasswordMarker));
    connection.close();
}

QString dumpBase(const QString& path, const std::optional<QString>& password) {
    qb::Connection connection;
    connection.open(path, password.value_or(qb::kEmptyPasswordMarker));
    QString out;
    for (const QString& query : {columns::kQuestionsQuery, columns::kSettingsQuery}) {
        qb::Recordset rows;
        try {
            rows.openOn(connection, query);
        } catch (const qb::Error& error) {
            if (error.reason() == qb::Reason::NoSuchItem)
                continue;
            throw;
        }
        for (; !rows.eof(); rows.moveNext()) {
            QStringList fields;
            for (int i = 0; i < rows.fieldCount(); ++i) {
                qb::Field field = rows.field(i);
                fields << jsonValue(field.name()) + u':' + jsonValue(field.value());
            }
            out += u'{' + fields.join(u',') + QStringLiteral("}\n");
        }
    }
    return out;
}

}  // namespace qbtool
