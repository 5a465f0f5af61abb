// The question check and saving, moving, adding and deleting, creating a base, and the refused
// commits the user is told about.

#include "editor/core/picturechoice.h"
#include "editor/ui/limitedtextedit.h"
#include "questionbase/catalog.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/sqlitestore.h"
#include "tests/support/editorbases.h"
#include "tests/support/editorsession.h"
#include "tests/support/questionrows.h"
#include "tests/support/useractions.h"

#include <QAccessible>
#include <QAccessibleEditableTextInterface>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

using testsupport::EditorSession;

namespace {

const QString kRequired = QStringLiteral(
    "Поле номер верного ответа обязательное\r\nЕсли хотите сохранить вопрос введите число от 1 "
    "до 5");
const QString kText = QStringLiteral("Почему у вас текст вместо номера верного ответа?");
const QString kTooBig = QStringLiteral("Слишком большое число в поле верного ответа");
const QString kWrong = QStringLiteral("Неверное значение в поле номер верного ответа! Исправьте!");
const QString kShort = QStringLiteral("Слишком короткий вопрос! Так нельзя");
const QString kPictureNotStored = QStringLiteral(
    "Не записано в базу: картинка к вопросу. Такой текст не помещается в поле базы или содержит "
    "недопустимый символ. Остальное записано.");

// Texts as another program may have written them: non-breaking spaces, tabs, lone CR and LF,
// CR LF, line separators and surrogate pairs, exactly `length` UTF-16 units long.
QString foreignText(QRandomGenerator& random, int length) {
    static const QStringList pieces = {
        QStringLiteral("а"),    QStringLiteral("Ж"),      QStringLiteral("q"),
        QStringLiteral("7"),    QStringLiteral(" "),      QStringLiteral("\u00A0"),
        QStringLiteral("\t"),   QStringLiteral("\r"),     QStringLiteral("\n"),
        QStringLiteral("\r\n"), QStringLiteral("\u2028"), QString::fromUtf8("\U0001F600"),
        QStringLiteral("ё")};
    QString text;
    while (text.size() < length) {
        const QString& piece = pieces[random.bounded(static_cast<int>(pieces.size()))];
        text += text.size() + piece.size() <= length ? piece : QStringLiteral("ы");
    }
    return text;
}

QString sqlLiteral(const QVariant& value) {
    if (value.isNull())
        return QStringLiteral("NULL");
    if (value.typeId() == QMetaType::Int)
        return value.toString();
    return u'\'' + value.toString().replace(u'\'', QStringLiteral("''")) + u'\'';
}

}  // namespace

class TestEditorQuestions : public QObject {
    Q_OBJECT
private slots:
    void check_data();
    void check();
    void saveWritesEveryFieldAndNeverAddsARow();
    void lineBreaksAreStoredAsCrLf();
    void boxesRefuseTypingPastTheirLimit();
    void walkingAndSavingChangesNoStoredValue_data();
    void walkingAndSavingChangesNoStoredValue();
    void aFieldChangedBackAfterASaveIsStored_data();
    void aFieldChangedBackAfterASaveIsStored();
    void limitsHoldForEveryWayIn_data();
    void limitsHoldForEveryWayIn();
    void tooLongPictureNameIsRefusedAndTold();
    void movingBackAndForward();
    void addingAQuestion();
    void positionsPastSixteenBits();
    void deleting_data();
    void deleting();
    void deletingTheOnlyQuestionDoesNothing();
    void buttonsDoNothingWithoutABase();
    void refusedCommitIsReportedAndNothingMoves();
    void refusedDeleteIsReportedAndTheRowShownAgain();
    void creatingABase_data();
    void creatingABase();
    void createdBaseOpensWithOneEmptyQuestion();
    void baseInAFolderNamedLikeThePasswordPart_data();
    void baseInAFolderNamedLikeThePasswordPart();
};

void TestEditorQuestions::check_data() {
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("message");  // empty: the question is stored
    QTest::addColumn<int>("storedNumber");

    const QString q = QStringLiteral("Сколько будет два плюс два?");
    QTest::newRow("empty number") << "" << q << kRequired << 0;
    QTest::newRow("one space") << " " << q << kRequired << 0;
    QTest::newRow("two spaces") << "  " << q << kText << 0;
    QTest::newRow("letters") << "три" << q << kText << 0;
    QTest::newRow("digit and letter") << "3a" << q << kText << 0;
    QTest::newRow("point is not the decimal comma") << "4.5" << q << kText << 0;
    QTest::newRow("zero") << "0" << q << kWrong << 0;
    QTest::newRow("six") << "6" << q << kWrong << 0;
    QTest::newRow("minus one") << "-1" << q << kWrong << 0;
    QTest::newRow("hundred") << "100" << q << kWrong << 0;
    QTest::newRow("16-bit max") << "32767" << q << kWrong << 0;
    QTest::newRow("16-bit min") << "-32768" << q << kWrong << 0;
    QTest::newRow("above 16 bits") << "32768" << q << kTooBig << 0;
    QTest::newRow("below 16 bits") << "-32769" << q << kTooBig << 0;
    QTest::newRow("four and a half to even") << "4,5" << q << QString() << 4;
    QTest::newRow("five and a half to six") << "5,5" << q << kWrong << 0;
    QTest::newRow("a half to zero") << "0,5" << q << kWrong << 0;
    QTest::newRow("blanks around three") << " 3 " << q << QString() << 3;
    QTest::newRow("number checked before question") << "9"
                                                    << "а" << kWrong << 0;
    QTest::newRow("two-character question") << "2"
                                            << "аб" << kShort << 0;
    QTest::newRow("three spaces") << "2"
                                  << "   " << QString() << 2;
    QTest::newRow("letter and line break counts 3") << "5"
                                                    << "a\n"
                                                    << QString() << 5;
    QTest::newRow("surrogate pair counts 2")
        << "1" << QString::fromUtf8("\U0001F600") << kShort << 0;
}

