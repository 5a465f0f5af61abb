#include "exchange/question.h"

#include <QTest>
#include <QXmlStreamReader>

using exchange::Change;
using exchange::Changes;
using exchange::Format;
using exchange::Question;

Q_DECLARE_METATYPE(Question)
Q_DECLARE_METATYPE(Format)

namespace {

Question question(const QString& name, const QString& text, const QStringList& options,
                  qsizetype correct) {
    Question q;
    q.name = name;
    q.text = text;
    q.options = options;
    q.correct = correct;
    return q;
}

const exchange::Header kHeader{QStringLiteral("Физика"),
                               QStringLiteral("Тест по физике\r\nдля 9 класса")};

// Text with every line break a base may hold, Cyrillic, a character outside Windows-1251 and
// one outside the basic plane.
const QString kLines = QStringLiteral("первая\r\nвторая\nтретья\rчетвёртая × 😀");

}  // namespace

class TestExchangeWriters : public QObject {
    Q_OBJECT

private slots:
    void writesQuestion_data();
    void writesQuestion();
    void headers_data();
    void headers();
    void moodleXmlReadsBack();
};

// One question through one format: the exact bytes, what the format changed, or its refusal.
void TestExchangeWriters::writesQuestion_data() {
    QTest::addColumn<Format>("format");
    QTest::addColumn<Question>("question");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("changes");
    QTest::addColumn<bool>("refused");

    const int joined = int(Change::LinesJoined);
    const int replaced = int(Change::CharactersReplaced);

    QTest::newRow("gift escapes and line breaks")
        << Format::Gift
        << question("Вопрос 1", "Что даст: a{1} = b~c #d \\n e?\r\n" + kLines,
                    {"56", "=54", "%50% раствор", "[html]<b>x</b>"}, 1)
        << QByteArray(
               "::Вопрос 1::[plain]Что даст\\: a\\{1\\} \\= b\\~c \\#d \\\\n e?\\n"
               "первая\\nвторая\\nтретья\\nчетвёртая × 😀"
               "{~56 =\\=54 ~[plain]%50% раствор ~[plain][html]<b>x</b>}\n\n")
        << 0 << false;
    QTest::newRow("gift right answer last, read as no weight")
        << Format::Gift << question("Вопрос 12", "Да?", {"нет", "%50%"}, 1)
        << QByteArray("::Вопрос 12::[plain]Да?{~нет =[plain]%50%}\n\n") << 0 << false;
    QTest::newRow("gift lone surrogate") << Format::Gift
                                         << question("Вопрос 2",
                                                     QString::fromUtf16(u"a\xD800"
                                                                        u"b"),
                                                     {"x", "y"}, 0)
                                         << QByteArray(
                                                "::Вопрос 2::[plain]a\xEF\xBF\xBD"
                                                "b{=x ~y}\n\n")
                                         << replaced << false;

    QTest::newRow("aiken joins lines")
        << Format::Aiken << question("Вопрос 1", kLines, {"Париж", "Лион\r\nгород", "Ницца"}, 2)
        << QByteArray(
               "первая вторая третья четвёртая × 😀\nA. Париж\nB. Лион город\n"
               "C. Ницца\nANSWER: C\n\n")
        << joined << false;
    QTest::newRow("aiken cyrillic letter is no option")
        << Format::Aiken << question("Вопрос 5", "А) не вариант, а вопрос?", {"да", "нет"}, 0)
        << QByteArray("А) не вариант, а вопрос?\nA. да\nB. нет\nANSWER: A\n\n") << 0 << false;
    QTest::newRow("aiken question read as an option")
        << Format::Aiken << question("Вопрос 1", "  B. Пушкин?", {"да", "нет"}, 0) << QByteArray()
        << 0 << true;
    QTest::newRow("aiken question read as the answer")
        << Format::Aiken << question("Вопрос 1", "ANSWER: нет", {"да", "нет"}, 0) << QByteArray()
        << 0 << true;
    QTest::newRow("aiken question too short to read")
        << Format::Aiken << question("Вопрос 1", "Я", {"да", "нет"}, 0) << QByteArray() << 0
        << true;

    QTest::newRow("moodle xml escapes")
        << Format::MoodleXml
        << question("Вопрос 3", QString::fromUtf16(u"2 < 3 & \"5\" > 4\r\n]]> \x01"), {"x\ny", "z"},
                    1)
        << QByteArray(
               "  <question type=\"multichoice\">\n"
               "    <name>\n"
               "      <text>Вопрос 3</text>\n"
               "    </name>\n"
               "    <questiontext format=\"html\">\n"
               "      <text><![CDATA[2 &lt; 3 &amp; \"5\" &gt; 4<br>]]&gt; \xEF\xBF\xBD]]>"
               "</text>\n"
               "    </questiontext>\n"
               "    <defaultgrade>1</defaultgrade>\n"
               "    <single>true</single>\n"
               "    <shuffleanswers>0</shuffleanswers>\n"
               "    <answernumbering>abc</answernumbering>\n"
               "    <answer fraction=\"0\" format=\"html\">\n"
               "      <text><![CDATA[x<br>y]]></text>\n"
               "    </answer>\n"
               "    <answer fraction=\"100\" format=\"html\">\n"
               "      <text><![CDATA[z]]></text>\n"
               "    </answer>\n"
               "  </question>\n")
        << replaced << false;
}

