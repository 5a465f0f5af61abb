#include "editor/core/basecheck.h"

#include "editor/core/picturechoice.h"
#include "editor/core/picturefit.h"
#include "exchange/windows1251.h"
#include "questionbase/error.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QRegularExpression>

#include <libstemmer.h>

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

// Two questions whose words (the stems of the question's words and of the options' words,
// counted with repeats) overlap at least this much are near-duplicates. On planted pairs: the
// same question in other word forms scores 1, one word in eight changed about 0.8, "два плюс
// два" against "два плюс три" with their options 0.6, and two questions that only share a topic
// ("столицей России" / "столицей Франции") about 0.35.
constexpr double kNearDuplicateLimit = 0.7;
// Questions with fewer words than this are too short to call near-duplicates of each other.
constexpr size_t kNearDuplicateMinimumWords = 4;
// MinHash with banding: 10 bands of 3 values find a pair at the limit with a probability of
// about 0.985 and one at 0.8 with 0.999, while pairs are compared only within a band's bucket.
constexpr int kBands = 10;
constexpr int kRowsPerBand = 3;
constexpr int kHashes = kBands * kRowsPerBand;
constexpr int kMinimumAgreeing = 14;
// A bucket that many questions share holds words every question has; comparing each member
// with every other would be quadratic, so each is compared with the first and the latest few.
constexpr int kBucketNeighbours = 4;

// How many characters outside the code page a remark lists.
constexpr int kListedCharacters = 8;

quint64 mix(quint64 x) {
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebULL;
    x ^= x >> 31;
    return x;
}

quint64 hashBytes(const char* data, qsizetype size, quint64 seed) {
    quint64 h = 0xcbf29ce484222325ULL ^ seed;
    for (qsizetype i = 0; i < size; ++i) {
        h ^= static_cast<unsigned char>(data[i]);
        h *= 0x100000001b3ULL;
    }
    return mix(h);
}

// A letter or digit without its letter case, ё as е; 0 for anything else. Looked up in a table
// for the alphabets the bases are written in, which is most of the check's time otherwise.
char16_t folded(char16_t unit) {
    constexpr char16_t kTableSize = 0x500;
    static const std::array<char16_t, kTableSize> table = [] {
        std::array<char16_t, kTableSize> units{};
        for (char16_t u = 0; u < kTableSize; ++u) {
            const QChar c(u);
            if (c.isLetterOrNumber()) {
                const char16_t f = c.toCaseFolded().unicode();
                units[u] = f == u'ё' ? u'е' : f;
            }
        }
        return units;
    }();
    if (unit < kTableSize)
        return table[unit];
    const QChar c(unit);
    return c.isLetterOrNumber() ? c.toCaseFolded().unicode() : 0;
}

// The folded words of a text, back to back in one buffer: the buffer itself is the text with
// letter case, spaces and punctuation ignored. Reused from question to question.
struct Words {
    QString buffer;
    std::vector<std::pair<qsizetype, qsizetype>> ranges;  // start and length of each word

    void read(const QString& text) {
        buffer.resize(0);
        ranges.clear();
        qsizetype start = -1;
        for (const QChar c : text) {
            const char16_t f = folded(c.unicode());
            if (f != 0) {
                if (start < 0)
                    start = buffer.size();
                buffer += QChar(f);
            } else if (start >= 0) {
                ranges.emplace_back(start, buffer.size() - start);
                start = -1;
            }
        }
        if (start >= 0)
            ranges.emplace_back(start, buffer.size() - start);
    }
    QStringView word(size_t i) const {
        return QStringView(buffer).mid(ranges[i].first, ranges[i].second);
    }
};

quint64 hashUnits(QStringView text, quint64 seed) {
    return hashBytes(reinterpret_cast<const char*>(text.utf16()), text.size() * 2, seed);
}

bool isFilled(const QString& text) {
    return !text.trimmed().isEmpty();
}

// Russian word forms reduced to one stem by Snowball's algorithm; each distinct word is stemmed
// once per check.
class Stems {
public:
    Stems() : stemmer_(sb_stemmer_new("russian", "UTF_8")) {}
    ~Stems() {
        if (stemmer_)
            sb_stemmer_delete(stemmer_);
    }
    Stems(const Stems&) = delete;
    Stems& operator=(const Stems&) = delete;

    quint64 of(QStringView word) {
        const quint64 key = hashUnits(word, 0x57);
        const auto known = cache_.find(key);
        if (known != cache_.end())
            return known->second;
        const QByteArray utf8 = word.toUtf8();
        const sb_symbol* stem =
            stemmer_ ? sb_stemmer_stem(stemmer_, reinterpret_cast<const sb_symbol*>(utf8.data()),
                                       static_cast<int>(utf8.size()))
                     : nullptr;
        const quint64 hash =
            stem ? hashBytes(reinterpret_cast<const char*>(stem), sb_stemmer_length(stemmer_), 0)
                 : hashBytes(utf8.data(), utf8.size(), 0);
        cache_.emplace(key, hash);
        return hash;
    }

private:
    sb_stemmer* stemmer_;
    std::unordered_map<quint64, quint64> cache_;  // the word's hash -> its stem's
};

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
    return QStringLiteral("Вопросов: %1, замечаний: %2").arg(questions).arg(findings.size());
}

