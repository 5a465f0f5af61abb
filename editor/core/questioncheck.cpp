#include "editor/core/questioncheck.h"

#include "questionbase/numberentry.h"

namespace editor {

QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

QString checkQuestion(const QString& correctOption, const QString& questionText,
                      const QLocale& locale) {
    if (correctOption.isEmpty() || correctOption == QStringLiteral(" "))
        return QStringLiteral(
            "Поле номер верного ответа обязательное\r\n"
            "Если хотите сохранить вопрос введите число от 1 до 5");
    const qb::WholeNumber number = qb::parseNumber16(trimBlanks(correctOption), locale);
    if (number.status == qb::NumberStatus::NotANumber)
        return QStringLiteral("Почему у вас текст вместо номера верного ответа?");
    if (number.status == qb::NumberStatus::OutOfRange)
        return QStringLiteral("Слишком большое число в поле верного ответа");
    if (number.value < 1 || number.value > 5)
        return QStringLiteral("Неверное значение в поле номер верного ответа! Исправьте!");
    // UTF-16 code units, the unit the text box counts; a line break is stored as CR LF.
    if (questionText.size() < 3)
        return QStringLiteral("Слишком короткий вопрос! Так нельзя");
    return {};
}

}  // namespace editor
