#pragma once

// The questions the save driver writes, shared with the test that checks them after a kill:
// the driver reports only a counter, and both sides derive the same texts from it.

#include <QString>
#include <QStringList>
#include <QVariant>

namespace reliability {

// The columns the editor's save writes, in the order it writes them.
inline const QStringList kSavedColumns = {QStringLiteral("вопрос"), QStringLiteral("верный"),
                                          QStringLiteral("ответ1"), QStringLiteral("ответ2"),
                                          QStringLiteral("ответ3"), QStringLiteral("ответ4"),
                                          QStringLiteral("ответ5"), QStringLiteral("фото")};

// The values for save number `n`, as the editor hands them to the fields: every value is text,
// an empty box is empty text. Lengths vary so rows move between pages.
inline QStringList questionFor(qint64 n) {
    const int filler = static_cast<int>(n % 97);
    QStringList values;
    values << QStringLiteral("Вопрос %1 ").arg(n) + QString(filler, QChar(u'я'))
           << QString::number(1 + n % 5);
    for (int option = 1; option <= 5; ++option) {
        values << (option > 2 && (n + option) % 3 == 0
                       ? QString()
                       : QStringLiteral("Ответ %1.%2 ").arg(n).arg(option) +
                             QString(static_cast<int>((n * option) % 60), QChar(u'ж')));
    }
    values << (n % 4 == 0 ? QString() : QStringLiteral("рисунки\\%1.jpg").arg(n));
    return values;
}

// A stored value as text, so what the base returns compares with questionFor().
inline QString storedText(const QVariant& value) {
    return value.isNull() ? QStringLiteral("<отсутствует>") : value.toString();
}

// The three password statements, cycled: set, change, remove.
inline const QString kFirstPassword = QStringLiteral("Ключ-1");
inline const QString kSecondPassword = QStringLiteral("второй=2");

}  // namespace reliability
