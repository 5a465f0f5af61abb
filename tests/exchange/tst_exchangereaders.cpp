#include "exchange/question.h"
#include "exchange/source.h"
#include "exporter/core/ziparchive.h"
#include "tests/support/tempbase.h"

#include <QElapsedTimer>
#include <QTest>

using exchange::Format;
using exchange::Question;
using exchange::SourceKind;

Q_DECLARE_METATYPE(Format)
Q_DECLARE_METATYPE(SourceKind)

namespace {

// A source as lines: each question "where | text | option | *right option" with its remarks
// after " ! ", each refusal "where: reason". Line breaks show as "⏎".
QStringList describe(const exchange::Source& source) {
    QStringList lines;
    const auto shown = [](QString text) { return text.replace(QStringLiteral("\r\n"), "⏎"); };
    for (const auto& taken : source.questions) {
        QStringList fields{taken.where, shown(taken.question.text)};
        for (qsizetype i = 0; i < taken.question.options.size(); ++i)
            fields << (i == taken.question.correct ? "*" : "") + shown(taken.question.options[i]);
        if (taken.question.picture)
            fields << "[" + taken.question.picture->name + " " +
                          QString::number(taken.question.picture->data.size()) + "]";
        lines << fields.join(" | ") +
                     (taken.remarks.isEmpty() ? "" : " ! " + taken.remarks.join("; "));
    }
    for (const auto& refusal : source.refused)
        lines << refusal.where + ": " + refusal.reason;
    return lines;
}

Question question(const QString& text, const QStringList& options, qsizetype correct) {
    Question q;
    q.name = "Вопрос";
    q.text = text;
    q.options = options;
    q.correct = correct;
    return q;
}

// A .docx holding `document` as its body and `parts` beside it.
QByteArray docx(const testsupport::TempFolder& folder, const QByteArray& body,
                const QList<std::pair<QByteArray, QByteArray>>& parts = {}) {
    const QString path = folder.path("made.docx");
    QFile::remove(path);
    exporter::docx::ZipArchive zip(path);
    zip.addBytes("word/document.xml",
                 "<?xml version=\"1.0\"?><w:document xmlns:w=\"http://schemas.openxmlformats.org/"
                 "wordprocessingml/2006/main\" xmlns:r=\"http://schemas.openxmlformats.org/"
                 "officeDocument/2006/relationships\" xmlns:a=\"http://schemas.openxmlformats.org/"
                 "drawingml/2006/main\"><w:body>" +
                     body + "</w:body></w:document>");
    for (const auto& [name, bytes] : parts)
        zip.addBytes(name.constData(), bytes);
    zip.close();
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QByteArray paragraph(const QByteArray& text) {
    return "<w:p><w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r></w:p>";
}

}  // namespace

class TestExchangeReaders : public QObject {
    Q_OBJECT
    testsupport::TempFolder folder_;

private slots:
    void roundTrip_data();
    void roundTrip();
    void handWritten_data();
    void handWritten();
    void refusedFiles_data();
    void refusedFiles();
};

// What each writer puts out, its reader takes back: texts, options, the right one, pictures.
void TestExchangeReaders::roundTrip_data() {
    QTest::addColumn<Format>("format");
    QTest::addColumn<SourceKind>("kind");
    QTest::newRow("moodle xml") << Format::MoodleXml << SourceKind::MoodleXml;
    QTest::newRow("gift") << Format::Gift << SourceKind::Gift;
    QTest::newRow("aiken") << Format::Aiken << SourceKind::Aiken;
}

void TestExchangeReaders::roundTrip() {
    QFETCH(Format, format);
    QFETCH(SourceKind, kind);
    const bool lines = format != Format::Aiken;
    QList<Question> questions;
    const QStringList words{"Москва", "a{b}=c~d",  "#1: \\n", "x < y & z",
                            "%50%",   "[html]<i>", "H₂O × 😀", "  два  пробела"};
    for (int n = 0; n < 24; ++n) {
        QStringList options;
        for (int i = 0; i < 2 + n % 4; ++i)
            options << words[(n + i) % words.size()] + QString::number(i);
        QString text = "Вопрос " + QString::number(n) + " " + words[n % words.size()];
        if (lines && n % 3 == 0)
            text += "\r\nвторая строка";
        questions << question(text, options, n % options.size());
    }
    questions[1].picture = exchange::Picture{"рис 1.png", QByteArray("\x89PNG\r\n\x1A\n....", 12)};
    // Characters a link gives a meaning to, in the picture's own name.
    questions[4].picture = exchange::Picture{"Что это? #1 100%.jpg", QByteArray("\xFF\xD8\xFF")};
    const QByteArray bytes = exchange::writeAll(format, {"База", "О тесте\r\nстрока"}, questions);
    const exchange::Source source = exchange::readSource(bytes);
    QCOMPARE(source.kind, kind);
    QStringList refused;
    for (const auto& refusal : source.refused)
        refused << refusal.where + ": " + refusal.reason;
    QCOMPARE(refused, QStringList());
    QCOMPARE(source.questions.size(), questions.size());
    for (qsizetype n = 0; n < questions.size(); ++n) {
        const Question& back = source.questions[n].question;
        // Each format trims what surrounds a text and an option, as Moodle does.
        QCOMPARE(back.text, questions[n].text.trimmed());
        QStringList options;
        for (const QString& option : questions[n].options)
            options << option.trimmed();
        QCOMPARE(back.options, options);
        QCOMPARE(back.correct, questions[n].correct);
        QCOMPARE(back.picture.has_value(), format == Format::MoodleXml && questions[n].picture);
        QCOMPARE(source.questions[n].remarks, QStringList());
    }
    if (format == Format::MoodleXml) {
        for (const int n : {1, 4}) {
            QCOMPARE(source.questions[n].question.picture->data, questions[n].picture->data);
            QCOMPARE(source.questions[n].question.picture->name, questions[n].picture->name);
        }
        QCOMPARE(source.description, "О тесте\r\nстрока");
    }
}

// Sources written by hand, as colleagues and other programs write them.
void TestExchangeReaders::handWritten_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<SourceKind>("kind");
    QTest::addColumn<QStringList>("read");

