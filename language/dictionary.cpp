#include "language/dictionary.h"

#include "exchange/windows1251.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <hunspell.hxx>

namespace language {

namespace {

// Hunspell's names for the encodings a .aff may set, as iconv knows them.
QByteArray iconvName(const std::string& set) {
    QByteArray name = QByteArray::fromStdString(set).trimmed().toUpper();
    if (name.startsWith("MICROSOFT-CP"))
        return "CP" + name.mid(12);
    if (name.startsWith("ISO8859-"))
        return "ISO-8859-" + name.mid(8);
    return name;
}

bool affixFileHasPrefixes(const QString& aff) {
    QFile file(aff);
    if (!file.open(QIODevice::ReadOnly))
        return true;  // not known: assume the worst
    while (!file.atEnd()) {
        if (file.readLine().startsWith("PFX"))
            return true;
    }
    return false;
}

}  // namespace

QStringList dictionaryEntries(const DictionaryFiles& files) {
    QFile aff(files.aff);
    QFile dic(files.dic);
    if (!aff.open(QIODevice::ReadOnly) || !dic.open(QIODevice::ReadOnly))
        return {};
    QByteArray encoding = "ISO-8859-1";  // Hunspell's own default
    while (!aff.atEnd()) {
        const QByteArray line = aff.readLine().trimmed();
        if (line.startsWith("SET ")) {
            encoding = iconvName(line.mid(4).toStdString());
            break;
        }
    }
    const bool utf8 = encoding == "UTF-8" || encoding == "UTF8";
    const auto table = utf8 ? std::nullopt : exchange::singleByteTable(encoding.constData());
    if (!utf8 && !table)
        return {};
    QStringList entries;
    dic.readLine();  // the number of entries
    while (!dic.atEnd()) {
        QByteArray line = dic.readLine();
        // "word/flags", then maybe a tab and morphological fields.
        for (const char end : {'/', '\t'}) {
            if (const qsizetype at = line.indexOf(end); at >= 0)
                line.truncate(at);
        }
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        if (utf8) {
            entries << QString::fromUtf8(line);
            continue;
        }
        QString entry;
        for (const char byte : line)
            entry += QChar((*table)[static_cast<unsigned char>(byte)]);
        entries << entry;
    }
    return entries;
}

QStringList systemDictionaryFolders() {
    QStringList folders;
    const QString fromEnvironment = qEnvironmentVariable("DICPATH");
    if (!fromEnvironment.isEmpty())
        folders << fromEnvironment.split(u':', Qt::SkipEmptyParts);
    folders << QStringLiteral("/usr/share/hunspell") << QStringLiteral("/usr/share/myspell")
            << QStringLiteral("/usr/share/myspell/dicts")
            << QStringLiteral("/usr/local/share/hunspell");
    return folders;
}

std::optional<DictionaryFiles> findDictionary(const QStringList& folders, const QStringList& names,
                                              const QString& language) {
    const auto filesOf = [](const QDir& folder,
                            const QString& name) -> std::optional<DictionaryFiles> {
        DictionaryFiles files{folder.filePath(name + QStringLiteral(".aff")),
                              folder.filePath(name + QStringLiteral(".dic"))};
        if (QFileInfo(files.aff).isReadable() && QFileInfo(files.dic).isReadable())
            return files;
        return std::nullopt;
    };
    for (const QString& path : folders) {
        const QDir folder(path);
        for (const QString& name : names) {
            if (const auto files = filesOf(folder, name))
                return files;
        }
    }
    for (const QString& path : folders) {
        const QDir folder(path);
        const QStringList others =
            folder.entryList({language + QStringLiteral("_*.dic")}, QDir::Files, QDir::Name);
        for (const QString& other : others) {
            if (const auto files = filesOf(folder, QFileInfo(other).completeBaseName()))
                return files;
        }
    }
    return std::nullopt;
}

std::unique_ptr<Dictionary> Dictionary::load(const DictionaryFiles& files) {
    // Hunspell reads an unreadable or empty dictionary without complaint; it then knows nothing.
    if (QFileInfo(files.dic).size() == 0)
        return nullptr;
    std::unique_ptr<Dictionary> dictionary(new Dictionary);
    const QByteArray aff = QFile::encodeName(files.aff);
    const QByteArray dic = QFile::encodeName(files.dic);
    dictionary->hunspell_ = std::make_unique<Hunspell>(aff.constData(), dic.constData());
    const QByteArray encoding = iconvName(dictionary->hunspell_->get_dict_encoding());
    dictionary->utf8_ = encoding == "UTF-8" || encoding == "UTF8";
    if (!dictionary->utf8_) {
        const auto table = exchange::singleByteTable(encoding.constData());
        if (!table)
            return nullptr;
        dictionary->decode_ = *table;
        for (int byte = 1; byte < 256; ++byte) {
            const char16_t unit = dictionary->decode_[size_t(byte)];
            if (unit != 0 && unit < dictionary->encode_.size())
                dictionary->encode_[unit] = static_cast<unsigned char>(byte);
        }
    }
    dictionary->hasPrefixes_ = affixFileHasPrefixes(files.aff);
    return dictionary;
}

Dictionary::~Dictionary() = default;

bool Dictionary::encode(QStringView word, std::string& out) const {
    if (utf8_) {
        out = word.toUtf8().toStdString();
        return true;
    }
    out.clear();
    out.reserve(size_t(word.size()));
    for (const QChar c : word) {
        const unsigned char byte = c.unicode() < encode_.size() ? encode_[c.unicode()] : 0;
        if (byte == 0)
            return false;  // the dictionary cannot hold the word, so it does not know it
        out += char(byte);
    }
    return true;
}

QString Dictionary::decode(const std::string& text) const {
    if (utf8_)
        return QString::fromStdString(text);
    QString result;
    result.reserve(qsizetype(text.size()));
    for (const char byte : text)
        result += QChar(decode_[static_cast<unsigned char>(byte)]);
    return result;
}

bool Dictionary::spell(QStringView word, QString* root) {
    std::string encoded;
    if (!encode(word, encoded))
        return false;
    std::string found;
    const bool known = hunspell_->spell(encoded, nullptr, root ? &found : nullptr);
    if (root)
        *root = known ? decode(found) : QString();
    return known;
}

QStringList Dictionary::suggest(QStringView word) {
    std::string encoded;
    if (!encode(word, encoded))
        return {};
    QStringList result;
    for (const std::string& suggestion : hunspell_->suggest(encoded))
        result << decode(suggestion);
    return result;
}

}  // namespace language
