#include "exporter/core/textexport.h"
#include "questionbase/columns.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/recordset.h"
#include "tests/support/questionrows.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <iconv.h>

using testsupport::QuestionRow;

Q_DECLARE_METATYPE(QList<QuestionRow>)

namespace {

QuestionRow row(const QVariant& question, const QVariant& a1, const QVariant& a2,
                const QVariant& a3, const QVariant& a4, const QVariant& a5,
                const QVariant& correct) {
    return QuestionRow{{question, a1, a2, a3, a4, a5}, correct};
}

const QVariant none;

// Accepts `limit` bytes, then refuses every write, as a full disk does.
class FailingDevice : public QIODevice {
public:
    explicit FailingDevice(qint64 limit) : limit_(limit) { open(QIODevice::WriteOnly); }
    QByteArray written;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (written.size() + size > limit_) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        written.append(data, size);
        return size;
    }

private:
    qint64 limit_;
};

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<missing>");
    return file.readAll();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A write that gives up half-way, as a full disk makes it.
void writePartly(QIODevice& out) {
    out.write("partial");
    qb::fail(qb::Reason::Io, QStringLiteral("disk full"));
}

// Plain SQLite `test` tables in our column order, for shapes our own format refuses.
const QString kTestWithoutNotNull = QStringLiteral(
    "CREATE TABLE test (\"номер\" INTEGER PRIMARY KEY AUTOINCREMENT, \"вопрос\" TEXT, "
    "\"ответ1\" TEXT, \"ответ2\" TEXT, \"ответ3\" TEXT, \"ответ4\" TEXT, \"ответ5\" TEXT, "
    "\"фото\" TEXT, \"верный\" INTEGER)");
const QString kTestWithoutCorrect = QStringLiteral(
    "CREATE TABLE test (\"номер\" INTEGER PRIMARY KEY AUTOINCREMENT, \"вопрос\" TEXT, "
    "\"ответ1\" TEXT, \"ответ2\" TEXT, \"ответ3\" TEXT, \"ответ4\" TEXT, \"ответ5\" TEXT, "
    "\"фото\" TEXT)");

class OpenBase {
public:
    explicit OpenBase(const QString& path, const QString& password = qb::kEmptyPasswordMarker) {
        connection.open(qb::connectionStringFor(path, password));
        questions.openOn(connection, qb::columns::kQuestionsQuery);
    }
    qb::Connection connection;
    qb::Recordset questions;
};

}  // namespace

class TestTextExport : public QObject {
    Q_OBJECT

private slots:
    void encodesWindows1251_data();
    void encodesWindows1251();
    void everyCharacterEncodesAsIconvDoes();
    void utf8ComesOutAsItsUtf16Would();
    void writesQuestions_data();
    void writesQuestions();
    void absentCorrectOptionMarksNothing();
    void missingCorrectColumnFails();
    void failingDeviceStopsTheExport();
    void replaceWritesWholeNewContent();
    void failedReplaceLeavesExistingFile();
    void failedReplaceLeavesNoNewFile();
    void failedExportLeavesExistingFile();

private:
    testsupport::TempFolder folder_;
    int bases_ = 0;
    QString nextName() { return QStringLiteral("base%1.mdb").arg(++bases_); }
};

void TestTextExport::encodesWindows1251_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("ascii") << QStringLiteral("Hello, 1+1=2") << QByteArray("Hello, 1+1=2");
    QTest::newRow("cyrillic") << QStringLiteral("Вопрос") << QByteArray("\xC2\xEE\xEF\xF0\xEE\xF1");
    QTest::newRow("yo and numero") << QStringLiteral("Ёё№") << QByteArray("\xA8\xB8\xB9");
    QTest::newRow("euro and dash") << QStringLiteral("€–") << QByteArray("\x88\x96");
    QTest::newRow("greek and cjk") << QStringLiteral("aΩ日b") << QByteArray("a??b");
    QTest::newRow("outside the basic plane is one mark")
        << QStringLiteral("x\U0001F600y") << QByteArray("x?y");
    QTest::newRow("lone surrogate")
        << (QStringLiteral("p") + QChar(0xD800) + QStringLiteral("q")) << QByteArray("p?q");
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestTextExport::encodesWindows1251() {
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(exporter::toWindows1251(text), expected);
}

