// The tables a grading saves and the class list it reads: CSV as a spreadsheet in a Russian
// locale opens it without asking about encoding or separators.

#include "grading/core/gradebook.h"

#include "exchange/source.h"

#include <QRegularExpression>

namespace grading {

namespace {

const QByteArray kBom = QByteArrayLiteral("\xEF\xBB\xBF");
const QByteArray kLineEnd = QByteArrayLiteral("\r\n");
constexpr int kOptions = 5;

QByteArray field(const QString& text) {
    QByteArray bytes = text.toUtf8();
    if (bytes.contains(';') || bytes.contains('"') || bytes.contains('\n') ||
        bytes.contains('\r')) {
        bytes.replace('"', "\"\"");
        bytes = '"' + bytes + '"';
    }
    return bytes;
}

QByteArray line(const QStringList& fields) {
    QByteArray bytes;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            bytes += ';';
        bytes += field(fields[i]);
    }
    return bytes + kLineEnd;
}

// A decimal comma, and never "-0,00" for a difference that only rounds to nothing.
QString decimal(double value, int decimals) {
    QString text = QString::number(value, 'f', decimals);
    if (text.startsWith(u'-') && text.mid(1).count(u'0') == text.size() - 2)
        text.remove(0, 1);
    return text.replace(u'.', u',');
}

QString optionalDecimal(const std::optional<double>& value, int decimals) {
    return value ? decimal(*value, decimals) : QString();
}

QString questionTitle(int position) {
    return QStringLiteral("Вопрос № %1").arg(position);
}

// One line's fields; a field in quotes may hold the separator and doubled quotes.
QStringList splitFields(QStringView entry, QChar separator) {
    QStringList fields;
    QString current;
    bool quoted = false;
    for (qsizetype i = 0; i < entry.size(); ++i) {
        const QChar c = entry[i];
        if (quoted) {
            if (c == u'"' && i + 1 < entry.size() && entry[i + 1] == u'"') {
                current += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                current += c;
            }
        } else if (c == u'"' && current.trimmed().isEmpty()) {
            quoted = true;
            current.clear();
        } else if (c == separator) {
            fields << current.trimmed();
            current.clear();
        } else {
            current += c;
        }
    }
    fields << current.trimmed();
    return fields;
}

}  // namespace

QByteArray resultsCsv(const GradeReport& report) {
    QStringList header{QStringLiteral("№ по списку"), QStringLiteral("Фамилия Имя"),
                       QStringLiteral("Вариант"),     QStringLiteral("Верно"),
                       QStringLiteral("Процент"),     QStringLiteral("Оценка")};
    for (int position = 1; position <= report.baseQuestions; ++position)
        header << questionTitle(position);
    QByteArray csv = kBom + line(header);
    for (const StudentResult& student : report.students) {
        QStringList row{student.listNumber ? QString::number(*student.listNumber) : QString(),
                        student.name,
                        QString::number(student.variant),
                        QString::number(student.right),
                        decimal(student.percent, 1),
                        QString::number(student.mark)};
        for (int i = 0; i < report.baseQuestions; ++i) {
            const std::optional<int> option = student.chosen.value(i);
            row << (option ? QString::number(*option) : QString());
        }
        csv += line(row);
    }
    return csv;
}

QByteArray analysisCsv(const GradeReport& report) {
    QStringList header{QStringLiteral("Вопрос"), QStringLiteral("Задан"), QStringLiteral("Верно"),
                       QStringLiteral("Доля верных"), QStringLiteral("Дискриминативность")};
    for (int option = 1; option <= kOptions; ++option)
        header << QStringLiteral("Выбран %1").arg(option);
    header << QStringLiteral("Без ответа");
    QByteArray csv = kBom + line(header);
    for (const ItemStats& item : report.items) {
        QStringList row{questionTitle(item.position), QString::number(item.asked),
                        QString::number(item.right), optionalDecimal(item.difficulty, 2),
                        optionalDecimal(item.discrimination, 2)};
        for (int count : item.chosen)
            row << QString::number(count);
        row << QString::number(item.unanswered);
        csv += line(row);
    }
    return csv;
}

std::optional<ClassList> readClassList(const QByteArray& bytes) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    static const QRegularExpression number(QStringLiteral("^(\\d{1,2})\\.?$"));
    ClassList list;
    const QString text = exchange::decodeText(bytes);
    for (const QString& entry : text.split(lineBreak, Qt::SkipEmptyParts)) {
        // A spreadsheet saves with ";" in a Russian locale, with "," or a tab elsewhere; a comma
        // may also sit inside a name written "Фамилия, Имя" after a ";".
        const QChar separator = entry.contains(u';') ? u';' : entry.contains(u'\t') ? u'\t' : u',';
        QStringList fields = splitFields(entry, separator);
        const QRegularExpressionMatch match = number.match(fields.value(0));
        if (!match.hasMatch())
            continue;  // a header, a title, an empty row of the spreadsheet
        const int n = match.captured(1).toInt();
        // The surname and the name may stand in columns of their own.
        fields.removeFirst();
        fields.removeAll(QString());
        const QString name = fields.join(u' ').simplified();
        if (n < 1 || name.isEmpty() || list.contains(n))
            continue;
        list.insert(n, name);
    }
    if (list.isEmpty())
        return std::nullopt;
    return list;
}

}  // namespace grading
