// Word forms, the find's matching and spelling: the lemmas the find and the near-duplicate
// search compare, which questions a query finds, the whole-base check's spelling remarks, and
// a misspelled word in the question box as the teacher meets it.

#include "editor/core/basecheck.h"
#include "editor/core/questionfind.h"
#include "editor/ui/limitedtextedit.h"
#include "editor/ui/spellhighlighter.h"
#include "language/query.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "tests/support/editorsession.h"
#include "tests/support/questionrows.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

using testsupport::EditorSession;

namespace {

// Types text key by key as a keyboard with the Russian layout does (QTest types ASCII only).
void typeText(QWidget* box, const QString& text) {
    box->setFocus();
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(box, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(box, &release);
    }
}

// Whether the highlighter underlines exactly the characters [from, from + length) of the
// box's first block as a mistake, and nothing else.
bool underlinedExactly(QPlainTextEdit* box, int from, int length) {
    const QList<QTextLayout::FormatRange> ranges =
        box->document()->firstBlock().layout()->formats();
    const QTextCharFormat mistake = editor::SpellHighlighter::mistakeFormat();
    int marked = 0;
    for (const QTextLayout::FormatRange& range : ranges) {
        if (range.format.underlineStyle() != mistake.underlineStyle() ||
            range.format.underlineColor() != mistake.underlineColor())
            continue;
        if (range.start != from || range.length != length)
            return false;
        ++marked;
    }
    return marked == (length > 0 ? 1 : 0);
}

testsupport::QuestionRow row(const QString& text, const QStringList& options) {
    testsupport::QuestionRow r;
    r.fields[0] = text;
    for (int i = 0; i < options.size(); ++i)
        r.fields[i + 1] = options[i];
    r.correct = 1;
    return r;
}

}  // namespace

class TestSpelling : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void lemmas_data();
    void lemmas();
    void queries_data();
    void queries();
    void findReadsTheBaseInSlices();
    void checkOfTheBase_data();
    void checkOfTheBase();
    void misspelledWordIsUnderlinedAndCorrected();
};

void TestSpelling::initTestCase() {
    // Everything below needs the dictionaries that ./run installs.
    QVERIFY2(language::Language::shared().available(), "hunspell-ru is not installed");
}

void TestSpelling::lemmas_data() {
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("lemma");
    QTest::newRow("plural of another stem") << "дни"
                                            << "день";
    QTest::newRow("the lemma itself") << "день"
                                      << "день";
    QTest::newRow("third person plural") << "пишут"
                                         << "писать";
    QTest::newRow("third person singular") << "пишет"
                                           << "писать";
    QTest::newRow("noun plural") << "реки"
                                 << "река";
    QTest::newRow("capitals and ё") << "ЁЛКИ"
                                    << "елка";
    QTest::newRow("a name in lower case") << "москвы"
                                          << "москва";
    QTest::newRow("English") << "questions"
                             << "question";
    QTest::newRow("unknown: Snowball's stem") << "квазидням"
                                              << "квазидн";
    QTest::newRow("number") << "1945"
                            << "1945";
}

void TestSpelling::lemmas() {
    QFETCH(QString, word);
    QFETCH(QString, lemma);
    language::Language& language = language::Language::shared();
    QCOMPARE(language.lemma(word), lemma);
    // The key the scans compare is the lemma's, remembered after the first lookup.
    QCOMPARE(language.lemmaKey(word), language.lemmaKey(lemma));
    QCOMPARE(language.lemmaKey(word), language.lemmaKey(word));
}

void TestSpelling::queries_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("question");  // the text, then the options
    QTest::addColumn<QStringList>("matched");   // empty: not found
    QTest::addColumn<bool>("quick");            // what the quick test on the stored UTF-8 says

    const QStringList week = {"Сколько дней в неделе?", "Пять", "Семь"};
    QTest::newRow("another form") << "день" << week << QStringList{"дней"} << true;
    QTest::newRow("another stem") << "пишет" << QStringList{"Кто пишут диктант?", "Ученики"}
                                  << QStringList{"пишут"} << true;
    QTest::newRow("case and ё") << "ЁЛКА" << QStringList{"Что растёт на елке и на Ёлках?", "Шишки"}
                                << QStringList{"елке", "Ёлках"} << true;
    QTest::newRow("a word in an option")
        << "неделя семь" << week << QStringList{"неделе", "Семь"} << true;
    QTest::newRow("every word is required") << "день месяц" << week << QStringList() << false;
    QTest::newRow("a phrase as written")
        << "«дней в неделе»" << week << QStringList{"дней в неделе"} << true;
    QTest::newRow("a phrase, letter case and spaces aside")
        << "\"ДНЕЙ  в\"" << week << QStringList{"ДНЕЙ  в"} << true;
    QTest::newRow("a phrase is not matched by forms")
        << "«дни в неделе»" << week << QStringList() << true;
    QTest::newRow("a phrase is whole words")
        << "\"кот\"" << QStringList{"Который час?", "Два"} << QStringList() << true;
    QTest::newRow("a phrase stays within one field")
        << "\"неделе Пять\"" << week << QStringList() << true;
    QTest::newRow("words and a phrase")
        << "сколько «в неделе»" << week << QStringList{"Сколько", "в неделе"} << true;
    QTest::newRow("nothing to look for") << " ,. " << week << QStringList() << false;
}

