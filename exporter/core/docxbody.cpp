#include "exporter/core/docxbody.h"

#include "questionbase/error.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>

namespace exporter::docx {

namespace {

// What XML 1.0 can carry.
bool xmlAllowed(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

bool xmlAllowedUnit(char16_t u) {
    return (u >= 0x20 && u <= 0xD7FF) || (u >= 0xE000 && u <= 0xFFFD) || u == 0x9 || u == 0xA ||
           u == 0xD;
}

// What an attribute value of ours may carry, escaped as the XML writer of the other parts does.
QByteArray attributeValue(const QString& value) {
    return value.toHtmlEscaped().toUtf8();
}

template <qsizetype N>
char* put(char* out, const char (&literal)[N]) {
    std::memcpy(out, literal, N - 1);
    return out + N - 1;
}

// The part's closing: the section that sets an A4 page with the word processor's default
// margins.
constexpr char kBodyEnd[] =
    "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1134\" w:right=\"850\""
    " w:bottom=\"1134\" w:left=\"1701\" w:header=\"708\" w:footer=\"708\" w:gutter=\"0\"/>"
    "</w:sectPr></w:body></w:document>\n";

// The body goes to the spool in blocks of about this size.
constexpr qsizetype kSpoolBlock = 1 << 20;

}  // namespace

QString xmlSafe(const QString& text) {
    // Nearly every text is clean; surrogates take the long way so pairs are judged whole.
    if (std::all_of(text.cbegin(), text.cend(),
                    [](QChar c) { return xmlAllowedUnit(c.unicode()); }))
        return text;
    QString out;
    out.reserve(text.size());
    for (char32_t c : text.toUcs4()) {
        if (xmlAllowed(c))
            out += QString::fromUcs4(&c, 1);
    }
    return out;
}

BodyPicture bodyPicture(const ImageInfo& info, const QString& partName, const QString& relationId) {
    return {"cx=\"" + QByteArray::number(info.widthEmu()) + "\" cy=\"" +
                QByteArray::number(info.heightEmu()) + '"',
            attributeValue(QFileInfo(partName).fileName()), attributeValue(relationId)};
}

Body::Body() {
    if (!spool_.open())
        qb::fail(qb::Reason::Io, QStringLiteral("Не удалось создать временный файл"));
    bytes_.reserve(kSpoolBlock + kSpoolBlock / 4);
    bytes_.append(kDocumentStart);
}

void Body::startParagraph(double markSize) {
    bytes_.append("<w:p><w:pPr>");
    writeRunProperties(markSize);
    bytes_.append("</w:pPr>");
}

void Body::textRun(double size, const QString& xmlSafeText) {
    bytes_.append("<w:r>");
    writeRunProperties(size);
    writeText(xmlSafeText);
    bytes_.append("</w:r>");
}

void Body::pictureRun(double size, const BodyPicture& picture, int drawingId) {
    bytes_.append("<w:r>");
    writeRunProperties(size);
    writeDrawing(picture, drawingId);
    bytes_.append("</w:r>");
}

void Body::endParagraph() {
    bytes_.append("</w:p>");
    if (bytes_.size() >= kSpoolBlock)
        spool();
}

void Body::finish() {
    bytes_.append(kBodyEnd);
    spool();
    if (!spool_.flush())
        qb::fail(qb::Reason::Io, QStringLiteral("Не удалось записать временный файл документа"));
    bytes_ = QByteArray();
}

void Body::writeRunProperties(double size) {
    if (size != runSize_) {
        const QByteArray half = QByteArray::number(qlonglong(halfPoints(size)));
        runProperties_ =
            "<w:rPr><w:sz w:val=\"" + half + "\"/><w:szCs w:val=\"" + half + "\"/></w:rPr>";
        runSize_ = size;
    }
    bytes_.append(runProperties_);
}

// A tab is an element of its own between the pieces of text around it; the text is escaped and
// encoded in the same pass.
void Body::writeText(const QString& text) {
    constexpr char kTextStart[] = "<w:t xml:space=\"preserve\">";
    constexpr char kTextEnd[] = "</w:t>";
    constexpr char kTab[] = "<w:tab/>";
    // The most a UTF-16 unit can take: a tab that ends a piece of text.
    constexpr qsizetype kWorstPerUnit = sizeof(kTextEnd) - 1 + sizeof(kTab) - 1;

    const qsizetype start = bytes_.size();
    bytes_.resize(start + text.size() * kWorstPerUnit + qsizetype(sizeof(kTextStart)) +
                  qsizetype(sizeof(kTextEnd)));
    char* out = bytes_.data() + start;
    bool inText = false;
    const char16_t* units = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t u = units[i];
        if (u == u'\t') {
            if (inText)
                out = put(out, kTextEnd);
            out = put(out, kTab);
            inText = false;
            continue;
        }
        if (!inText) {
            out = put(out, kTextStart);
            inText = true;
        }
        if (u < 0x80) {
            switch (u) {
                case u'<':
                    out = put(out, "&lt;");
                    break;
                case u'>':
                    out = put(out, "&gt;");
                    break;
                case u'&':
                    out = put(out, "&amp;");
                    break;
                case u'"':
                    out = put(out, "&quot;");
                    break;
                default:
                    *out++ = char(u);
            }
        } else if (u < 0x800) {
            *out++ = char(0xC0 | (u >> 6));
            *out++ = char(0x80 | (u & 0x3F));
        } else if (QChar::isHighSurrogate(u) && i + 1 < size &&
                   QChar::isLowSurrogate(units[i + 1])) {
            const char32_t c = QChar::surrogateToUcs4(u, units[++i]);
            *out++ = char(0xF0 | (c >> 18));
            *out++ = char(0x80 | ((c >> 12) & 0x3F));
            *out++ = char(0x80 | ((c >> 6) & 0x3F));
            *out++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isSurrogate(u)) {
            out = put(out, "\xEF\xBF\xBD");  // xmlSafe() leaves none unpaired
        } else {
            *out++ = char(0xE0 | (u >> 12));
            *out++ = char(0x80 | ((u >> 6) & 0x3F));
            *out++ = char(0x80 | (u & 0x3F));
        }
    }
    if (inText)
        out = put(out, kTextEnd);
    bytes_.resize(out - bytes_.constData());
}

void Body::writeDrawing(const BodyPicture& picture, int drawingId) {
    const QByteArray id = QByteArray::number(drawingId);
    bytes_.append(
        "<w:drawing><wp:inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\">"
        "<wp:extent ");
    bytes_.append(picture.extent);
    bytes_.append("/><wp:effectExtent l=\"0\" t=\"0\" r=\"0\" b=\"0\"/><wp:docPr id=\"");
    bytes_.append(id);
    bytes_.append(
        "\" name=\"\xD0\xA0\xD0\xB8\xD1\x81\xD1\x83\xD0\xBD\xD0\xBE\xD0\xBA ");  // Рисунок
    bytes_.append(id);
    bytes_.append(
        "\"/><wp:cNvGraphicFramePr><a:graphicFrameLocks noChangeAspect=\"1\"/>"
        "</wp:cNvGraphicFramePr><a:graphic><a:graphicData "
        "uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><pic:pic>"
        "<pic:nvPicPr><pic:cNvPr id=\"");
    bytes_.append(id);
    bytes_.append("\" name=\"");
    bytes_.append(picture.name);
    bytes_.append("\"/><pic:cNvPicPr/></pic:nvPicPr><pic:blipFill><a:blip r:embed=\"");
    bytes_.append(picture.relation);
    bytes_.append(
        "\"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill><pic:spPr><a:xfrm>"
        "<a:off x=\"0\" y=\"0\"/><a:ext ");
    bytes_.append(picture.extent);
    bytes_.append(
        "/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></pic:spPr>"
        "</pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing>");
}

void Body::spool() {
    if (spool_.write(bytes_) != bytes_.size())
        qb::fail(qb::Reason::Io, QStringLiteral("Не удалось записать временный файл документа"));
    bytes_.truncate(0);  // keeps the block allocated for the next paragraphs
}

}  // namespace exporter::docx
