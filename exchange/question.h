#pragma once

#include <QByteArray>
#include <QFlags>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace exchange {

// The formats a question base is exchanged in.
enum class Format { MoodleXml, Gift, Aiken };

// What a user sees of a format: its name in menus and messages, and its file name ending.
QString formatName(Format format);
QString fileExtension(Format format);  // with the dot: ".xml"

// A picture carried inside a file of questions: the picture file's own name and bytes.
struct Picture {
    QString name;
    QByteArray data;
};

// One multiple-choice question as every format carries it: the options in their order, exactly
// one of them right. Texts may hold line breaks as CR LF, LF or CR.
struct Question {
    QString name;  // how a platform lists it, "Вопрос 12"
    QString text;
    QStringList options;
    qsizetype correct = 0;  // index into options
    std::optional<Picture> picture;
};

// What a file says of its questions as a whole.
struct Header {
    QString title;        // names the category the questions go to
    QString description;  // about the test
};

// What a format had to change in a question to hold it.
enum class Change {
    LinesJoined = 0x1,         // each line break became a space
    CharactersReplaced = 0x2,  // characters the file cannot hold became U+FFFD
};
Q_DECLARE_FLAGS(Changes, Change)
Q_DECLARE_OPERATORS_FOR_FLAGS(Changes)

// The outcome of one question: written, possibly changed, or refused by the format.
struct Written {
    bool refused = false;  // the format would read the question back as something else
    Changes changes;
};

// Writes one format, question by question, into a byte buffer the caller drains: a long export
// never holds the whole file. Every text comes out as UTF-8 without a byte order mark.
class Writer {
public:
    virtual ~Writer() = default;
    // Whether a question's picture goes into the file; a format without a place for one
    // writes the question without it.
    virtual bool carriesPictures() const = 0;
    virtual void begin(QByteArray& out, const Header& header) = 0;
    // Appends nothing when the question is refused.
    virtual Written add(QByteArray& out, const Question& question) = 0;
    virtual void end(QByteArray& out) = 0;
};

std::unique_ptr<Writer> writerFor(Format format);

// Every question through one writer: the whole file at once, for small sets and tests.
QByteArray writeAll(Format format, const Header& header, const QList<Question>& questions);

}  // namespace exchange