void TestSpelling::queries() {
    QFETCH(QString, query);
    QFETCH(QStringList, question);
    QFETCH(QStringList, matched);
    QFETCH(bool, quick);
    language::Query q(query);
    QStringList words;
    QCOMPARE(q.matches(question, &words), !matched.isEmpty());
    if (!matched.isEmpty())
        QCOMPARE(words, matched);
    QList<QByteArray> utf8;
    for (const QString& field : question)
        utf8 << field.toUtf8();
    QCOMPARE(q.mayMatch(QList<QByteArrayView>(utf8.begin(), utf8.end())), quick);
}

void TestSpelling::findReadsTheBaseInSlices() {
    testsupport::TempFolder folder;
    const QString base =
        testsupport::makeQuestionBase(folder, QStringLiteral("find.mdb"),
                                      {row("Какая река самая длинная?", {"Нил", "Амазонка"}),
                                       row("Сколько дней в неделе?", {"Пять", "Семь"}),
                                       row("Какие реки текут в Африке?", {"Нил", "Волга"}),
                                       row("Где течёт Волга?", {"В России", "В Африке"})});
    qb::Connection connection;
    connection.open(base, qb::kEmptyPasswordMarker);
    // Nothing but clock-checks between rows: a slice of no time still reads a row.
    editor::QuestionFind find(connection.store(), QStringLiteral("река нил"));
    QList<editor::FoundQuestion> found;
    int calls = 0;
    while (!find.done() && calls < 100) {
        found += find.next(0);
        ++calls;
    }
    QVERIFY(find.done());
    QCOMPARE(find.read(), 4);
    QVERIFY2(calls >= 2, "the first slice read the whole base");
    QCOMPARE(found.size(), 2);
    QCOMPARE(found[0].line(), QStringLiteral("Вопрос № 1: Какая река самая длинная?"));
    QCOMPARE(found[0].words, (QStringList{"река", "Нил"}));
    QCOMPARE(found[1].question, 3);
    QCOMPARE(found[1].words, (QStringList{"реки", "Нил"}));
    QCOMPARE(connection.store().readRow(QStringLiteral("test"), found[1].row).at(1).toString(),
             QStringLiteral("Какие реки текут в Африке?"));
}

void TestSpelling::checkOfTheBase_data() {
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<bool>("dictionaries");  // false: none on the system
    QTest::addColumn<QString>("ignored");    // "Пропустить везде" before the check
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("summary");

    const QString misspelled = QStringLiteral("Какой газ обозначаеться буквой O?");
    QTest::newRow("misspelled") << QStringList{misspelled} << true << ""
                                << QStringList{"Вопрос № 1: возможно, опечатка: «обозначаеться»"}
                                << "Вопросов: 1, замечаний: 1";
    QTest::newRow("е written for ё")
        << QStringList{"Сколько колес у трехколесного велосипеда и где растет елка?"} << true << ""
        << QStringList() << "Вопросов: 1, замечаний: 0";
    QTest::newRow("in two questions, each listed")
        << QStringList{"Чему равна сила Ньютонуса?", "Кто открыл закон Ньютонуса?"} << true << ""
        << QStringList{"Вопрос № 1: возможно, опечатка: «Ньютонуса»",
                       "Вопрос № 2: возможно, опечатка: «Ньютонуса»"}
        << "Вопросов: 2, замечаний: 2";
    QTest::newRow("in three questions, in any form, a term")
        << QStringList{"Чему равна сила Ньютонуса?", "Кто открыл закон Ньютонуса?",
                       "Что измеряют в Ньютонусах?"}
        << true << "" << QStringList() << "Вопросов: 3, замечаний: 0";
    // Not a misspelling; the text export cannot write the mark.
    QTest::newRow("a stress mark")
        << QStringList{"Какой за\u0301мок стоит на горе?"} << true << ""
        << QStringList{"Вопрос № 1: в тексте вопроса есть знаки, которых нет в кодировке "
                       "Windows-1251: «\u0301» (U+0301); при выгрузке в текст вместо них будет "
                       "«?»"}
        << "Вопросов: 1, замечаний: 1";
    QTest::newRow("numbers, letters, abbreviations")
        << QStringList{"В 1945 году СССР и США, ЦП и ПК, HTML и x2: что это?"} << true << ""
        << QStringList() << "Вопросов: 1, замечаний: 0";
    QTest::newRow("Latin letters in a Russian word")
        << QStringList{"Какой гoрод стоит на Неве?"} << true << ""  // a Latin "o"
        << QStringList{"Вопрос № 1: возможно, опечатка: «гoрод»"} << "Вопросов: 1, замечаний: 1";
    QTest::newRow("skipped everywhere") << QStringList{misspelled} << true << "ОБОЗНАЧАЕТЬСЯ"
                                        << QStringList() << "Вопросов: 1, замечаний: 0";
    QTest::newRow("no dictionary") << QStringList{misspelled} << false << "" << QStringList()
                                   << "Вопросов: 1, замечаний: 0, орфография не проверялась";
}