void TestExchangeWriters::writesQuestion() {
    QFETCH(Format, format);
    QFETCH(Question, question);
    QFETCH(QByteArray, bytes);
    QFETCH(int, changes);
    QFETCH(bool, refused);

    const auto writer = exchange::writerFor(format);
    QByteArray out;
    const exchange::Written written = writer->add(out, question);
    QCOMPARE(out, bytes);
    QCOMPARE(int(written.changes), changes);
    QCOMPARE(written.refused, refused);
}

// What each file holds before and after its questions.
void TestExchangeWriters::headers_data() {
    QTest::addColumn<Format>("format");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("gift") << Format::Gift
                          << QByteArray(
                                 "// Вопросы базы «Физика»\n// Тест по физике\n"
                                 "// для 9 класса\n\n$CATEGORY: $course$/top/Физика\n\n");
    QTest::newRow("aiken") << Format::Aiken << QByteArray();
    QTest::newRow("moodle xml") << Format::MoodleXml
                                << QByteArray(
                                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quiz>\n"
                                       "  <question type=\"category\">\n"
                                       "    <category>\n"
                                       "      <text>$course$/top/Физика</text>\n"
                                       "    </category>\n"
                                       "    <info format=\"html\">\n"
                                       "      <text><![CDATA[Тест по физике<br>"
                                       "для 9 класса]]></text>\n"
                                       "    </info>\n"
                                       "  </question>\n"
                                       "</quiz>\n");
}

void TestExchangeWriters::headers() {
    QFETCH(Format, format);
    QFETCH(QByteArray, bytes);
    QCOMPARE(exchange::writeAll(format, kHeader, {}), bytes);
}

// A whole file read back with an XML parser: every question, its fractions and its picture's
// bytes, whatever its texts hold.
void TestExchangeWriters::moodleXmlReadsBack() {
    QByteArray picture(3000, '\0');
    for (qsizetype i = 0; i < picture.size(); ++i)
        picture[i] = char(i * 7);
    QList<Question> questions{
        question("Вопрос 1", kLines + QString::fromUtf16(u"\x0B <b>]]>"), {"а", "б", "в"}, 2),
        question("Вопрос 2", "С картинкой", {"да", "нет"}, 0)};
    questions[1].picture = exchange::Picture{QStringLiteral("рис 1&.jpg"), picture};

    QXmlStreamReader xml(
        exchange::writeAll(Format::MoodleXml, {"База <1>", "о & тесте"}, questions));
    QStringList types;
    QStringList texts;
    QStringList fractions;
    QStringList files;
    QString category;
    QByteArray embedded;
    QString inside;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        if (name == u"question")
            types << xml.attributes().value("type").toString();
        else if (name == u"questiontext" || name == u"category" || name == u"info")
            inside = name.toString();
        else if (name == u"answer")
            fractions << xml.attributes().value("fraction").toString();
        else if (name == u"file") {
            files << xml.attributes().value("name").toString() + " " +
                         xml.attributes().value("path").toString() + " " +
                         xml.attributes().value("encoding").toString();
            embedded = QByteArray::fromBase64(xml.readElementText().toLatin1());
        } else if (name == u"text" && inside == u"questiontext") {
            texts << xml.readElementText();
            inside.clear();
        } else if (name == u"text" && inside == u"category") {
            category = xml.readElementText();
            inside.clear();
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(types, QStringList({"category", "multichoice", "multichoice"}));
    QCOMPARE(category, "$course$/top/База <1>");
    QCOMPARE(texts,
             QStringList({"первая<br>вторая<br>третья<br>четвёртая × 😀\uFFFD &lt;b&gt;]]&gt;",
                          "С картинкой<br><img src=\"@@PLUGINFILE@@/"
                          "%D1%80%D0%B8%D1%81%201%26.jpg\" alt=\"Рисунок\">"}));
    QCOMPARE(fractions, QStringList({"0", "0", "100", "100", "0"}));
    QCOMPARE(files, QStringList({"рис 1&.jpg / base64"}));
    QCOMPARE(embedded, picture);
}

QTEST_GUILESS_MAIN(TestExchangeWriters)
#include "tst_exchangewriters.moc"