void TestEditorQuestions::check() {
    QFETCH(QString, number);
    QFETCH(QString, question);
    QFETCH(QString, message);
    QFETCH(int, storedNumber);
    EditorSession s(2);
    s.probe.Text2()->setText(number);
    s.probe.Text1()->setPlainText(question);
    if (!message.isEmpty())
        s.dialogs.expectMessage(message);
    s.click("Command7");
    VERIFY_ALL_SHOWN(s.dialogs);
    QCOMPARE(s.dialogs.messages().size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(s.dialogs.shown().last().title, QStringLiteral("Tambris"));
        QCOMPARE(s.stored("вопрос").toString(), QStringLiteral("Вопрос 1"));
        QCOMPARE(s.probe.Text2()->text(), number);  // the field keeps what was typed
    } else {
        QCOMPARE(s.stored("верный").toInt(), storedNumber);
        QCOMPARE(s.stored("вопрос").toString(), editor::LimitedTextEdit::toStored(question));
        QCOMPARE(s.probe.Text2()->text(), number);  // not redisplayed trimmed
    }
    // The check never moves and never changes the caption.
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 1 из 2"));
}

void TestEditorQuestions::saveWritesEveryFieldAndNeverAddsARow() {
    EditorSession s(2);
    const testsupport::EditorProbe& w = s.probe;
    w.Text1()->setPlainText(QStringLiteral("Столица России?"));
    w.Text(0)->setPlainText(QStringLiteral("Москва"));
    w.Text(1)->clear();
    w.Text(4)->setPlainText(QStringLiteral("Казань"));
    w.Text2()->setText(QStringLiteral("1"));
    w.ulik()->setText(QStringLiteral("карты\\россия.jpg"));
    s.click("Command7");
    s.click("Command7");
    VERIFY_ALL_SHOWN(s.dialogs);
    QVERIFY(s.dialogs.messages().isEmpty());
    const auto rows = s.rowsAfterClosing();
    QCOMPARE(rows.size(), 2);
    const QVariantList expected = {rows[0][0],
                                   QStringLiteral("Столица России?"),
                                   QStringLiteral("Москва"),
                                   QString(),
                                   QString(),
                                   QString(),
                                   QStringLiteral("Казань"),
                                   QStringLiteral("карты\\россия.jpg"),
                                   1};
    for (int i = 1; i < expected.size(); ++i)
        QCOMPARE(rows[0][i].toString(), expected[i].toString());
    QCOMPARE(rows[1][1].toString(), QStringLiteral("Вопрос 2"));
}

void TestEditorQuestions::lineBreaksAreStoredAsCrLf() {
    EditorSession s(1);
    s.probe.Text1()->setPlainText(QStringLiteral("Первая строка\nВторая строка"));
    s.probe.Text(0)->setPlainText(QStringLiteral("да\nнет"));
    s.click("Command7");
    QCOMPARE(s.stored("вопрос").toString(), QStringLiteral("Первая строка\r\nВторая строка"));
    QCOMPARE(s.stored("ответ1").toString(), QStringLiteral("да\r\nнет"));

    // Shown again with the box's own line breaks, and stored unchanged when saved again. The
    // redisplay is called itself: with one question neither "Назад" nor "Вперед" redraws.
    s.window->edituem();
    QCOMPARE(s.question(), QStringLiteral("Первая строка\nВторая строка"));
    s.click("Command7");
    QCOMPARE(s.stored("вопрос").toString(), QStringLiteral("Первая строка\r\nВторая строка"));
}