// The encoder's table against iconv converting each character on its own, across the basic
// plane and a sample beyond it.
void TestTextExport::everyCharacterEncodesAsIconvDoes() {
    // Not QString::fromUcs4, which takes U+FEFF for a byte order mark and drops it.
    const auto text = [](char32_t character) {
        const auto units = QChar::fromUcs4(character);
        return QStringView(units).toString();
    };
    const iconv_t iconvCp1251 = iconv_open("CP1251", "UTF-8");
    QVERIFY(iconvCp1251 != reinterpret_cast<iconv_t>(-1));
    const auto byIconv = [&](char32_t character) {
        QByteArray utf8 = text(character).toUtf8();
        char out = 0;
        char* in = utf8.data();
        size_t inLeft = size_t(utf8.size());
        char* to = &out;
        size_t outLeft = 1;
        iconv(iconvCp1251, nullptr, nullptr, nullptr, nullptr);
        return iconv(iconvCp1251, &in, &inLeft, &to, &outLeft) == size_t(-1) ? '?' : out;
    };
    QList<char32_t> characters;
    for (char32_t c = 0; c < 0x10000; ++c) {
        if (!QChar::isSurrogate(c))
            characters << c;
    }
    for (char32_t c = 0x10000; c <= 0x10FFFF; c += 0x1001)
        characters << c;
    const exporter::Cp1251Encoder encoder;
    for (char32_t c : characters) {
        const QByteArray ours = encoder.encode(text(c));
        if (ours != QByteArray(1, byIconv(c)))
            QFAIL(qPrintable(QStringLiteral("U+%1 becomes %2")
                                 .arg(quint32(c), 4, 16, QLatin1Char('0'))
                                 .arg(QString::fromLatin1(ours.toHex()))));
    }
    iconv_close(iconvCp1251);
}

// The export reads stored UTF-8 straight into the code page; whatever the bytes, well formed or
// not, the result is what reading them into a QString first gives.
void TestTextExport::utf8ComesOutAsItsUtf16Would() {
    QList<QByteArray> texts = {"",
                               "plain",
                               "\xD0\x92\xD0\xBE\xD0\xBF\xD1\x80\xD0\xBE\xD1\x81",
                               "\xEF\xBB\xBF"
                               "bom first",
                               "\xEF\xBF\xBF",
                               "\xF0\x9F\x98\x80",
                               "\xF4\x8F\xBF\xBF",
                               "\xF4\x90\x80\x80",
                               "\xC0\xAF",
                               "\xE0\x80\xAF",
                               "\xED\xA0\x80",
                               "\xD0",
                               "ab\xE2\x82",
                               "\x80x",
                               "\xF5\x80\x80\x80",
                               "\xFF\xFE",
                               QByteArray("nul\0inside", 11)};
    // Random mixtures of whole characters, their pieces and stray bytes, the same every run.
    const QList<QByteArray> pieces = {"a",        "\xD0\x81", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
                                      "\xD0",     "\x82",     "\xE2\x82",     "\xF0",
                                      "\xC1\xBF", "\xFF"};
    QRandomGenerator random(2024);
    for (int i = 0; i < 2000; ++i) {
        QByteArray text;
        for (int n = random.bounded(1, 8); n > 0; --n)
            text += pieces.at(random.bounded(pieces.size()));
        texts << text;
    }
    const exporter::Cp1251Encoder encoder;
    for (const QByteArray& text : texts) {
        QByteArray direct = "prefix";
        encoder.appendUtf8(direct, text);
        QCOMPARE(direct, "prefix" + encoder.encode(QString::fromUtf8(text)));
    }
}

