#include "editor/core/basecheck.h"

#include "editor/core/nearduplicates.h"
#include "editor/core/picturechoice.h"
#include "editor/core/picturefit.h"
#include "editor/core/spellingcheck.h"
#include "exchange/windows1251.h"
#include "language/words.h"
#include "questionbase/error.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QRegularExpression>

#include <algorithm>
#include <unordered_map>
#include <utility>
#include <vector>

namespace editor {

namespace columns = qb::columns;

namespace {

// One position holding more than this share of the right answers is worth a remark once the
// test has at least kAnswerShareMinimum questions: a student who always picks it does too well.
constexpr int kAnswerShareMinimum = 10;
constexpr double kAnswerShareLimit = 0.4;

static_assert(BaseCheck::finishSteps() == NearDuplicates::steps());

// How many characters outside the code page a remark lists.
constexpr int kListedCharacters = 8;

bool isFilled(const QString& text) {
    return !text.trimmed().isEmpty();
}

// The characters of a text that Windows-1251 cannot hold, each once, in order of appearance.
QStringList outsideCodePage(const QString& text) {
    QStringList found;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (exchange::fitsWindows1251(unit))
            continue;
        char32_t code = unit;
        qsizetype length = 1;
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            code = QChar::surrogateToUcs4(unit, text[i + 1].unicode());
            length = 2;
        }
        // Shown with its code: many of them (a non-breaking hyphen, a narrow space) look like
        // characters the code page has.
        const QString shown = QStringLiteral("«%1» (U+%2)")
                                  .arg(text.mid(i, length),
                                       QString::number(code, 16).toUpper().rightJustified(4, u'0'));
        if (!found.contains(shown))
            found << shown;
        i += length - 1;
    }
    return found;
}

}  // namespace

QString CheckFinding::line() const {
    return question > 0 ? QStringLiteral("Вопрос № %1: %2").arg(question).arg(text) : text;
}

QString BaseCheckResult::summary() const {
    const QString counts =
        QStringLiteral("Вопросов: %1, замечаний: %2").arg(questions).arg(findings.size());
    return spellingChecked ? counts : counts + QStringLiteral(", орфография не проверялась");
}

struct BaseCheck::State {
    explicit State(language::Language& language) : language(language), spelling(language) {}

    QString baseFilePath;
    QString baseFolder;
    int questions = 0;
    QList<CheckFinding> baseFindings;
    // Per question, the findings of the question alone.
    std::vector<QList<CheckFinding>> perQuestion;
    std::vector<qint64> rows;                       // per question, its row in the store
    std::unordered_map<quint64, int> firstWithKey;  // exact-duplicate key -> first position
    std::array<int, columns::kOptionCount> rightAt{};
    QHash<QString, QString> pictureRemarks;  // stored name -> remark, or empty when fine
    language::Language& language;
    NearDuplicates nearDuplicates;
    SpellingCheck spelling;
    language::FoldedWords textWords;  // the question on hand
    std::array<language::FoldedWords, columns::kOptionCount> optionWords;
    std::vector<language::Language::Entry> textEntries;  // its words' dictionary entries
    std::vector<language::Language::Entry> optionEntries;

    void add(int question, const QString& text) { perQuestion.back().append({question, text}); }
    void checkOptions(int k, const CheckedQuestion& q);
    void checkPicture(int k, const QString& picture);
    void checkCodePage(int k, const CheckedQuestion& q);
    bool rememberExact(int k, const CheckedQuestion& q);
    void readWords(const CheckedQuestion& q);
    QString pictureRemark(const QString& picture) const;
};

BaseCheck::BaseCheck(const QString& baseFilePath, language::Language& language)
    : d(std::make_unique<State>(language)) {
    d->baseFilePath = baseFilePath;
    d->baseFolder = QDir::cleanPath(QFileInfo(baseFilePath).absolutePath());
}

BaseCheck::~BaseCheck() = default;

void BaseCheck::addQuestion(const CheckedQuestion& question) {
    const int k = ++d->questions;
    d->perQuestion.emplace_back();
    d->rows.push_back(question.row);
    if (!isFilled(question.text))
        d->add(k, QStringLiteral("пустой текст вопроса"));
    d->checkOptions(k, question);
    d->checkPicture(k, question.picture);
    d->checkCodePage(k, question);
    d->readWords(question);
    const bool exactDuplicate = d->rememberExact(k, question);
    d->nearDuplicates.add(d->textEntries, d->optionEntries, exactDuplicate);
}