void TestEditorQuestions::boxesRefuseTypingPastTheirLimit() {
    EditorSession s(1);
    editor::LimitedTextEdit* box = s.probe.Text(0);
    box->clear();
    s.type(box, QString(119, u'x'));
    QCOMPARE(box->storedLength(), 119);
    QTest::keyClick(box, Qt::Key_Return);  // a break needs two places, one is left
    QCOMPARE(box->storedLength(), 119);
    QTest::keyClicks(box, QStringLiteral("yz"));
    QCOMPARE(box->toPlainText(), QString(119, u'x') + u'y');
    // Deleting makes room again.
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(box->storedLength(), 120);
    QVERIFY(box->storedText().endsWith(QStringLiteral("x\r\n")));

    s.probe.Text1()->clear();
    s.type(s.probe.Text1(), QString(230, u'w'));
    QCOMPARE(s.probe.Text1()->storedLength(), 222);
}

void TestEditorQuestions::walkingAndSavingChangesNoStoredValue_data() {
    QTest::addColumn<int>("questionLimit");  // the CHECK of the question; 0: none declared
    QTest::addColumn<int>("pictureLimit");   // and of the picture; options take 120 or none
    QTest::addColumn<bool>("checksOff");     // written past the declared limits
    QTest::addColumn<int>("longQuestion");   // a last row this long, with a 504-character picture
    QTest::newRow("wider picture column") << 225 << 255 << false << 0;
    QTest::newRow("no declared limits") << 0 << 0 << false << 3999;
    QTest::newRow("wider declared limits") << 4000 << 1000 << false << 3999;
    QTest::newRow("written past our limits") << 225 << 120 << true << 300;
}

void TestEditorQuestions::walkingAndSavingChangesNoStoredValue() {
    QFETCH(int, questionLimit);
    QFETCH(int, pictureLimit);
    QFETCH(bool, checksOff);
    QFETCH(int, longQuestion);
    // Written by another program: texts no box would produce, and values longer than ours.
    QRandomGenerator random(20261208);
    const QString q = QStringLiteral("Цена\u00A01\u00A0000 рублей?\nт.\u00A0е.\t да\rнет");
    QList<QVariantList> rows = {{q, QStringLiteral("1\u00A0000"), QString(), QVariant(), QVariant(),
                                 QVariant(), QStringLiteral("рис\u00A01.jpg"), 2}};
    const int questionSizes[] = {3, 221, 222, 223, 225};
    const int optionSizes[] = {0, 1, 119, 120};
    for (int i = 0; i < 10; ++i) {
        QVariantList row{foreignText(random, questionSizes[i % 5])};
        for (int option = 0; option < 5; ++option) {
            const int size = optionSizes[(i + option) % 4];
            row << (option >= 2 && size == 0 ? QVariant() : QVariant(foreignText(random, size)));
        }
        row << (i % 3 == 0 ? QVariant(QStringLiteral("img\\") + foreignText(random, 126))
                           : QVariant())
            << 1 + i % 5;
        rows << row;
    }
    const QString longText = QStringLiteral("Очень\u00A0длинный вопрос. ").repeated(200);
    const QString picture = QStringLiteral("img\\") +
                            QStringLiteral("папка с картинками\\").repeated(30).left(496) +
                            QStringLiteral(".jpg");
    if (longQuestion > 0) {
        rows << QVariantList{longText.left(longQuestion),
                             QStringLiteral("да"),
                             QStringLiteral("нет"),
                             QVariant(),
                             QVariant(),
                             QVariant(),
                             picture,
                             1};
    }
    const auto check = [](const QString& column, int limit) {
        return limit == 0 ? QString()
                          : QStringLiteral(" CHECK (length(\"%1\") <= %2)").arg(column).arg(limit);
    };
    QString table = QStringLiteral(
                        "CREATE TABLE test (\"номер\" INTEGER PRIMARY KEY AUTOINCREMENT, "
                        "\"вопрос\" TEXT NOT NULL%1")
                        .arg(check(QStringLiteral("вопрос"), questionLimit));
    for (int option = 0; option < 5; ++option) {
        const QString name = QStringLiteral("ответ%1").arg(option + 1);
        table += QStringLiteral(", \"%1\" TEXT%2").arg(name, check(name, questionLimit ? 120 : 0));
    }
    table += QStringLiteral(", \"фото\" TEXT%1, \"верный\" INTEGER NOT NULL)")
                 .arg(check(QStringLiteral("фото"), pictureLimit));
    QStringList statements = {table};
    if (checksOff)
        statements << QStringLiteral("PRAGMA ignore_check_constraints = ON");
    for (const QVariantList& row : rows) {
        QStringList values;
        for (const QVariant& value : row)
            values << sqlLiteral(value);
        statements << QStringLiteral(
                          "INSERT INTO test (\"вопрос\", \"ответ1\", \"ответ2\", "
                          "\"ответ3\", \"ответ4\", \"ответ5\", \"фото\", \"верный\") "
                          "VALUES (%1)")
                          .arg(values.join(u','));
    }
    EditorSession s;
    s.open(testsupport::makePlainBase(s.folder, QStringLiteral("чужая.mdb"), statements));
    const testsupport::EditorProbe& w = s.probe;
    const QString first = QStringLiteral("Вопрос № 1 из %1").arg(rows.size());
    QCOMPARE(s.caption(), first);

    // Through every question and back, saving on the way: a long stored name is shown whole.
    for (int i = 1; i < rows.size(); ++i) {
        s.click("Command3");
        QCOMPARE(w.ulik()->text(), rows[i][6].toString());
    }
    s.click("Command7");
    for (int i = 1; i < rows.size(); ++i)
        s.click("Command2");
    s.click("Command7");
    QCOMPARE(s.caption(), first);
    QVERIFY(s.dialogs.messages().isEmpty());

    // An edited field is stored as shown: its breaks become CR LF, all else stays.
    w.Text1()->moveCursor(QTextCursor::End);
    s.type(w.Text1(), QStringLiteral("!"));
    s.click("Command7");
    rows[0][0] = QStringLiteral("Цена\u00A01\u00A0000 рублей?\r\nт.\u00A0е.\t да\r\nнет!");

    if (longQuestion > 0) {
        // The long question's last character becomes two, and the picture gains one: stored
        // whole where the columns hold them, told and kept in the boxes where they do not.
        for (int i = 1; i < rows.size(); ++i)
            s.click("Command3");
        QCOMPARE(s.caption(), QStringLiteral("Вопрос № %1 из %1").arg(rows.size()));
        w.Text1()->moveCursor(QTextCursor::End);
        w.Text1()->moveCursor(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
        s.type(w.Text1(), QStringLiteral("!!"));
        w.ulik()->end(false);
        s.type(w.ulik(), QStringLiteral("x"));
        const bool fits = !checksOff;  // only a value written past its check does not fit
        if (!fits) {
            s.dialogs.expectMessage(QStringLiteral(
                "Не записано в базу: текст вопроса, картинка к вопросу. Такой текст не помещается "
                "в поле базы или содержит недопустимый символ. Остальное записано."));
        }
        s.click("Command7");
        VERIFY_ALL_SHOWN(s.dialogs);
        const QString edited = longText.left(longQuestion - 1) + (fits ? "!!" : "!");
        QCOMPARE(w.Text1()->storedText(), edited);
        QCOMPARE(w.ulik()->text(), picture + u'x');
        if (fits) {
            rows.back()[0] = edited;
            rows.back()[6] = picture + u'x';
        }
    }

    const auto stored = s.rowsAfterClosing();
    QCOMPARE(stored.size(), rows.size());
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c) {
            const QVariant& before = rows[r][c];
            const QVariant& after = stored[r][c + 1];
            QVERIFY2(before.isNull() == after.isNull() && before.toString() == after.toString(),
                     qPrintable(QStringLiteral("row %1, column %2").arg(r + 1).arg(c + 1)));
        }
    }
}

