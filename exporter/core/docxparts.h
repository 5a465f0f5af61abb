#pragma once

#include "exporter/core/imageinfo.h"
#include "exporter/core/wordsession.h"

#include <QList>
#include <QString>

namespace exporter::docx {

// A picture file the package embeds as it is.
struct MediaPart {
    QString source;      // absolute path of the file
    ImageInfo info;      // its format, size and resolution
    QString partName;    // below word/: "media/image1.jpeg"
    QString relationId;  // how the body's drawings name it
};

// What the package holds besides its fixed parts.
struct Package {
    QString title;               // dc:title, left out when empty
    WordParagraphFormat format;  // of every paragraph, through the styles
    QString body;                // the file that holds word/document.xml
    QList<MediaPart> media;
    // A template (.dotx) opens in the word processor as a new, untitled document made from it.
    bool isTemplate = false;
};

// Writes the whole .docx (or .dotx) at `path`. Throws qb::Error when it cannot be written.
void writePackage(const QString& path, const Package& package);

}  // namespace exporter::docx