    QTest::newRow("gift")
        << QByteArray(
               "// комментарий {=не вопрос}\n"
               "$CATEGORY: $course$/top/Тест\n\n"
               "::Q1:: Столица\\: Франции?\n{\n  ~Лион # нет\n  =Париж\n  ~Ницца\n}\n\n"
               "[html]<p>Сколько <b>2&amp;2</b>?</p>{~3 ~%100%4 ~%-50%5}\n\n"
               "Река {~Дон =Волга} длиннее.\n\n"
               "Земля круглая.{T}\n\n"
               "Кто написал «Онегина»?{=Пушкин =А. С. Пушкин}\n\n"
               "Два верных?{=а =б ~в}\n\n"
               "Нет верного?{~а ~б}\n\n"
               "Частично{~%50%а ~%50%б ~в}\n\n"
               "Год?{#1822:5}\n\n"
               "Пары{=a -> 1 =b -> 2}\n\n"
               "Просто описание.\n")
        << SourceKind::Gift
        << QStringList{"строка 4 | Столица: Франции? | Лион | *Париж | Ницца",
                       "строка 11 | Сколько 2&2? | 3 | *4 | 5",
                       "строка 13 | Река _____ длиннее. | Дон | *Волга",
                       "строка 15: вопрос «верно или неверно», а не выбор ответа",
                       "строка 17: вопрос с кратким ответом, а не выбор ответа",
                       "строка 19: несколько верных ответов",
                       "строка 21: нет верного ответа",
                       "строка 23: несколько верных ответов",
                       "строка 25: числовой вопрос, а не выбор ответа",
                       "строка 27: вопрос на соответствие, а не выбор ответа",
                       "строка 29: это описание, а не вопрос"};
    // Each lone "&" once looked for its ";" through the rest of the text: about a minute here.
    QTest::newRow("gift with many lone & in its html")
        << QByteArray(1'000'000, '&') + "?{=а =б ~в}\n"
        << SourceKind::Gift << QStringList{"строка 1: несколько верных ответов"};
    QTest::newRow("gift, windows-1251")
        << QByteArray("\xC2\xEE\xEF\xF0\xEE\xF1?{=\xE4\xE0 ~\xED\xE5\xF2}\n") << SourceKind::Gift
        << QStringList{"строка 1 | Вопрос? | *да | нет"};
    QTest::newRow("aiken") << QByteArray(
                                  "Первый вопрос\nв две строки?\nA) да\nB) нет\nANSWER: B\n\n"
                                  "Без ответа?\nA. да\nB. нет\n\n"
                                  "Ответ не из списка?\nA. да\nB. нет\nANSWER: C\n\n"
                                  "Последний?\nA. раз\nB. два\nC. три\nANSWER: A\n\n"
                                  "Слитно?\nA)да\nB.нет\nANSWER: B\n")
                           << SourceKind::Aiken
                           << QStringList{"строка 1 | Первый вопрос⏎в две строки? | да | *нет",
                                          "строка 16 | Последний? | *раз | два | три",
                                          "строка 22 | Слитно? | да | *нет",
                                          "строка 7: нет строки ANSWER",
                                          "строка 11: нет верного ответа"};
    QTest::newRow("moodle xml")
        << QByteArray(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quiz>\n"
               "<question type=\"category\"><category><text>$course$/top/X</text></category>"
               "<info format=\"html\"><text><![CDATA[<p>Итоговый "
               "&laquo;тест&raquo;</p>]]></text></info>"
               "</question>\n"
               "<question type=\"multichoice\"><name><text>Имя</text></name>"
               "<questiontext format=\"html\"><text><![CDATA[<p>Строка 1</p>\n<p>Строка&nbsp;2 "
               "&lt;3"
               "<br/>три<img src=\"@@PLUGINFILE@@/a%20b.png\" alt=\"\"></p>]]></text>"
               "<file name=\"a b.png\" path=\"/\" "
               "encoding=\"base64\">iVBORw0KGgo=</file></questiontext>"
               "<answer fraction=\"0\"><text>&lt;нет&gt;</text></answer>"
               "<answer fraction=\"100.0000000\"><text>да</text></answer></question>\n"
               "<question type=\"truefalse\"><name><text>TF</text></name></question>\n"
               "<question type=\"multichoice\"><questiontext format=\"html\"><text>Два?</text>"
               "</questiontext><answer fraction=\"50\"><text>а</text></answer>"
               "<answer fraction=\"50\"><text>б</text></answer></question>\n"
               "<question type=\"multichoice\"><questiontext format=\"html\"><text><![CDATA[a "
               "&lt;b&gt;"
               "<img src=\"@@PLUGINFILE@@/x.png\">]]></text>"
               "<file name=\"x.png\" encoding=\"base64\">%%%</file></questiontext>"
               "<answer fraction=\"100\"><text>a</text></answer>"
               "<answer fraction=\"0\"><text>b</text></answer></question>\n"
               "</quiz>\n")
        << SourceKind::MoodleXml
        << QStringList{
               "вопрос 1 | Строка 1⏎Строка\u00A02 <3⏎три | <нет> | "
               "*да | [a b.png 8]",
               "вопрос 4 | a <b> | *a | b ! "
               "картинка «x.png» повреждена",
               "вопрос 2: вопрос типа «truefalse», а не выбор "
               "одного ответа",
               "вопрос 3: несколько верных ответов"};
    QTest::newRow("gift html by default, partial credit, pictures")
        << QByteArray(
               "::A:: …in his book <i>Bounce</i>, Matthew &amp; co<br>next "
               "{=yes ~ wrong answer    ~%50%half}\n\n"
               "::B::[plain]a < b & c{=<x> ~&amp;}\n\n"
               "::C:: Which?<img src\\='@@PLUGINFILE@@/p.png'>"
               "{=one ~<img src\\=\"x.png\"> ~two}\n\n"
               "::D:: Which?{=<img src\\=\"x.png\"> ~two}\n\n"
               "::E::[html]one\n   two{=a ~b}\n\n"
               "::F:: one\ntwo <a href\\=\"http\\://x.org/a.mp3?x\\=1\">звук</a>{=a ~b}\n")
        << SourceKind::Gift
        << QStringList{
               "строка 1 | …in his book Bounce, Matthew & co⏎next | *yes | wrong answer | "
               "half ! частичные баллы не сохранены: верным остался ответ с полным баллом",
               "строка 3 | a < b & c | *<x> | &amp;",
               "строка 5 | Which? | *one |  | two ! картинки «p.png» нет в файле; вариант 2 "
               "— картинка или файл, он не взят",
               "строка 9 | one two | *a | b",
               "строка 12 | one⏎two звук | *a | b ! файл «http://x.org/a.mp3?x=1» не взят: в "
               "базе нет места для звука, видео и других файлов",
               "строка 7: верный вариант — картинка или файл, а вариант в базе может быть "
               "только текстом"};
    QTest::newRow("gift without a choice")
        << QByteArray("// тест\n::Описание:: Только текст\n") << SourceKind::Gift
        << QStringList{"строка 2: это описание, а не вопрос"};
    {
        const QString text = "Вопрос?{=да ~нет}\n";
        QTest::newRow("gift in utf-16 without a byte order mark")
            << QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2)
            << SourceKind::Gift << QStringList{"строка 1 | Вопрос? | *да | нет"};
    }
    QTest::newRow("moodle xml media, older picture form, opening comment")
        << QByteArray(
               "<!-- written by hand -->\n<quiz>\n"
               "<question type=\"multichoice\"><questiontext format=\"html\"><text><![CDATA[  "
               "<p>Слушайте <a href=\"@@PLUGINFILE@@/bonjour.mp3\">звук</a></p> "
               "<img src='http://example.org/a.png'>  ]]></text></questiontext>"
               "<image>old/pic.gif</image><image_base64>R0lGOD lh</image_base64>"
               "<answer fraction=\"100\"><text> верно </text></answer>"
               "<answer fraction=\"50\"><text>почти</text></answer>"
               "<answer fraction=\"0\" format=\"html\"><text><![CDATA[<IMG "
               "SRC=\"@@PLUGINFILE@@/o.png\">]]></text></answer></question>\n"
               "<question type=\"multichoice\"><questiontext format=\"html\"><text><![CDATA[data "
               "<img src=\"data:image/png;base64,iVBORw0KGgo=\">]]></text></questiontext>"
               "<answer fraction=\"100\"><text>а &lt;img src='@@PLUGINFILE@@/o.png'&gt;</text>"
               "</answer><answer fraction=\"0\"><text>б</text></answer></question>\n"
               "<question type=\"multichoice\"><questiontext format=\"html\"><text><![CDATA[data "
               "<img src=\"data:image/png;base64,iVBORw0KGgo=\">]]></text></questiontext>"
               "<answer fraction=\"100\"><text>а</text></answer>"
               "<answer fraction=\"0\"><text>б</text></answer></question>\n"
               "</quiz>\n")
        << SourceKind::MoodleXml
        << QStringList{
               "вопрос 1 | Слушайте звук | *верно | почти |  | [old_pic.gif 6] ! файл "
               "«bonjour.mp3» не взят: в базе нет места для звука, видео и других файлов; "
               "картинка «http://example.org/a.png» не взята: она не в файле, а по "
               "ссылке; частичные баллы не сохранены: верным остался ответ с полным "
               "баллом; вариант 3 — картинка или файл, он не взят",
               "вопрос 3 | data | *а | б | [картинка.png 8]",
               "вопрос 2: в верном варианте картинка или файл, а вариант в базе может "
               "быть только текстом"};
    QTest::newRow("exporter text, windows-1251")
        << QByteArray(
               "  \xC2\xEE\xEF\xF0\xEE\xF1\r\n\xE2\xF2\xEE\xF0\xE0\xFF \xF1\xF2\xF0\xEE\xEA\xE0\r\n"
               "  a\r\n* b\r\n  \r\n"
               "  Q\r\n  a\r\n  b\r\n  \r\n")
        << SourceKind::ExporterText
        << QStringList{"строка 1 | Вопрос⏎вторая строка | a | *b",
                       "строка 6: верный ответ не отмечен звёздочкой (выгрузите текст с "
                       "«Помечать верный вариант ответа»)"};
    QTest::newRow("exporter text, utf-8 with bom")
        << QByteArray("\xEF\xBB\xBF  Вопрос × 2\r\n* да\r\n  нет\r\n  \r\n")
        << SourceKind::ExporterText << QStringList{"строка 1 | Вопрос × 2 | *да | нет"};
    QTest::newRow("word from another program")
        << docx(folder_,
                paragraph("Столица?") + paragraph("Лион") + paragraph("* Париж") + "<w:p/>" +
                    paragraph("Без звёздочки?") + paragraph("да") + paragraph("нет") +
                    "<w:p/><w:p/>" +
                    "<w:p><w:r><w:t>Картинка</w:t><w:br/><w:t>и строка</w:t></w:r></w:p>" +
                    paragraph("*да") + paragraph("нет") +
                    "<w:p><w:r><w:drawing><a:blip r:embed=\"rId9\"/></w:drawing></w:r></w:p>",
                {{"word/_rels/document.xml.rels",
                  "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                  "relationships\"><Relationship Id=\"rId9\" Target=\"media/p.png\"/>"
                  "</Relationships>"},
                 {"word/media/p.png", "PNGDATA"}})
        << SourceKind::ExporterWord
        << QStringList{"абзац 1 | Столица? | Лион | *Париж",
                       "абзац 10 | Картинка⏎и строка | *да | нет | [p.png 7]",
                       "абзац 5: верный ответ не отмечен звёздочкой в начале"};
}