void TestEditorQuestions::aFieldChangedBackAfterASaveIsStored_data() {
    QTest::addColumn<QString>("save");   // how each save is made
    QTest::addColumn<QString>("field");  // the control changed and changed back
    QTest::addColumn<bool>("byUndo");    // changed back by Ctrl+Z, else typed again
    const QStringList saves = {"Сохранить", "Вперед on the last", "Назад on the first", "Ctrl+S",
                               "new question"};
    const QStringList fields = {"Text2", "Text(2)", "Text1", "ulik"};
    for (const QString& save : saves) {
        for (const QString& field : fields) {
            for (const bool byUndo : {false, true}) {
                const QString name =
                    save + u' ' + field + (byUndo ? QStringLiteral(", undo") : QString());
                QTest::newRow(qPrintable(name)) << save << field << byUndo;
            }
        }
    }
}

void TestEditorQuestions::aFieldChangedBackAfterASaveIsStored() {
    QFETCH(QString, save);
    QFETCH(QString, field);
    QFETCH(bool, byUndo);
    EditorSession s(3);
    const testsupport::EditorProbe& w = s.probe;
    testsupport::activate(*s.window);
    QWidget* box = field == "Text2"   ? static_cast<QWidget*>(w.Text2())
                   : field == "ulik"  ? static_cast<QWidget*>(w.ulik())
                   : field == "Text1" ? static_cast<QWidget*>(w.Text1())
                                      : static_cast<QWidget*>(w.Text(2));
    const auto shown = [&] {
        if (auto* line = qobject_cast<QLineEdit*>(box))
            return line->text();
        return static_cast<editor::LimitedTextEdit*>(box)->storedText();
    };
    const auto retype = [&](const QString& text) {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Delete);
        // Cyrillic arrives through the input method, as from a keyboard layout.
        QInputMethodEvent typed;
        typed.setCommitString(text);
        QCoreApplication::sendEvent(box, &typed);
    };
    const auto saveNow = [&] {
        if (save == "Вперед on the last")
            s.click("Command3");
        else if (save == "Назад on the first")
            s.click("Command2");
        else if (save == "Ctrl+S")
            testsupport::pressKey(Qt::Key_S, Qt::ControlModifier);
        else
            s.click("Command7");
    };
    if (save == "Вперед on the last") {
        s.click("Command3");
        s.click("Command3");
    } else if (save == "new question") {
        // Its first save stores what is typed into the empty question.
        s.click("Command5");
        s.type(w.Text2(), QStringLiteral("1"));
        s.type(w.Text1(), QStringLiteral("New question"));
        saveNow();
    }
    const QString caption = s.caption();
    // Back to what the field showed when the question came up, the value a stale reference
    // takes for "unchanged".
    const QString first = shown();
    retype(field == "Text2" ? QStringLiteral("3") : QStringLiteral("zzz"));
    saveNow();
    if (byUndo) {
        for (int i = 0; i < 20 && shown() != first; ++i)
            QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    } else {
        retype(first);
    }
    QCOMPARE(shown(), first);
    saveNow();
    VERIFY_ALL_SHOWN(s.dialogs);
    QCOMPARE(s.caption(), caption);

    const QString question = w.Text1()->storedText();
    QStringList options;
    for (editor::LimitedTextEdit* option : w.Text())
        options << option->storedText();
    const QString picture = w.ulik()->text();
    const int correct = w.Text2()->text().trimmed().toInt();
    const int position = caption.section(u' ', 2, 2).toInt();
    const auto rows = s.rowsAfterClosing();
    const QVariantList& row = rows.at(position - 1);
    QCOMPARE(row[1].toString(), question);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(row[2 + i].toString(), options[i]);
    QCOMPARE(row[7].toString(), picture);
    QCOMPARE(row[8].toInt(), correct);
}

