#include "grading/ui/gradingtables.h"

namespace grading {

namespace {

QString questionTitle(int position) {
    return QStringLiteral("Вопрос № %1").arg(position);
}

QVariant number(const std::optional<int>& value) {
    return value ? QVariant(*value) : QVariant(QString());
}

QVariant share(const std::optional<double>& value) {
    return value ? QVariant(decimal(*value, 2)) : QVariant(QString());
}

enum AnalysisColumn { Question, Asked, Right, Difficulty, Discrimination, FirstOption };
constexpr int kOptions = 5;
constexpr int kAnalysisColumns = FirstOption + kOptions + 1;

}  // namespace

QString decimal(double value, int decimals) {
    // As the saved tables write it: a decimal comma, and no "-0,00" for a rounded nothing.
    QString text = QString::number(value, 'f', decimals);
    if (text.startsWith(u'-') && text.count(u'0') == text.size() - 2)
        text.remove(0, 1);
    return text.replace(u'.', u',');
}

ResultsModel::ResultsModel(GradeReport& report, Gradebook& book, const ClassList& classList,
                           QObject* parent)
    : QAbstractTableModel(parent), report_(report), book_(book), classList_(classList) {}

void ResultsModel::reset() {
    beginResetModel();
    nameCrops_.clear();
    endResetModel();
}

int ResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(report_.students.size());
}

int ResultsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FirstQuestion + report_.baseQuestions;
}

bool ResultsModel::nameFromList(int row) const {
    const std::optional<int> listNumber = report_.students[row].listNumber;
    return listNumber && classList_.contains(*listNumber);
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const StudentResult& student = report_.students[index.row()];
    if (index.column() == Name && role == Qt::DecorationRole && !nameFromList(index.row())) {
        // What the student wrote, for the teacher to read and type; drawn when the row is.
        auto cached = nameCrops_.constFind(student.sheet);
        if (cached == nameCrops_.cend()) {
            const QImage crop = book_.form(student.sheet).nameCrop.image();
            cached = nameCrops_.insert(
                student.sheet,
                crop.isNull() ? QImage()
                              : crop.scaledToHeight(kNameCropHeight, Qt::SmoothTransformation));
        }
        if (cached->isNull())
            return {};
        return *cached;
    }
    if (index.column() == Name && role == Qt::AccessibleTextRole && student.name.isEmpty())
        return QStringLiteral("имя не вписано");
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::AccessibleTextRole)
        return {};
    switch (index.column()) {
        case ListNumber:
            return number(student.listNumber);
        case Name:
            return student.name;
        case Variant:
            return student.variant;
        case Right:
            return student.right;
        case Percent:
            return decimal(student.percent, 1);
        case Mark:
            return student.mark;
        default:
            return number(student.chosen.value(index.column() - FirstQuestion));
    }
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    switch (section) {
        case ListNumber:
            return QStringLiteral("№ по списку");
        case Name:
            return QStringLiteral("Фамилия Имя");
        case Variant:
            return QStringLiteral("Вариант");
        case Right:
            return QStringLiteral("Верно");
        case Percent:
            return QStringLiteral("Процент");
        case Mark:
            return QStringLiteral("Оценка");
        default:
            return questionTitle(section - FirstQuestion + 1);
    }
}

Qt::ItemFlags ResultsModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == Name && !nameFromList(index.row()))
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool ResultsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    StudentResult& student = report_.students[index.row()];
    const QString name = value.toString().simplified();
    book_.setName(student.sheet, name);
    // The report is the one the files are saved from: it says what the table says.
    student.name = name;
    emit dataChanged(index, index);
    return true;
}

AnalysisModel::AnalysisModel(const GradeReport& report, QObject* parent)
    : QAbstractTableModel(parent), report_(report) {}

void AnalysisModel::reset() {
    beginResetModel();
    endResetModel();
}

int AnalysisModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(report_.items.size());
}

int AnalysisModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kAnalysisColumns;
}

QVariant AnalysisModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() ||
        (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    const ItemStats& item = report_.items[index.row()];
    switch (index.column()) {
        case Question:
            return questionTitle(item.position);
        case Asked:
            return item.asked;
        case Right:
            return item.right;
        case Difficulty:
            return share(item.difficulty);
        case Discrimination:
            return share(item.discrimination);
        default:
            break;
    }
    const int option = index.column() - FirstOption;
    return option < kOptions ? item.chosen[option] : item.unanswered;
}

QVariant AnalysisModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    switch (section) {
        case Question:
            return QStringLiteral("Вопрос");
        case Asked:
            return QStringLiteral("Задан");
        case Right:
            return QStringLiteral("Верно");
        case Difficulty:
            return QStringLiteral("Доля верных");
        case Discrimination:
            return QStringLiteral("Дискриминативность");
        default:
            break;
    }
    const int option = section - FirstOption;
    return option < kOptions ? QStringLiteral("Выбран %1").arg(option + 1)
                             : QStringLiteral("Без ответа");
}

}  // namespace grading
