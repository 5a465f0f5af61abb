#pragma once

#include "exchange/question.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>

#include <stdexcept>

namespace exchange {

// The kinds of file questions are taken from, told apart by their content.
enum class SourceKind { MoodleXml, Gift, Aiken, ExporterText, ExporterWord };

// A question taken from a source, with where it stands there, so a report can point at it.
// Texts hold line breaks as CR LF; a picture holds the bytes the source carries, not yet
// checked to be one.
struct SourceQuestion {
    Question question;
    QString where;        // "строка 12", "вопрос 3", "абзац 40"
    QStringList remarks;  // what could not come along with it, in Russian
};

// A question of the source that is not a single-choice question, and why, in Russian.
struct Refusal {
    QString where;
    QString reason;
};

struct Source {
    SourceKind kind = SourceKind::Gift;
    QList<SourceQuestion> questions;
    QList<Refusal> refused;
    QString description;  // what the source says about the test as a whole; often nothing
};

// A file that is none of the kinds, is damaged, or is larger than a source needs to be.
class SourceError : public std::runtime_error {
public:
    explicit SourceError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

// The most a source file may take. Moodle XML carries a copy of every picture in each question
// that shows it, so an export of 100,000 questions with pictures comes near this.
inline constexpr qint64 kMaxSourceBytes = qint64(256) << 20;
// The most the text of a Word document may take once unpacked.
inline constexpr qint64 kMaxDocumentBytes = qint64(64) << 20;
// The most one picture inside a source may take once unpacked.
inline constexpr qint64 kMaxPictureBytes = qint64(16) << 20;

// Where the questions of a source go as they are read, one at a time, so that a large file
// never has all of them in memory at once.
class SourceSink {
public:
    virtual ~SourceSink() = default;
    virtual void take(SourceQuestion question) = 0;
    virtual void refuse(Refusal refusal) = 0;
    // Once, after the last question.
    virtual void finish(SourceKind kind, const QString& description) = 0;
    // How many of the file's bytes have been read; false stops the reading with ReadingStopped.
    virtual bool reading(qint64 done, qint64 total) {
        Q_UNUSED(done);
        Q_UNUSED(total);
        return true;
    }
};

// Thrown when a sink asked to stop reading.
struct ReadingStopped {};

// Reads the file at `path` (at most kMaxSourceBytes) and every question in it.
// Throws SourceError.
Source readSource(const QString& path);
// The same, handing each question to `sink` as soon as it is read: GIFT, the kind whose files
// are the largest text, streams from the file line by line. Throws SourceError, ReadingStopped.
void readSource(const QString& path, SourceSink& sink);
// The same for a file already read.
Source readSource(const QByteArray& bytes);

// The text of a source as the readers see it: UTF-8 when the bytes are UTF-8 (a byte order
// mark dropped), otherwise Windows-1251, the code page of the exporter's text files.
QString decodeText(const QByteArray& bytes);

// HTML as the plain text it shows: <br> and the ends of paragraphs become CR LF, other tags
// are dropped and entities decoded.
QString plainTextOfHtml(QStringView html);

// A text as Moodle stores it: spaces, tabs and line breaks around it dropped.
QString trimmedText(QStringView text);

// What an HTML text shows or links besides its words: pictures (<img>) and files for sound,
// video or download (<a href>, <audio>, <video>, <source>, <embed>, <object>, <iframe>).
struct HtmlMedia {
    QString address;  // src, href or data as written, entities decoded
    bool picture = false;
};
QList<HtmlMedia> mediaOfHtml(QStringView html);

// The picture an HTML text shows, taken from `files` (the source's own, linked by
// "@@PLUGINFILE@@/name") or from a data: address; every other picture and media file is noted
// in `problems` as left out. A base holds one picture a question, so only the first is taken.
std::optional<Picture> pictureOfHtml(QStringView html, const QList<Picture>& files,
                                     QStringList& problems);

// Options are text only in a base: an option showing a picture or a file loses it, and one that
// is nothing else vanishes; both are noted in `problems`. When that would change or remove the
// right option, the reason the question cannot come.
std::optional<QString> optionMediaRefusal(const QList<QList<HtmlMedia>>& media,
                                          const QStringList& texts, qsizetype correct,
                                          QStringList& problems);

// The readers of each kind, for tests and fuzzing; readSource picks one by the content.
Source readGift(const QString& text);
// GIFT as it streams from a device, in UTF-8 or, when `utf8` is false, Windows-1251.
void readGift(QIODevice& device, bool utf8, SourceSink& sink);
Source readAiken(const QString& text);
// Aiken as it streams from a device, like GIFT.
void readAiken(QIODevice& device, bool utf8, SourceSink& sink);
Source readExporterText(const QString& text);
// The exporter's text as it streams from a device, like GIFT.
void readExporterText(QIODevice& device, bool utf8, SourceSink& sink);
Source readMoodleXml(const QByteArray& bytes);
// Moodle XML as it streams from a file, like GIFT.
void readMoodleXml(QIODevice& device, SourceSink& sink);
Source readExporterWord(const QByteArray& bytes);

}  // namespace exchange