void TestEditorQuestions::limitsHoldForEveryWayIn_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<int>("box");  // -1: the question, 0 to 4: the options
    QTest::addColumn<QString>("piece");
    for (const char* way :
         {"keys", "paste", "input method", "accessible set text", "accessible insert", "code"}) {
        // QTest types ASCII only.
        const QString letter =
            qstrcmp(way, "keys") == 0 ? QStringLiteral("z") : QStringLiteral("ж");
        QTest::addRow("%s, question", way) << way << -1 << letter;
        QTest::addRow("%s, option", way) << way << 2 << letter;
    }
    const QString pair = QString::fromUtf8("\U0001F600");
    QTest::newRow("input method, pairs kept whole") << "input method" << -1 << pair;
    QTest::newRow("accessible set text, pairs kept whole") << "accessible set text" << 0 << pair;
    QTest::newRow("paste, breaks count two") << "paste" << -1 << QStringLiteral("д\r\n");
}

void TestEditorQuestions::limitsHoldForEveryWayIn() {
    QFETCH(QString, way);
    QFETCH(int, box);
    QFETCH(QString, piece);
    EditorSession s(1);
    const testsupport::EditorProbe& w = s.probe;
    editor::LimitedTextEdit* edit = box < 0 ? w.Text1() : w.Text(box);
    const QString before = edit->storedText();
    const QString shown = edit->toPlainText();
    QString flood;
    while (flood.size() < 300)
        flood += piece;
    edit->setFocus();
    edit->moveCursor(QTextCursor::End);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(edit);
    if (way == QLatin1String("keys")) {
        QTest::keyClicks(edit, flood);
    } else if (way == QLatin1String("paste")) {
        QGuiApplication::clipboard()->setText(flood);
        edit->paste();
    } else if (way == QLatin1String("input method")) {
        QInputMethodEvent commit;
        commit.setCommitString(flood);
        QCoreApplication::sendEvent(edit, &commit);
    } else if (way == QLatin1String("accessible set text")) {
        accessible->setText(QAccessible::Value, shown + flood);
    } else if (way == QLatin1String("accessible insert")) {
        accessible->editableTextInterface()->insertText(static_cast<int>(shown.size()), flood);
    } else {
        edit->setPlainText(shown + flood);
    }
    const QString text = edit->storedText();
    QVERIFY2(text.size() <= edit->maxLength(), qPrintable(QString::number(text.size())));
    QVERIFY(text.size() > edit->maxLength() - 2);  // as much as fits came in
    QVERIFY(text.startsWith(before));
    QVERIFY(!text.back().isHighSurrogate());
    QVERIFY(!text.endsWith(u'\r'));

    // What the box holds is what "Сохранить" stores.
    s.click("Command7");
    QVERIFY(s.dialogs.messages().isEmpty());
    QCOMPARE(s.stored(box < 0 ? "вопрос" : box == 0 ? "ответ1" : "ответ3").toString(), text);
}