void BaseCheck::State::readWords(const CheckedQuestion& q) {
    // Each word is looked up once for its keys, which the near-duplicate search compares and
    // which tell the spelling whether the word is known.
    const int index = questions - 1;
    const auto entriesOf = [&](const language::FoldedWords& words, const QString& text,
                               std::vector<language::Language::Entry>& entries) {
        for (size_t i = 0; i < words.size(); ++i) {
            const language::Language::Entry entry = language.lookup(words.word(i));
            entries.push_back(entry);
            const auto [start, length] = words.written(i);
            spelling.add(index, QStringView(text).mid(start, length), entry);
        }
    };
    textEntries.clear();
    optionEntries.clear();
    textWords.read(q.text);
    entriesOf(textWords, q.text, textEntries);
    for (int i = 0; i < columns::kOptionCount; ++i) {
        optionWords[i].read(q.options[i]);
        entriesOf(optionWords[i], q.options[i], optionEntries);
    }
}

void BaseCheck::State::checkOptions(int k, const CheckedQuestion& q) {
    std::array<bool, columns::kOptionCount> filled{};
    int filledCount = 0;
    int lastFilled = -1;
    for (int i = 0; i < columns::kOptionCount; ++i) {
        filled[i] = isFilled(q.options[i]);
        if (filled[i]) {
            ++filledCount;
            lastFilled = i;
        }
    }

    bool numeric = false;
    const int right = q.correct.isNull() ? 0 : q.correct.toString().trimmed().toInt(&numeric);
    if (q.correct.isNull() || q.correct.toString().trimmed().isEmpty())
        add(k, QStringLiteral("номер верного ответа не задан"));
    else if (!numeric)
        add(k, QStringLiteral("номер верного ответа «%1» — не число").arg(q.correct.toString()));
    else if (right < 1 || right > columns::kOptionCount)
        add(k, QStringLiteral("номер верного ответа %1 — вне пределов от 1 до %2")
                   .arg(right)
                   .arg(columns::kOptionCount));
    else if (!filled[right - 1])
        add(k, QStringLiteral("верный ответ — вариант %1, а он пустой").arg(right));
    if (numeric && right >= 1 && right <= columns::kOptionCount)
        ++rightAt[right - 1];

    if (filledCount < 2)
        add(k, QStringLiteral("меньше двух вариантов ответа (заполнено: %1)").arg(filledCount));

    QStringList gaps;
    for (int i = 0; i < lastFilled; ++i) {
        if (!filled[i])
            gaps << QString::number(i + 1);
    }
    if (!gaps.isEmpty())
        add(k, (gaps.size() == 1 ? QStringLiteral("пустой вариант %1 стоит между заполненными")
                                 : QStringLiteral("пустые варианты %1 стоят между заполненными"))
                       .arg(gaps.join(QStringLiteral(", "))) +
                   QStringLiteral(": программа тестирования может показать пустую строку"));

    std::array<QString, columns::kOptionCount> plain;
    for (int i = 0; i < columns::kOptionCount; ++i)
        plain[i] = filled[i] ? q.options[i].toCaseFolded().simplified() : QString();
    std::array<bool, columns::kOptionCount> repeated{};
    for (int i = 0; i < columns::kOptionCount; ++i) {
        for (int j = i + 1; j < columns::kOptionCount && filled[i] && !repeated[i]; ++j) {
            if (filled[j] && !repeated[j] && plain[i] == plain[j]) {
                repeated[j] = true;
                add(k, QStringLiteral("варианты %1 и %2 совпадают").arg(i + 1).arg(j + 1));
            }
        }
    }
}

