#include "exporter/core/wordexport.h"

#include "exporter/core/marking.h"
#include "exporter/core/wordsession.h"
#include "questionbase/recordset.h"

#include <QDir>

namespace exporter {

namespace columns = qb::columns;

namespace {

constexpr int kProgressEvery = 250;

}  // namespace

QString picturePath(const QString& basePath, const QString& storedPath) {
    const QString base = QDir::fromNativeSeparators(basePath);
    const QString folder = base.left(base.lastIndexOf(QLatin1Char('/')));
    QString relative = storedPath;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QDir::toNativeSeparators(folder + QLatin1Char('/') + relative);
}

void typeQuestions(qb::Recordset& questions, WordSession& session,
                   const WordExportOptions& options) {
    const int total = questions.recordCount();
    session.setCaption(QString::fromUtf8(kWordCaption));
    session.setStatusText(QString::fromUtf8(kWordWaitText));

    WordParagraphFormat format;
    format.spaceBefore = 0;
    format.spaceAfter = 0;
    format.widowControl = true;
    format.keepWithNext = false;
    format.keepTogether = false;
    format.pageBreakBefore = false;
    format.noLineNumber = false;
    format.hyphenation = true;
    session.setParagraphFormat(format);

    int done = 0;
    questions.moveFirst();
    while (!questions.eof()) {
        for (int position = columns::kQuestionPosition; position <= kLastOptionPosition;
             ++position) {
            // The steps come whether or not the field is empty, so options are always back at
            // the base size.
            if (position == columns::kQuestionPosition) {
                session.fontGrow();
                session.fontGrow();
            } else if (position == columns::optionPosition(0)) {
                session.fontShrink();
                session.fontShrink();
            }
            qb::Field field = questions.field(position);
            if (field.actualSize() == 0)
                continue;
            const bool marked =
                isMarked(options.markCorrect, questions.field(columns::kCorrect).value(), position);
            session.typeText((marked ? QStringLiteral("*") : QStringLiteral("   ")) + field.text());
            session.typeParagraph();
        }

        qb::Field picture = questions.field(columns::kPicturePosition);
        if (picture.actualSize() != 0 && !options.leavePicturesOut) {
            const QString path = picturePath(options.basePath, picture.text());
            if (options.fileExists && options.fileExists(path) && session.addInlinePicture(path))
                session.typeParagraph();
        }

        session.typeParagraph();
        questions.moveNext();

        ++done;
        if (options.progress && done % kProgressEvery == 0 && total > 0)
            options.progress(int(qint64(done) * 100 / total));
    }

    session.setStatusText(QString::fromUtf8(kWordDoneText));
}

}  // namespace exporter