void TestEditorQuestions::tooLongPictureNameIsRefusedAndTold() {
    EditorSession s(2);
    const testsupport::EditorProbe& w = s.probe;
    // Chosen in the picture window: refused with the column's size, the field keeps its name.
    w.ulik()->setText(QStringLiteral("старый.jpg"));
    s.dialogs.expectMessage(editor::kNameTooLongMessage.arg(120));
    s.window->pictureChosen(s.folder.path(QString(117, u'к') + QStringLiteral(".jpg")));
    VERIFY_ALL_SHOWN(s.dialogs);
    QCOMPARE(w.ulik()->text(), QStringLiteral("старый.jpg"));

    // Typed: the rest of the question is stored, the user is told, and nothing moves.
    w.Text1()->setPlainText(QStringLiteral("Новый текст вопроса"));
    w.ulik()->clear();
    s.type(w.ulik(), QString(121, u'p'));
    s.dialogs.expectMessage(kPictureNotStored).expectMessage(kPictureNotStored);
    s.click("Command7");
    s.click("Command3");
    VERIFY_ALL_SHOWN(s.dialogs);
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 1 из 2"));
    QCOMPARE(s.stored("вопрос").toString(), QStringLiteral("Новый текст вопроса"));
    QVERIFY(s.stored("фото").isNull());
}

void TestEditorQuestions::movingBackAndForward() {
    EditorSession s(4);
    const testsupport::EditorProbe& w = s.probe;
    s.click("Command3");
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 2 из 4"));
    QCOMPARE(s.question(), QStringLiteral("Вопрос 2"));
    s.click("Command3");
    s.click("Command3");
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 4 из 4"));
    QCOMPARE(w.tekuschiy(), 4);

    // "Вперед" on the last question stores it and stays.
    w.Text1()->setPlainText(QStringLiteral("Последний, исправленный"));
    s.click("Command3");
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 4 из 4"));
    QCOMPARE(s.question(), QStringLiteral("Последний, исправленный"));
    QCOMPARE(s.stored("вопрос").toString(), QStringLiteral("Последний, исправленный"));

    s.click("Command2");
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 3 из 4"));
    QCOMPARE(s.question(), QStringLiteral("Вопрос 3"));
    s.click("Command2");
    s.click("Command2");
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 1 из 4"));

    // "Назад" on question 1 stores it and stays on row 1.
    w.Text1()->setPlainText(QStringLiteral("Первый, исправленный"));
    s.click("Command2");
    QCOMPARE(w.tekuschiy(), 1);
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 1 из 4"));
    QCOMPARE(s.stored("вопрос").toString(), QStringLiteral("Первый, исправленный"));
    s.click("Command3");
    QCOMPARE(s.question(), QStringLiteral("Вопрос 2"));

    // A failing check stops both directions with the same message.
    w.Text2()->setText(QStringLiteral("семь"));
    s.dialogs.expectMessage(kText).expectMessage(kText);
    s.click("Command2");
    s.click("Command3");
    VERIFY_ALL_SHOWN(s.dialogs);
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 2 из 4"));
    QCOMPARE(s.question(), QStringLiteral("Вопрос 2"));
}

void TestEditorQuestions::positionsPastSixteenBits() {
    // A merged bank: more questions than a 16-bit position can count.
    EditorSession s;
    const QString path = testsupport::makeBase(s.folder, QStringLiteral("big.mdb"), 0);
    {
        qb::Connection connection;
        connection.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
        auto& db = dynamic_cast<qb::SqliteStore&>(connection.store()).database();
        db.exec(QStringLiteral("BEGIN"));
        for (int i = 1; i <= 32767; ++i)
            connection.store().insertRow(QStringLiteral("test"),
                                         {{1, QStringLiteral("Вопрос %1").arg(i)},
                                          {2, QStringLiteral("да")},
                                          {3, QStringLiteral("нет")},
                                          {8, 1}});
        db.exec(QStringLiteral("COMMIT"));
    }
    s.open(path);
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 1 из 32767"));
    s.click("Command5");
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 32768 из 32768"));
    s.probe.Text1()->setPlainText(QStringLiteral("Последний вопрос"));
    s.probe.Text2()->setText(QStringLiteral("2"));
    s.click("Command2");
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 32767 из 32768"));
    QCOMPARE(s.question(), QStringLiteral("Вопрос 32767"));
    s.click("Command3");
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 32768 из 32768"));
    QCOMPARE(s.question(), QStringLiteral("Последний вопрос"));
    VERIFY_ALL_SHOWN(s.dialogs);
}

void TestEditorQuestions::addingAQuestion() {
    EditorSession s(3);
    const testsupport::EditorProbe& w = s.probe;
    s.click("Command5");
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 4 из 4"));
    QCOMPARE(w.tekuschiy(), 4);
    QCOMPARE(s.question(), QString());
    QCOMPARE(w.Text2()->text(), QString());
    QCOMPARE(w.Text(0)->toPlainText(), QString());
    QCOMPARE(s.stored("верный").toInt(), 1);
    QVERIFY(s.stored("ответ3").isNull());

    s.dialogs.expectMessage(kRequired);
    s.click("Command2");
    VERIFY_ALL_SHOWN(s.dialogs);
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 4 из 4"));

    w.Text1()->setPlainText(QStringLiteral("Новый вопрос"));
    w.Text2()->setText(QStringLiteral("2"));
    s.click("Command2");
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 3 из 4"));
    const auto rows = s.rowsAfterClosing();
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows[3][1].toString(), QStringLiteral("Новый вопрос"));
    QCOMPARE(rows[3][8].toInt(), 2);
}

