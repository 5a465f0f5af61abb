#include "exporter/core/docxwriter.h"

#include <QFileInfo>

#include <exception>

namespace exporter {

DocxWriter::DocxWriter(const QString& path) : path_(path) {
    // Word opens nothing whose main part's type disagrees with the file's extension.
    package_.isTemplate =
        QFileInfo(path).suffix().compare(QStringLiteral("dotx"), Qt::CaseInsensitive) == 0;
}

DocxWriter::~DocxWriter() {
    try {
        finish();
    } catch (const std::exception&) {
    }
}

void DocxWriter::setCaption(const QString& caption) {
    package_.title = caption;
}

void DocxWriter::setStatusText(const QString& text) {
    if (statusSink_)
        statusSink_(text);
}

void DocxWriter::setParagraphFormat(const WordParagraphFormat& format) {
    package_.format = format;
}

void DocxWriter::fontGrow() {
    fontSize_ = grownFontSize(fontSize_);
}

void DocxWriter::fontShrink() {
    fontSize_ = shrunkFontSize(fontSize_);
}

void DocxWriter::typeText(const QString& text) {
    const auto append = [this](const QString& line) {
        const QString safe = docx::xmlSafe(line);
        if (safe.isEmpty())
            return;
        if (!paragraph_.isEmpty() && paragraph_.last().media < 0 &&
            paragraph_.last().size == fontSize_)
            paragraph_.last().text += safe;
        else
            paragraph_.append({safe, fontSize_, -1, 0});
    };
    if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))) {
        append(text);
        return;
    }
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = normalised.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            typeParagraph();
        append(lines.at(i));
    }
}

void DocxWriter::typeParagraph() {
    endParagraph();
}

bool DocxWriter::addInlinePicture(const QString& path) {
    const QString key = QFileInfo(path).absoluteFilePath();
    auto known = mediaBySource_.constFind(key);
    int index = known == mediaBySource_.cend() ? -2 : known.value();
    if (index == -2) {
        const auto info = readImageInfo(path);
        if (info) {
            index = int(package_.media.size());
            docx::MediaPart part;
            part.source = key;
            part.info = *info;
            part.partName =
                QStringLiteral("media/image%1.%2").arg(index + 1).arg(info->extension());
            part.relationId = QStringLiteral("rIdImage%1").arg(index + 1);
            pictures_.append(docx::bodyPicture(*info, part.partName, part.relationId));
            package_.media.append(part);
        } else {
            index = -1;
        }
        mediaBySource_.insert(key, index);
    }
    if (index < 0)
        return false;
    paragraph_.append({QString(), fontSize_, index, ++drawings_});
    return true;
}

void DocxWriter::endParagraph() {
    body_.startParagraph(fontSize_);  // the mark takes the size at the insertion point
    for (const Item& item : std::as_const(paragraph_)) {
        if (item.media >= 0)
            body_.pictureRun(item.size, pictures_.at(item.media), item.drawingId);
        else
            body_.textRun(item.size, item.text);
    }
    body_.endParagraph();
    paragraph_.clear();
}

void DocxWriter::finish() {
    if (finished_)
        return;
    finished_ = true;

    // A document always ends with a paragraph: the one at the insertion point.
    endParagraph();
    body_.finish();
    package_.body = body_.fileName();
    docx::writePackage(path_, package_);
}

}  // namespace exporter
