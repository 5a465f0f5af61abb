#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <memory>
#include <optional>
#include <string>

class Hunspell;

namespace language {

// The .aff and .dic files of one Hunspell dictionary.
struct DictionaryFiles {
    QString aff;
    QString dic;
};

// Where the system keeps Hunspell dictionaries: the folders of $DICPATH (Hunspell's own
// variable), then the folders Debian and other systems install them in.
QStringList systemDictionaryFolders();

// The first dictionary in `folders` whose name is one of `names` ("ru_RU"), or else one whose
// name starts with `language` and an underscore ("ru_UA"); both files must be there.
std::optional<DictionaryFiles> findDictionary(const QStringList& folders, const QStringList& names,
                                              const QString& language);

// The entries of a dictionary's word list (the .dic without its affix flags), decoded as its
// .aff says: the dictionary forms of the words it knows, in the file's order.
QStringList dictionaryEntries(const DictionaryFiles& files);

// One Hunspell dictionary, talked to in UTF-16 whatever the encoding its .aff sets (SET
// UTF-8, KOI8-R, a Windows or ISO code page).
class Dictionary {
public:
    // Nothing when the files cannot be read or their encoding is one the system cannot convert.
    static std::unique_ptr<Dictionary> load(const DictionaryFiles& files);
    ~Dictionary();
    Dictionary(const Dictionary&) = delete;
    Dictionary& operator=(const Dictionary&) = delete;

    // Whether the dictionary knows the word; `root` gets the dictionary entry it is a form of,
    // or stays empty when the word is an entry itself.
    bool spell(QStringView word, QString* root = nullptr);
    QStringList suggest(QStringView word);
    // Whether the affix file builds word forms by prefixes too. Without them every form of an
    // entry begins with the entry's own first letter, which lets a search skip most lookups.
    bool hasPrefixes() const { return hasPrefixes_; }

private:
    Dictionary() = default;
    bool encode(QStringView word, std::string& out) const;
    QString decode(const std::string& text) const;

    std::unique_ptr<Hunspell> hunspell_;
    bool utf8_ = true;
    std::array<char16_t, 256> decode_{};  // a single-byte encoding's units
    // Its bytes of the units words are written in (Latin, Cyrillic); 0 for none.
    std::array<unsigned char, 0x530> encode_{};
    bool hasPrefixes_ = false;
};

}  // namespace language