void TestEditorQuestions::deleting_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shown");
    QTest::newRow("third of five") << 3 << "Вопрос № 2 из 4"
                                   << "Вопрос 2";
    QTest::newRow("first of five") << 1 << "Вопрос № 1 из 4"
                                   << "Вопрос 2";
    QTest::newRow("last of five") << 5 << "Вопрос № 4 из 4"
                                  << "Вопрос 4";
}

void TestEditorQuestions::deleting() {
    QFETCH(int, position);
    QFETCH(QString, caption);
    QFETCH(QString, shown);
    EditorSession s(5);
    for (int i = 1; i < position; ++i)
        s.click("Command3");
    s.probe.Text1()->setPlainText(QStringLiteral("дропнется"));
    s.click("Command4");
    VERIFY_ALL_SHOWN(s.dialogs);
    QVERIFY(s.dialogs.messages().isEmpty());
    QCOMPARE(s.caption(), caption);
    QCOMPARE(s.question(), shown);

    // The ids of the others stay, with a gap where the deleted row was; a new one gets a higher id.
    s.click("Command5");
    const auto rows = s.rowsAfterClosing();
    QCOMPARE(rows.size(), 5);
    QList<qint64> ids;
    for (const auto& row : rows)
        ids << row[0].toLongLong();
    QList<qint64> expected = {1, 2, 3, 4, 5};
    expected.removeAt(position - 1);
    expected << 6;
    QCOMPARE(ids, expected);
}

void TestEditorQuestions::deletingTheOnlyQuestionDoesNothing() {
    EditorSession s(1);
    s.click("Command4");
    QVERIFY(s.dialogs.messages().isEmpty());
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 1 из 1"));
    QCOMPARE(s.rowsAfterClosing().size(), 1);
}

void TestEditorQuestions::buttonsDoNothingWithoutABase() {
    EditorSession s;
    s.probe.Text2()->setText(QString());
    for (const char* button :
         {"Command7", "Command2", "Command3", "Command5", "Command4", "Command1"})
        s.click(QString::fromLatin1(button));
    QVERIFY(s.dialogs.shown().isEmpty());
    QCOMPARE(s.caption(), QStringLiteral("Вопрос №"));
}

void TestEditorQuestions::refusedCommitIsReportedAndNothingMoves() {
    EditorSession s(3);
    const testsupport::EditorProbe& w = s.probe;
    // Nothing was written since opening, so the journal does not exist yet. A folder where the
    // base's journal must go: every commit is refused until it is removed.
    QVERIFY(QDir().mkdir(s.path + QStringLiteral("-journal")));
    w.Text1()->setPlainText(QStringLiteral("Набранный текст"));
    s.dialogs.expectMessage().expectMessage().expectMessage();
    s.click("Command7");
    s.click("Command3");
    s.click("Command5");
    VERIFY_ALL_SHOWN(s.dialogs);
    for (const QString& message : s.dialogs.messages())
        QVERIFY2(message.startsWith(QStringLiteral("Не удалось записать вопрос")),
                 qPrintable(message));
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 1 из 3"));
    QCOMPARE(s.question(), QStringLiteral("Набранный текст"));
    QCOMPARE(w.voprosy().recordCount(), 3);

    QVERIFY(QDir().rmdir(s.path + QStringLiteral("-journal")));
    s.click("Command3");
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 2 из 3"));
    const auto rows = s.rowsAfterClosing();
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0][1].toString(), QStringLiteral("Набранный текст"));
}

void TestEditorQuestions::refusedDeleteIsReportedAndTheRowShownAgain() {
    EditorSession s(3);
    QVERIFY(QDir().mkdir(s.path + QStringLiteral("-journal")));
    s.dialogs.expectMessage();
    s.click("Command4");
    VERIFY_ALL_SHOWN(s.dialogs);
    QVERIFY(s.dialogs.messages().first().startsWith(QStringLiteral("Не удалось удалить вопрос")));
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 1 из 3"));
    QCOMPARE(s.question(), QStringLiteral("Вопрос 1"));
    QVERIFY(QDir().rmdir(s.path + QStringLiteral("-journal")));
    QCOMPARE(s.rowsAfterClosing().size(), 3);
}

void TestEditorQuestions::creatingABase_data() {
    QTest::addColumn<QString>("name");  // relative to the test folder
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("created");
    QTest::newRow("new name") << "новая.mdb" << QString() << true;
    QTest::newRow("existing file") << "q.mdb"
                                   << "Такой файл уже существует" << false;
    QTest::newRow("capital extension") << "НОВАЯ.MDB"
                                       << "База данных должна быть формата .mdb" << false;
    QTest::newRow("dot only in the folder") << "папка.d/новая"
                                            << "База данных должна быть формата .mdb" << false;
    QTest::newRow("no dot at all") << "новая" << QString() << false;
    QTest::newRow("folder that does not exist") << "нет/новая.mdb" << QString() << false;
}