void TestExchangeReaders::handWritten() {
    QFETCH(QByteArray, bytes);
    QFETCH(SourceKind, kind);
    QFETCH(QStringList, read);
    QElapsedTimer clock;
    clock.start();
    const exchange::Source source = exchange::readSource(bytes);
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(source.kind, kind);
    QCOMPARE(describe(source), read);
    // The import reads a file, line by line where the kind allows: it must read the same.
    const QString path = folder_.path("source");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    const exchange::Source streamed = exchange::readSource(path);
    QCOMPARE(streamed.kind, kind);
    QCOMPARE(describe(streamed), read);
    if (QTest::currentDataTag() == QLatin1String("moodle xml"))
        QCOMPARE(source.description, "Итоговый «тест»");
}

// Files refused whole, with the reason the user is told.
void TestExchangeReaders::refusedFiles_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");

    QTest::newRow("entity expansion")
        << QByteArray(
               "<?xml version=\"1.0\"?><!DOCTYPE quiz [<!ENTITY a \"aaaaaaaaaa\">"
               "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><quiz>&b;</quiz>")
        << "Файл Moodle XML с объявлением DTD не принимается";
    QTest::newRow("broken xml") << QByteArray("<?xml version=\"1.0\"?><quiz><question>")
                                << "Файл Moodle XML повреждён: ";
    QTest::newRow("not a zip") << QByteArray("PK\x03\x04 garbage", 12)
                               << "Документ Word повреждён: это не архив .docx";
    {
        // A document part past the limit of a whole source packs into a few hundred kilobytes.
        testsupport::TempFolder folder;
        const QString path = folder.path("bomb.docx");
        exporter::docx::ZipArchive zip(path);
        zip.addBytes("word/document.xml", QByteArray(exchange::kMaxDocumentBytes + 1, ' '));
        zip.close();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        QTest::newRow("zip bomb") << file.readAll()
                                  << "Документ Word распаковывается в слишком большой объём";
    }
    {
        // An archive whose entries are encrypted with a password, flagged in its directory.
        QByteArray bytes = docx(folder_, paragraph("Вопрос?"));
        for (qsizetype at = bytes.indexOf("PK\x01\x02"); at >= 0;
             at = bytes.indexOf("PK\x01\x02", at + 4))
            bytes[at + 8] = char(bytes[at + 8] | 1);
        QTest::newRow("password-protected zip") << bytes << "Документ Word защищён паролем";
    }
    const QByteArray container("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0\0\0", 12);
    QTest::newRow("password-protected word")
        << container + QByteArray("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32)
        << "Документ Word защищён паролем";
    QTest::newRow("word 97") << container + "WordDocument"
                             << "Это документ Word 97–2003";
    QTest::newRow("empty") << QByteArray(" \r\n") << "Файл пуст";
    QTest::newRow("unknown") << QByteArray("просто текст\n") << "Не удалось узнать";
    QTest::newRow("too large (a sparse file)")
        << QByteArray() << "Файл слишком велик для файла вопросов";
}

void TestExchangeReaders::refusedFiles() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    // Sources come from files; one larger than the limit is refused before it is read.
    const QString path = folder_.path("source");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    if (bytes.isEmpty())
        file.resize(exchange::kMaxSourceBytes + 1);
    file.close();
    try {
        exchange::readSource(path);
        QFAIL("the file was read");
    } catch (const exchange::SourceError& error) {
        QVERIFY2(error.message().startsWith(reason), qPrintable(error.message()));
    }
}

QTEST_GUILESS_MAIN(TestExchangeReaders)
#include "tst_exchangereaders.moc"