void TestSpelling::checkOfTheBase() {
    QFETCH(QStringList, questions);
    QFETCH(bool, dictionaries);
    QFETCH(QString, ignored);
    QFETCH(QStringList, lines);
    QFETCH(QString, summary);

    // A language of its own: "Пропустить везде" lasts for the run of the one it is told to.
    const testsupport::TempFolder empty;
    language::Language language(dictionaries ? language::systemDictionaryFolders()
                                             : QStringList{empty.folder()});
    if (!ignored.isEmpty())
        language.ignore(ignored);
    editor::BaseCheck check(empty.path(QStringLiteral("none.mdb")), language);
    check.setSettings({0, QStringLiteral("тест")});
    for (const QString& text : questions)
        check.addQuestion({text, {"Да", "Нет"}, {}, 1});
    const editor::BaseCheckResult result = check.finish().value();
    QStringList listed;
    for (const editor::CheckFinding& finding : result.findings)
        listed << finding.line();
    QCOMPARE(listed, lines);
    QCOMPARE(result.summary(), summary);
}

void TestSpelling::misspelledWordIsUnderlinedAndCorrected() {
    EditorSession session(2);
    editor::LimitedTextEdit* box = session.probe.Text1();
    // The window comes up (and its boxes are highlighted) before the teacher types.
    QCoreApplication::processEvents();
    box->selectAll();
    typeText(box, QStringLiteral("Где течот"));
    // The word being typed is not underlined yet; the mistake is, once the typing moved on.
    QVERIFY(underlinedExactly(box, 0, 0));
    typeText(box, QStringLiteral(" река Нил?"));
    QVERIFY(underlinedExactly(box, 4, 5));

    // Opens the box's context menu, notes what it offers and chooses `wanted` in it.
    const auto choose = [](QWidget* receiver, QContextMenuEvent& request, const QString& wanted) {
        QStringList offered;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            QAction* chosen = nullptr;
            for (QAction* action : menu->actions()) {
                offered << action->text();
                if (action->text() == wanted && !chosen)
                    chosen = action;
            }
            menu->close();
            if (chosen)
                chosen->trigger();
        });
        QApplication::sendEvent(receiver, &request);
        return offered;
    };

    // The context menu on the word offers corrections; the chosen one replaces the word.
    QTextCursor inWord(box->document());
    inWord.setPosition(6);
    const QPoint at = box->cursorRect(inWord).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, box->viewport()->mapToGlobal(at));
    const QStringList offered = choose(box->viewport(), click, QStringLiteral("течет"));
    QVERIFY2(offered.contains(QStringLiteral("течет")), qPrintable(offered.join(u'|')));
    // At most five corrections, then "Пропустить везде", then the box's own actions.
    const qsizetype ignore = offered.indexOf(QStringLiteral("Пропустить везде"));
    QVERIFY(ignore >= 1 && ignore <= 5);
    QCOMPARE(box->toPlainText(), QStringLiteral("Где течет река Нил?"));
    QVERIFY(underlinedExactly(box, 0, 0));
    // One edit, taken back by Ctrl+Z; the word is underlined again.
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(box->toPlainText(), QStringLiteral("Где течот река Нил?"));
    QVERIFY(underlinedExactly(box, 4, 5));

    // From the keyboard (the menu key) the menu is for the word at the text cursor;
    // "Пропустить везде" takes the word as correct in every box for the rest of the run.
    box->setTextCursor(inWord);
    const QPoint cursorAt = box->cursorRect().center();
    QContextMenuEvent key(QContextMenuEvent::Keyboard, cursorAt,
                          box->viewport()->mapToGlobal(cursorAt));
    QVERIFY(choose(box, key, QStringLiteral("Пропустить везде")).contains("течет"));
    QVERIFY(underlinedExactly(box, 0, 0));
    editor::LimitedTextEdit* option = session.probe.Text(0);
    option->selectAll();
    typeText(option, QStringLiteral("Течот, малако "));
    QVERIFY(underlinedExactly(option, 7, 6));
}

QTEST_MAIN(TestSpelling)
#include "tst_spelling.moc"