void TestEditorQuestions::creatingABase() {
    QFETCH(QString, name);
    QFETCH(QString, message);
    QFETCH(bool, created);
    EditorSession s(2);
    QVERIFY(QDir(s.folder.folder()).mkdir(QStringLiteral("папка.d")));
    const QString path = s.folder.path(name);
    const bool existed = QFile::exists(path);
    s.dialogs.expectSaveFile(path);
    if (!message.isEmpty())
        s.dialogs.expectMessage(message);
    s.trigger("crtest");
    VERIFY_ALL_SHOWN(s.dialogs);
    QCOMPARE(s.dialogs.messages().size(), message.isEmpty() ? 0 : 1);
    const auto& options = s.dialogs.shown().at(1).options;
    QCOMPARE(options.title, QStringLiteral("Сохраняем новую базу вопросов"));
    QCOMPARE(options.initialFolder, s.folder.folder());
    QVERIFY(options.allowNewName);

    // Whatever happened, the base that was open is closed and the window is cleared.
    QVERIFY(!s.probe.baza().isOpen());
    QCOMPARE(s.caption(), QString());
    QVERIFY(!s.probe.Text1()->isEnabled());
    QCOMPARE(QFile::exists(path), created || existed);
    if (!created)
        QVERIFY(!QFile::exists(path + QStringLiteral("-journal")));
    if (created) {
        qb::Connection connection;
        connection.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
        qb::Catalog catalog;
        catalog.setActiveConnection(&connection);
        QCOMPARE(catalog.columnNames(QStringLiteral("test")),
                 QStringList({"номер", "вопрос", "ответ1", "ответ2", "ответ3", "ответ4", "ответ5",
                              "фото", "верный"}));
        QCOMPARE(catalog.columnNames(QStringLiteral("info")),
                 QStringList({"код", "инфо", "время", "ВремяНа"}));
    }
}

void TestEditorQuestions::createdBaseOpensWithOneEmptyQuestion() {
    EditorSession s;
    const QString path = s.folder.path(QStringLiteral("первая.mdb"));
    s.dialogs.expectSaveFile(path).expectOpenFile(path);
    s.trigger("crtest");
    s.trigger("optest");
    VERIFY_ALL_SHOWN(s.dialogs);
    QVERIFY(s.dialogs.messages().isEmpty());
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 1 из 1"));
    QCOMPARE(s.probe.Text2()->text(), QStringLiteral("1"));
    QCOMPARE(s.question(), QString());
}

void TestEditorQuestions::baseInAFolderNamedLikeThePasswordPart_data() {
    QTest::addColumn<bool>("create");  // made with "Создать новый тест", or there already
    QTest::addColumn<int>("questions");
    QTest::newRow("created there") << true << 1;
    QTest::newRow("opened there") << false << 3;
}

void TestEditorQuestions::baseInAFolderNamedLikeThePasswordPart() {
    // Cut at the password part, the chosen path names "x", a base of its own beside the folder.
    QFETCH(bool, create);
    QFETCH(int, questions);
    EditorSession s;
    const QString folder = QStringLiteral("x;Jet OLEDB:Database Password=y");
    QVERIFY(QDir(s.folder.folder()).mkdir(folder));
    const QString decoy = testsupport::makeBase(s.folder, QStringLiteral("x"), 2);
    const auto bytesOf = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray decoyBefore = bytesOf(decoy);
    const QString name = folder + QStringLiteral("/новая.mdb");
    const QString chosen = s.folder.path(name);
    if (create) {
        s.dialogs.expectSaveFile(chosen);
        s.trigger("crtest");
    } else {
        testsupport::makeBase(s.folder, name, questions);
    }
    QVERIFY(QFile::exists(chosen));

    s.open(chosen);
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № 1 из %1").arg(questions));
    s.probe.Text1()->setPlainText(QStringLiteral("Изменённый вопрос"));
    s.probe.Text2()->setText(QStringLiteral("2"));
    s.click("Command7");
    s.click("Command5");  // a new question, stored by moving onto it, then deleted
    QCOMPARE(s.caption(), QStringLiteral("Вопрос № %1 из %1").arg(questions + 1));
    s.click("Command4");
    VERIFY_ALL_SHOWN(s.dialogs);
    QVERIFY(s.dialogs.messages().isEmpty());

    const auto rows = s.rowsAfterClosing();
    QCOMPARE(rows.size(), questions);
    QCOMPARE(rows[0][1].toString(), QStringLiteral("Изменённый вопрос"));
    QCOMPARE(rows[0][8].toInt(), 2);
    QCOMPARE(bytesOf(decoy), decoyBefore);
    QCOMPARE(QDir(s.folder.folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList({QStringLiteral("x"), folder}));
    QCOMPARE(QDir(s.folder.path(folder)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList(QStringLiteral("новая.mdb")));
}

QTEST_MAIN(TestEditorQuestions)
#include "tst_editorquestions.moc"
