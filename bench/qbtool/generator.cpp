#include "bench/qbtool/generator.h"

#include "questionbase/catalog.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/recordset.h"
#include "questionbase/sqlitestore.h"

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>

namespace qbtool {

namespace {

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

QString phrase(Sequence& random, int words, int maxLength) {
    QStringList parts;
    for (int i = 0; i < words; ++i)
        parts << kWords.at(random.below(static_cast<int>(kWords.size())));
    QString text = parts.join(u' ');
    text[0] = text[0].toUpper();
    return text.left(maxLength);
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

QString jsonValue(const QVariant& value) {
    const QByteArray array =
        QJsonDocument(QJsonArray{QJsonValue::fromVariant(value)}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

}  // namespace

void generateBase(const QString& path, const GenerateOptions& options) {
    qb::Catalog::create(qb::creationStringFor(path));
    const QStringList pictures = options.picturesFolder.isEmpty()
                                     ? QStringList()
                                     : writePictures(path, options.picturesFolder);

    qb::Connection connection;
    connection.setMode(qb::kModeShareExclusive);
    connection.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
    auto& database = dynamic_cast<qb::SqliteStore&>(connection.store()).database();

    Sequence random(20261207);
    // One transaction for the whole base: a generated base of 100,000 questions would take
    // minutes with a commit per row.
    database.exec(QStringLiteral("BEGIN"));
    for (int i = 0; i < options.questions; ++i) {
        QString question = QStringLiteral("Вопрос %1. ").arg(i + 1) +
                           phrase(random, 4 + random.below(8), 200) + u'?';
        if (i % 7 == 3)
            question.insert(question.indexOf(u' ') + 1, QStringLiteral("\r\n"));
        qb::ColumnValues row;
        row.append({1, question.left(225)});
        const int options5 = 2 + random.below(4);  // 2 to 5 options
        for (int k = 0; k < 5; ++k) {
            if (k < options5)
                row.append({2 + k, phrase(random, 1 + random.below(4), 120)});
            else if (k % 2 == 0)
                row.append({2 + k, QString()});  // empty text, not absent
        }
        if (!pictures.isEmpty() && i % 5 == 0)
            row.append({7, pictures.at((i / 5) % pictures.size())});
        row.append({8, 1 + random.below(options5)});
        connection.store().insertRow(QStringLiteral("test"), row);
    }
    connection.store().insertRow(QStringLiteral("info"),
                                 {{1, QStringLiteral("Итоговый тест «Природа и человек», 5 класс")},
                                  {2, 900},
                                  {3, QStringLiteral("тест")}});
    database.exec(QStringLiteral("COMMIT"));

    if (options.password)
        connection.execute(QStringLiteral("ALTER Database Password ") + *options.password +
                           QStringLiteral("_="));
    connection.close();
}

QString dumpBase(const QString& path, const std::optional<QString>& password) {
    qb::Connection connection;
    connection.open(qb::connectionStringFor(path, password.value_or(qb::kEmptyPasswordMarker)));
    QString out;
    for (const QString& table : {QStringLiteral("test"), QStringLiteral("info")}) {
        qb::Recordset rows;
        try {
            rows.openOn(connection, QStringLiteral("SELECT * FROM ") + table);
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