void TestTextExport::writesQuestions_data() {
    QTest::addColumn<QList<QuestionRow>>("rows");
    QTest::addColumn<bool>("mark");
    QTest::addColumn<QByteArray>("expected");

    const QuestionRow threeOptions = row("Q", "A", "B", "C", none, none, 2);
    QTest::newRow("second of three marked")
        << QList{threeOptions} << true << QByteArray("  Q\r\n  A\r\n* B\r\n  C\r\n  \r\n");
    QTest::newRow("marks off") << QList{threeOptions} << false
                               << QByteArray("  Q\r\n  A\r\n  B\r\n  C\r\n  \r\n");
    QTest::newRow("options 4 and 5 empty text") << QList{row("Q", "A", "B", "C", "", "", 1)} << true
                                                << QByteArray("  Q\r\n* A\r\n  B\r\n  C\r\n  \r\n");
    QTest::newRow("empty question text") << QList{row("", "A", "B", none, none, none, 2)} << true
                                         << QByteArray("  A\r\n* B\r\n  \r\n");
    QTest::newRow("correct 0 marks the question")
        << QList{row("Q", "A", "B", none, none, none, 0)} << true
        << QByteArray("* Q\r\n  A\r\n  B\r\n  \r\n");
    QTest::newRow("correct 5 marks option 5")
        << QList{row("Q", "A", "B", "C", "D", "E", 5)} << true
        << QByteArray("  Q\r\n  A\r\n  B\r\n  C\r\n  D\r\n* E\r\n  \r\n");
    QTest::newRow("correct 6 marks nothing")
        << QList{row("Q", "A", "B", "C", "D", "E", 6)} << true
        << QByteArray("  Q\r\n  A\r\n  B\r\n  C\r\n  D\r\n  E\r\n  \r\n");
    QTest::newRow("negative correct marks nothing")
        << QList{row("Q", "A", "B", none, none, none, -1)} << true
        << QByteArray("  Q\r\n  A\r\n  B\r\n  \r\n");
    QTest::newRow("lines close up around an empty option and keep their marks")
        << QList{row("Q", "A", "", "C", none, none, 3)} << true
        << QByteArray("  Q\r\n  A\r\n* C\r\n  \r\n");
    QTest::newRow("marked option that is empty writes no line")
        << QList{row("Q", "A", "", "C", none, none, 2)} << true
        << QByteArray("  Q\r\n  A\r\n  C\r\n  \r\n");
    QTest::newRow("line break inside a field stays")
        << QList{row("Line1\r\nLine2", "A", "B", none, none, none, 1)} << true
        << QByteArray("  Line1\r\nLine2\r\n* A\r\n  B\r\n  \r\n");
    QTest::newRow("cyrillic in windows-1251")
        << QList{row("Вопрос №1", "Ёлка", "да", none, none, none, 2)} << true
        << QByteArray(
               "  \xC2\xEE\xEF\xF0\xEE\xF1 \xB9"
               "1\r\n  \xA8\xEB\xEA\xE0\r\n* \xE4\xE0\r\n  \r\n");
    QTest::newRow("characters outside the code page")
        << QList{row("Ω 日 \U0001F600 €", "A", "B", none, none, none, 1)} << false
        << QByteArray("  ? ? ? \x88\r\n  A\r\n  B\r\n  \r\n");
    QTest::newRow("a row of empty fields is only its separator")
        << QList{row("", "", "", none, none, none, 1)} << true << QByteArray("  \r\n");
    QTest::newRow("every question ends with the separator")
        << QList{row("Q1", "A", "B", none, none, none, 1), row("Q2", "C", "D", none, none, none, 2),
                 row("Q3", "E", "F", "G", none, none, 3)}
        << true
        << QByteArray(
               "  Q1\r\n* A\r\n  B\r\n  \r\n"
               "  Q2\r\n  C\r\n* D\r\n  \r\n"
               "  Q3\r\n  E\r\n  F\r\n* G\r\n  \r\n");
    QTest::newRow("no questions, no bytes") << QList<QuestionRow>{} << true << QByteArray();
}

void TestTextExport::writesQuestions() {
    QFETCH(QList<QuestionRow>, rows);
    QFETCH(bool, mark);
    QFETCH(QByteArray, expected);

    OpenBase base(testsupport::makeQuestionBase(folder_, nextName(), rows));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    exporter::writeQuestionsText(base.questions, mark, buffer);
    QCOMPARE(buffer.data(), expected);
}