struct BaseCheck::State {
    QString baseFilePath;
    QString baseFolder;
    int questions = 0;
    QList<CheckFinding> baseFindings;
    // Per question, the findings of the question alone, and where its near-duplicate search
    // must not look: questions that are exact duplicates of an earlier one are told as such.
    std::vector<QList<CheckFinding>> perQuestion;
    std::vector<qint64> rows;                       // per question, its row in the store
    std::unordered_map<quint64, int> firstWithKey;  // exact-duplicate key -> first position
    std::vector<bool> exactDuplicate;
    // Word sets for the near-duplicate search: sorted hashes, flat, with each question's start.
    std::vector<quint32> words;
    std::vector<quint32> wordStart{0};
    std::vector<quint32> signatures;  // kHashes minima per question
    std::array<int, columns::kOptionCount> rightAt{};
    QHash<QString, QString> pictureRemarks;  // stored name -> remark, or empty when fine
    Stems stems;
    std::vector<quint64> all;  // scratch of rememberWords
    std::vector<quint32> set;
    Words textWords;  // the question on hand
    std::array<Words, columns::kOptionCount> optionWords;

    void add(int question, const QString& text) { perQuestion.back().append({question, text}); }
    void checkOptions(int k, const CheckedQuestion& q);
    void checkPicture(int k, const QString& picture);
    void checkCodePage(int k, const CheckedQuestion& q);
    bool rememberExact(int k, const CheckedQuestion& q);
    void rememberWords();
    QString pictureRemark(const QString& picture) const;
    bool findNearDuplicates(const std::function<bool(int step)>& step);
};

BaseCheck::BaseCheck(const QString& baseFilePath) : d(std::make_unique<State>()) {
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
    d->textWords.read(question.text);
    for (int i = 0; i < columns::kOptionCount; ++i)
        d->optionWords[i].read(question.options[i]);
    d->exactDuplicate.push_back(d->rememberExact(k, question));
    d->rememberWords();
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
            options[filled++] = hashUnits(optionWords[i].buffer, 3);
    }
    std::sort(options.begin(), options.end());
    quint64 hash = hashUnits(textWords.buffer, 1);
    for (int i = 0; i < filled; ++i)
        hash = mix(hash * 0x100000001b3ULL + options[i]);
    const auto [at, inserted] = firstWithKey.emplace(hash, k);
    if (inserted || !isFilled(q.text))
        return false;
    add(k, QStringLiteral("совпадает с вопросом № %1").arg(at->second));
    return true;
}

void BaseCheck::State::rememberWords() {
    // The question's stems and the options' stems, hashed apart from each other; the n-th
    // repeat of a stem is a word of its own, so the overlap of two sets counts repeats ("два
    // плюс два" is not "два плюс три").
    all.clear();
    for (size_t i = 0; i < textWords.ranges.size(); ++i)
        all.push_back(mix(stems.of(textWords.word(i)) ^ 0x51));
    for (const Words& option : optionWords) {
        for (size_t i = 0; i < option.ranges.size(); ++i)
            all.push_back(mix(stems.of(option.word(i)) ^ 0x53));
    }
    std::sort(all.begin(), all.end());
    set.clear();
    for (size_t i = 0, repeat = 0; i < all.size(); ++i) {
        repeat = i > 0 && all[i] == all[i - 1] ? repeat + 1 : 0;
        set.push_back(quint32(mix(all[i] + repeat)));
    }
    std::sort(set.begin(), set.end());
    set.erase(std::unique(set.begin(), set.end()), set.end());

    std::array<quint32, kHashes> minima;
    minima.fill(0xffffffffu);
    // The words are hashes already: one multiply-add each makes the 30 independent orders.
    static const std::array<std::pair<quint64, quint64>, kHashes> orders = [] {
        std::array<std::pair<quint64, quint64>, kHashes> factors;
        for (int h = 0; h < kHashes; ++h)
            factors[h] = {mix(quint64(2 * h + 1)) | 1, mix(quint64(2 * h + 2))};
        return factors;
    }();
    for (const quint32 word : set) {
        for (int h = 0; h < kHashes; ++h) {
            const auto value = quint32((quint64(word) * orders[h].first + orders[h].second) >> 32);
            minima[h] = std::min(minima[h], value);
        }
    }
    words.insert(words.end(), set.begin(), set.end());
    wordStart.push_back(quint32(words.size()));
    signatures.insert(signatures.end(), minima.begin(), minima.end());
}