QString BaseCheck::State::pictureRemark(const QString& picture) const {
    if (!isPictureName(picture))
        return QStringLiteral(
                   "«%1» — не картинка: имя должно оканчиваться на BMP, JPG, JPEG "
                   "или GIF")
            .arg(picture);
    const QString relative = QString(picture).replace(u'\\', u'/');
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    const QString full = QDir::cleanPath(
        QDir::fromNativeSeparators(pictureFullPath(baseFilePath, toNativeSeparators(picture))));
    const QString cleanRelative = QDir::cleanPath(relative);
    if (QDir::isAbsolutePath(relative) || relative.startsWith(u'/') || relative.contains(drive) ||
        cleanRelative == QStringLiteral("..") || cleanRelative.startsWith(QStringLiteral("../")) ||
        !full.startsWith(baseFolder + u'/'))
        return QStringLiteral("картинка «%1» лежит вне папки базы").arg(picture);
    const QFileInfo info(full);
    if (!info.exists())
        return QStringLiteral("картинки «%1» нет в папке базы").arg(picture);
    QImageReader reader(full);
    if (!info.isFile() || !reader.canRead() || !reader.size().isValid())
        return QStringLiteral("картинку «%1» не удаётся прочитать").arg(picture);
    return {};
}

void BaseCheck::State::checkPicture(int k, const QString& picture) {
    if (picture.trimmed().isEmpty())
        return;
    auto known = pictureRemarks.constFind(picture);
    if (known == pictureRemarks.cend())
        known = pictureRemarks.insert(picture, pictureRemark(picture));
    if (!known->isEmpty())
        add(k, *known);
}

void BaseCheck::State::checkCodePage(int k, const CheckedQuestion& q) {
    const auto check = [&](const QString& text, const QString& where) {
        QStringList found = outsideCodePage(text);
        if (found.isEmpty())
            return;
        const bool more = found.size() > kListedCharacters;
        found = found.mid(0, kListedCharacters);
        add(k, QStringLiteral("в %1 есть знаки, которых нет в кодировке Windows-1251: %2%3; при "
                              "выгрузке в текст вместо них будет «?»")
                   .arg(where, found.join(QStringLiteral(", ")),
                        more ? QStringLiteral(" и другие") : QString()));
    };
    check(q.text, QStringLiteral("тексте вопроса"));
    for (int i = 0; i < columns::kOptionCount; ++i)
        check(q.options[i], QStringLiteral("варианте %1").arg(i + 1));
}

bool BaseCheck::State::rememberExact(int k, const CheckedQuestion& q) {
    // A 64-bit hash of the folded question and its sorted options stands for the texts, so a
    // large base is not held in memory; two of 100,000 questions collide with a probability
    // near 1e-9.
    // Empty options sort last and are left out.
    std::array<quint64, columns::kOptionCount> options;
    options.fill(~0ULL);
    int filled = 0;
    for (int i = 0; i < columns::kOptionCount; ++i) {
        if (isFilled(q.options[i]))
            options[filled++] = language::hashOf(optionWords[i].buffer(), 3);
    }
    std::sort(options.begin(), options.end());
    quint64 hash = language::hashOf(textWords.buffer(), 1);
    for (int i = 0; i < filled; ++i)
        hash = language::mix(hash * 0x100000001b3ULL + options[i]);
    const auto [at, inserted] = firstWithKey.emplace(hash, k);
    if (inserted || !isFilled(q.text))
        return false;
    add(k, QStringLiteral("совпадает с вопросом № %1").arg(at->second));
    return true;
}

void BaseCheck::setSettings(const CheckedSettings& settings) {
    if (!settings.time.isNull()) {
        bool numeric = false;
        const qint64 time = settings.time.toString().trimmed().toLongLong(&numeric);
        if (!numeric)
            d->baseFindings.append({0, QStringLiteral("время в настройках теста «%1» — не число")
                                           .arg(settings.time.toString())});
        else if (time < 0)
            d->baseFindings.append(
                {0, QStringLiteral("время в настройках теста отрицательное (%1); 0 значит «без "
                                   "ограничения»")
                        .arg(time)});
    }
    const QString target = settings.timeTarget.toString();
    if (target != columns::kPerQuestion && target != columns::kWholeTest)
        d->baseFindings.append(
            {0, QStringLiteral("в настройках теста время дано на «%1», а должно быть на «%2» или "
                               "на «%3»")
                    .arg(target, columns::kPerQuestion, columns::kWholeTest)});
}