void TestTextExport::absentCorrectOptionMarksNothing() {
    const QString path = testsupport::makePlainBase(
        folder_, nextName(),
        {kTestWithoutNotNull,
         QStringLiteral(
             "INSERT INTO test (\"вопрос\", \"ответ1\", \"ответ2\") VALUES ('Q', 'A', NULL)"),
         QStringLiteral("INSERT INTO test (\"вопрос\", \"ответ1\", \"ответ2\", \"верный\") "
                        "VALUES (NULL, 'B', 'C', 2)")});
    OpenBase base(path);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    exporter::writeQuestionsText(base.questions, true, buffer);
    QCOMPARE(buffer.data(), QByteArray("  Q\r\n  A\r\n  \r\n  B\r\n* C\r\n  \r\n"));
}

void TestTextExport::missingCorrectColumnFails() {
    const QString path = testsupport::makePlainBase(
        folder_, nextName(),
        {kTestWithoutCorrect,
         QStringLiteral("INSERT INTO test (\"вопрос\", \"ответ1\") VALUES ('Q', 'A')")});
    OpenBase base(path);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QVERIFY_THROWS_EXCEPTION(qb::Error,
                             exporter::writeQuestionsText(base.questions, false, buffer));
}

void TestTextExport::failingDeviceStopsTheExport() {
    const QList<QuestionRow> rows{row("Q1", "A", "B", none, none, none, 1),
                                  row("Q2", "C", "D", none, none, none, 1),
                                  row("Q3", "E", "F", none, none, none, 1)};
    OpenBase base(testsupport::makeQuestionBase(folder_, nextName(), rows));
    const QByteArray first("  Q1\r\n  A\r\n  B\r\n  \r\n");
    FailingDevice device(first.size() + 3);
    try {
        exporter::writeQuestionsText(base.questions, false, device);
        QFAIL("a refused write must fail the export");
    } catch (const qb::Error& error) {
        QCOMPARE(error.reason(), qb::Reason::Io);
        QCOMPARE(error.code(), qb::kGeneralFailure);
    }
    QCOMPARE(device.written, first);
}

void TestTextExport::replaceWritesWholeNewContent() {
    const QString path = folder_.path(QStringLiteral("whole.txt"));
    QVERIFY(writeFile(path, QByteArray(4096, 'x')));
    exporter::replaceFileContent(path, [](QIODevice& out) { out.write("new\r\n"); });
    QCOMPARE(readAll(path), QByteArray("new\r\n"));
}

void TestTextExport::failedReplaceLeavesExistingFile() {
    testsupport::TempFolder folder;
    const QString path = folder.path(QStringLiteral("kept.txt"));
    const QByteArray before("  old question\r\n  \r\n");
    QVERIFY(writeFile(path, before));
    QVERIFY_THROWS_EXCEPTION(qb::Error, exporter::replaceFileContent(path, writePartly));
    QCOMPARE(readAll(path), before);
    QCOMPARE(QDir(folder.folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.txt"});
}

void TestTextExport::failedReplaceLeavesNoNewFile() {
    testsupport::TempFolder folder;
    const QString path = folder.path(QStringLiteral("new.txt"));
    QVERIFY_THROWS_EXCEPTION(qb::Error, exporter::replaceFileContent(path, writePartly));
    QVERIFY(!QFile::exists(path));
    QVERIFY(QDir(folder.folder()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

void TestTextExport::failedExportLeavesExistingFile() {
    // The first row writes, the second cannot be read: the export fails half-way through.
    const QString base = testsupport::makePlainBase(
        folder_, nextName(),
        {kTestWithoutCorrect, QStringLiteral("INSERT INTO test (\"вопрос\") VALUES (NULL)"),
         QStringLiteral("INSERT INTO test (\"вопрос\", \"ответ1\") VALUES ('Q', 'A')")});
    testsupport::TempFolder folder;
    const QString path = folder.path(QStringLiteral("out.txt"));
    const QByteArray before("previous export\r\n");
    QVERIFY(writeFile(path, before));
    OpenBase open(base);
    QVERIFY_THROWS_EXCEPTION(qb::Error, exporter::saveQuestionsText(open.questions, true, path));
    QCOMPARE(readAll(path), before);
    QCOMPARE(QDir(folder.folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.txt"});
}

QTEST_GUILESS_MAIN(TestTextExport)
#include "tst_textexport.moc"
