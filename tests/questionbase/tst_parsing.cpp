#include "questionbase/fileclass.h"
#include "questionbase/numberentry.h"

#include <QRandomGenerator>
#include <QTest>

Q_DECLARE_METATYPE(qb::NumberStatus)
Q_DECLARE_METATYPE(qb::FileKind)

class ParsingTest : public QObject {
    Q_OBJECT

private slots:
    void numberEntry_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<qb::NumberStatus>("status");
        QTest::addColumn<int>("value");
        const auto ok = qb::NumberStatus::Ok;
        const auto nan = qb::NumberStatus::NotANumber;
        const auto range = qb::NumberStatus::OutOfRange;
        QTest::newRow("digit") << "3"
                               << "ru_RU" << ok << 3;
        QTest::newRow("signs") << "-5"
                               << "ru_RU" << ok << -5;
        QTest::newRow("plus") << "+7"
                              << "ru_RU" << ok << 7;
        QTest::newRow("four and a half to even") << "4,5"
                                                 << "ru_RU" << ok << 4;
        QTest::newRow("five and a half to even") << "5,5"
                                                 << "ru_RU" << ok << 6;
        QTest::newRow("a half") << "0,5"
                                << "ru_RU" << ok << 0;
        QTest::newRow("minus a half") << "-2,5"
                                      << "ru_RU" << ok << -2;
        QTest::newRow("point is the English separator") << "4.5"
                                                        << "en_US" << ok << 4;
        QTest::newRow("point is not Russian") << "4.5"
                                              << "ru_RU" << nan << 0;
        QTest::newRow("upper bound") << "32767"
                                     << "ru_RU" << ok << 32767;
        QTest::newRow("lower bound") << "-32768"
                                     << "ru_RU" << ok << -32768;
        QTest::newRow("just over") << "32768"
                                   << "ru_RU" << range << 0;
        QTest::newRow("just under") << "-32769"
                                    << "ru_RU" << range << 0;
        QTest::newRow("rounds over") << "32767,5"
                                     << "ru_RU" << range << 0;
        QTest::newRow("huge") << QString(400, QChar(u'9')) << "ru_RU" << range << 0;
        QTest::newRow("empty") << ""
                               << "ru_RU" << nan << 0;
        QTest::newRow("letters") << "abc"
                                 << "ru_RU" << nan << 0;
        QTest::newRow("digits then a letter") << "3а"
                                              << "ru_RU" << nan << 0;
        QTest::newRow("inner blank") << "1 2"
                                     << "ru_RU" << nan << 0;
        QTest::newRow("exponent") << "1e3"
                                  << "ru_RU" << nan << 0;
        QTest::newRow("sign alone") << "-"
                                    << "ru_RU" << nan << 0;
        QTest::newRow("separator alone") << ","
                                         << "ru_RU" << nan << 0;
        QTest::newRow("two separators") << "1,2,3"
                                        << "ru_RU" << nan << 0;
    }
    void numberEntry() {
        QFETCH(QString, text);
        QFETCH(QString, locale);
        QFETCH(qb::NumberStatus, status);
        QFETCH(int, value);
        const qb::WholeNumber number = qb::parseNumber16(text, QLocale(locale));
        QCOMPARE(number.status, status);
        if (status == qb::NumberStatus::Ok)
            QCOMPARE(number.value, value);
    }

    void classification_data() {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qb::FileKind>("kind");
        QByteArray random(1024, '\0');
        QRandomGenerator generator(7);
        for (char& c : random)
            c = static_cast<char>(generator.bounded(256));
        QByteArray jet(1024, '\0');
        jet.replace(4, 15, "Standard Jet DB");
        QByteArray sqlite(1024, '\0');
        sqlite.replace(0, 16, QByteArray("SQLite format 3\0", 16));
        QByteArray png = random;
        png.replace(0, 8, QByteArray("\x89PNG\r\n\x1a\n", 8));
        QTest::newRow("random page") << random << qint64(4096) << qb::FileKind::Encrypted;
        QTest::newRow("random, odd size") << random << qint64(4097) << qb::FileKind::NotABase;
        QTest::newRow("too small") << random.left(512) << qint64(512) << qb::FileKind::NotABase;
        QTest::newRow("zeros") << QByteArray(1024, '\0') << qint64(1024) << qb::FileKind::NotABase;
        QTest::newRow("text") << QByteArray(1024, 'a') << qint64(2048) << qb::FileKind::NotABase;
        QTest::newRow("png") << png << qint64(4096) << qb::FileKind::NotABase;
        QTest::newRow("jet") << jet << qint64(4096) << qb::FileKind::Jet;
        QTest::newRow("plain sqlite") << sqlite << qint64(4096) << qb::FileKind::PlainSqlite;
        QTest::newRow("empty") << QByteArray() << qint64(0) << qb::FileKind::NotABase;
    }
    void classification() {
        QFETCH(QByteArray, head);
        QFETCH(qint64, size);
        QFETCH(qb::FileKind, kind);
        QCOMPARE(qb::classifyHeader(head, size), kind);
    }
};

QTEST_GUILESS_MAIN(ParsingTest)
#include "tst_parsing.moc"