std::optional<BaseCheckResult> BaseCheck::finish(const std::function<bool(int step)>& step) {
    const std::optional<std::vector<int>> nearest = d->nearDuplicates.find(step);
    if (!nearest)
        return std::nullopt;
    for (int k = 0; k < d->questions; ++k) {
        if ((*nearest)[size_t(k)] >= 0)
            d->perQuestion[size_t(k)].append(
                {k + 1, QStringLiteral("похож на вопрос № %1").arg((*nearest)[size_t(k)] + 1)});
    }
    for (const SpellingCheck::Typo& typo : d->spelling.typos())
        d->perQuestion[size_t(typo.question)].append(
            {typo.question + 1, QStringLiteral("возможно, опечатка: «%1»").arg(typo.word)});
    BaseCheckResult result;
    result.questions = d->questions;
    result.spellingChecked = d->spelling.enabled();
    result.findings = d->baseFindings;
    if (d->questions >= kAnswerShareMinimum) {
        const auto most = std::max_element(d->rightAt.begin(), d->rightAt.end());
        const double share = double(*most) / double(d->questions);
        if (share > kAnswerShareLimit)
            result.findings.append(
                {0, QStringLiteral("верный ответ чаще всего под номером %1 (%2 % вопросов)")
                        .arg(int(most - d->rightAt.begin()) + 1)
                        .arg(qRound(share * 100))});
    }
    for (size_t k = 0; k < d->perQuestion.size(); ++k) {
        for (CheckFinding& finding : d->perQuestion[k]) {
            finding.row = d->rows[k];
            result.findings += finding;
        }
    }
    return result;
}

namespace {

bool hasTable(qb::Store& store, const QString& table) {
    const QStringList tables = store.tableNames();
    return std::any_of(tables.begin(), tables.end(), [&](const QString& name) {
        return name.compare(table, Qt::CaseInsensitive) == 0;
    });
}

struct Stopped {};

}  // namespace

std::optional<BaseCheckResult> checkBase(qb::Store& store, const QString& baseFilePath,
                                         const CheckProgress& progress,
                                         language::Language& language) {
    BaseCheck check(baseFilePath, language);

    if (hasTable(store, columns::kSettingsTable)) {
        const QList<qb::ColumnInfo> settingsColumns = store.columns(columns::kSettingsTable);
        const int time = qb::columnPosition(settingsColumns, columns::kTime);
        const int target = qb::columnPosition(settingsColumns, columns::kTimeTarget);
        bool first = true;
        try {
            store.scanRows(columns::kSettingsTable, [&](const qb::RowView& row) {
                if (!first)
                    throw Stopped{};
                first = false;
                check.setSettings({time >= 0 ? row.value(time) : QVariant(),
                                   target >= 0 ? row.value(target) : QVariant()});
            });
        } catch (const Stopped&) {
        }
    }

    const QList<qb::ColumnInfo> questionColumns = store.columns(columns::kQuestionsTable);
    const int text = qb::columnPosition(questionColumns, columns::kQuestion);
    std::array<int, columns::kOptionCount> options{};
    for (int i = 0; i < columns::kOptionCount; ++i)
        options[i] = qb::columnPosition(questionColumns, columns::option(i));
    const int picture = qb::columnPosition(questionColumns, columns::kPicture);
    const int correct = qb::columnPosition(questionColumns, columns::kCorrect);
    const auto total = int(store.rowCount(columns::kQuestionsTable));
    // Reading takes most of the time; the near-duplicate search after it gets its own steps,
    // so a progress box keeps moving through it.
    const int steps = total + BaseCheck::finishSteps();

    int done = 0;
    CheckedQuestion question;
    const auto textAt = [](const qb::RowView& row, int column) {
        if (column < 0)
            return QString();
        if (const std::optional<QByteArrayView> utf8 = row.utf8(column))
            return QString::fromUtf8(*utf8);
        const QVariant value = row.value(column);
        return value.isNull() ? QString() : value.toString();
    };
    try {
        store.scanRows(columns::kQuestionsTable, [&](const qb::RowView& row) {
            question.text = textAt(row, text);
            for (int i = 0; i < columns::kOptionCount; ++i)
                question.options[i] = textAt(row, options[i]);
            question.picture = textAt(row, picture);
            question.correct = correct >= 0 ? row.value(correct) : QVariant();
            question.row = row.id();
            check.addQuestion(question);
            if (progress && ++done % 512 == 0 && !progress(done, steps))
                throw Stopped{};
        });
    } catch (const Stopped&) {
        return std::nullopt;
    }
    return check.finish([&](int step) { return !progress || progress(total + step, steps); });
}

}  // namespace editor