bool BaseCheck::State::findNearDuplicates(const std::function<bool(int step)>& step) {
    const auto wordsOfQuestion = [&](int index) {
        return std::pair(words.begin() + wordStart[index], words.begin() + wordStart[index + 1]);
    };
    const auto similarity = [&](int a, int b) {
        const auto [aBegin, aEnd] = wordsOfQuestion(a);
        const auto [bBegin, bEnd] = wordsOfQuestion(b);
        size_t common = 0;
        for (auto i = aBegin, j = bBegin; i != aEnd && j != bEnd;) {
            if (*i < *j) {
                ++i;
            } else if (*j < *i) {
                ++j;
            } else {
                ++common;
                ++i;
                ++j;
            }
        }
        const size_t all = size_t(aEnd - aBegin) + size_t(bEnd - bBegin) - common;
        return all == 0 ? 0.0 : double(common) / double(all);
    };
    // Cheap refusals before the exact overlap: sets of very different sizes cannot overlap
    // enough, and a pair at the limit agrees on about 21 of the 30 MinHash values (on fewer
    // than kMinimumAgreeing with a probability of 0.2 %, far less for closer pairs), while most
    // pairs a crowded bucket offers agree on far fewer.
    const auto mayBeSimilar = [&](int a, int b) {
        const quint32 sizeA = wordStart[a + 1] - wordStart[a];
        const quint32 sizeB = wordStart[b + 1] - wordStart[b];
        if (double(std::min(sizeA, sizeB)) < kNearDuplicateLimit * double(std::max(sizeA, sizeB)))
            return false;
        const quint32* x = &signatures[size_t(a) * kHashes];
        const quint32* y = &signatures[size_t(b) * kHashes];
        int agreeing = 0;
        for (int h = 0; h < kHashes; ++h)
            agreeing += x[h] == y[h];
        return agreeing >= kMinimumAgreeing;
    };
    const auto eligible = [&](int index) {
        return wordStart[index + 1] - wordStart[index] >= kNearDuplicateMinimumWords;
    };

    // For each question, the earliest earlier one found similar enough.
    std::vector<int> nearest(size_t(questions), -1);
    std::vector<std::pair<quint64, int>> bucket;
    bucket.reserve(size_t(questions));
    static_assert(kBands == BaseCheck::finishSteps());
    for (int band = 0; band < kBands; ++band) {
        if (step && !step(band))
            return false;
        bucket.clear();
        for (int q = 0; q < questions; ++q) {
            if (!eligible(q))
                continue;
            quint64 key = quint64(band);
            for (int r = 0; r < kRowsPerBand; ++r)
                key = mix(key * 0x100000001b3ULL +
                          signatures[size_t(q) * kHashes + size_t(band * kRowsPerBand + r)]);
            bucket.emplace_back(key, q);
        }
        std::sort(bucket.begin(), bucket.end());
        for (size_t start = 0; start < bucket.size();) {
            size_t end = start + 1;
            while (end < bucket.size() && bucket[end].first == bucket[start].first)
                ++end;
            for (size_t later = start + 1; later < end; ++later) {
                const int k = bucket[later].second;
                if (exactDuplicate[size_t(k)])
                    continue;
                const auto compare = [&](size_t earlier) {
                    const int j = bucket[earlier].second;
                    if ((nearest[size_t(k)] < 0 || j < nearest[size_t(k)]) && mayBeSimilar(j, k) &&
                        similarity(j, k) >= kNearDuplicateLimit)
                        nearest[size_t(k)] = j;
                };
                const size_t first = std::min(later, start + kBucketNeighbours);
                for (size_t e = start; e < first; ++e)
                    compare(e);
                for (size_t e = std::max(first, later - std::min<size_t>(later, kBucketNeighbours));
                     e < later; ++e)
                    compare(e);
            }
            start = end;
        }
    }
    for (int k = 0; k < questions; ++k) {
        if (nearest[size_t(k)] >= 0)
            perQuestion[size_t(k)].append(
                {k + 1, QStringLiteral("похож на вопрос № %1").arg(nearest[size_t(k)] + 1)});
    }
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
    if (!d->findNearDuplicates(step))
        return std::nullopt;
    BaseCheckResult result;
    result.questions = d->questions;
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

// Where each named column is among the table's columns, letter case aside; -1 when absent.
int positionOf(const QList<qb::ColumnInfo>& columnList, const QString& name) {
    for (int i = 0; i < columnList.size(); ++i) {
        if (columnList[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool hasTable(qb::Store& store, const QString& table) {
    const QStringList tables = store.tableNames();
    return std::any_of(tables.begin(), tables.end(), [&](const QString& name) {
        return name.compare(table, Qt::CaseInsensitive) == 0;
    });
}

struct Stopped {};

}  // namespace

std::optional<BaseCheckResult> checkBase(qb::Store& store, const QString& baseFilePath,
                                         const CheckProgress& progress) {
    BaseCheck check(baseFilePath);

    if (hasTable(store, columns::kSettingsTable)) {
        const QList<qb::ColumnInfo> settingsColumns = store.columns(columns::kSettingsTable);
        const int time = positionOf(settingsColumns, columns::kTime);
        const int target = positionOf(settingsColumns, columns::kTimeTarget);
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
    const int text = positionOf(questionColumns, columns::kQuestion);
    std::array<int, columns::kOptionCount> options{};
    for (int i = 0; i < columns::kOptionCount; ++i)
        options[i] = positionOf(questionColumns, columns::option(i));
    const int picture = positionOf(questionColumns, columns::kPicture);
    const int correct = positionOf(questionColumns, columns::kCorrect);
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
