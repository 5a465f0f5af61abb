#include "printing/core/pagedocx.h"

#include "exporter/core/docxbody.h"
#include "exporter/core/docxparts.h"
#include "questionbase/error.h"

#include <QHash>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace printing::pages {

namespace {

// The document's first relationships are its styles and settings.
constexpr int kFirstMediaRelation = 3;
// Qt's PNG writer turns a quality of 80 into zlib's level 1.
constexpr int kSheetPngQuality = 80;

QByteArray number(double value) {
    return QByteArray::number(qlonglong(std::lround(value)));
}

QByteArray twips(double dots) {
    return number(dots * 1440 / kDpi);
}

QByteArray emu(double dots) {
    return number(dots * 914400 / kDpi);
}

QByteArray escaped(const QString& text) {
    return exporter::docx::xmlSafe(text).toHtmlEscaped().toUtf8();
}

QByteArray runProperties(double size, bool bold) {
    const QByteArray half = QByteArray::number(qlonglong(exporter::docx::halfPoints(size)));
    return QByteArray("<w:rPr>") + (bold ? "<w:b/><w:bCs/>" : "") + "<w:sz w:val=\"" + half +
           "\"/><w:szCs w:val=\"" + half + "\"/></w:rPr>";
}

// A run of text; a line break and a tab become elements of their own.
QByteArray textRun(const QString& text, double size, bool bold) {
    QByteArray out = "<w:r>" + runProperties(size, bold);
    QString piece;
    const auto flush = [&] {
        if (!piece.isEmpty())
            out += "<w:t xml:space=\"preserve\">" + escaped(piece) + "</w:t>";
        piece.clear();
    };
    for (const QChar c : text) {
        if (c == QChar::LineSeparator || c == QLatin1Char('\t')) {
            flush();
            out += c == QLatin1Char('\t') ? "<w:tab/>" : "<w:br/>";
        } else {
            piece += c;
        }
    }
    flush();
    return out + "</w:r>";
}

QByteArray graphic(const QByteArray& extent, int id, const QByteArray& relation) {
    const QByteArray nr = QByteArray::number(id);
    return "<a:graphic><a:graphicData "
           "uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><pic:pic>"
           "<pic:nvPicPr><pic:cNvPr id=\"" +
           nr + "\" name=\"image" + nr +
           "\"/><pic:cNvPicPr/></pic:nvPicPr><pic:blipFill><a:blip r:embed=\"" + relation +
           "\"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill><pic:spPr><a:xfrm>"
           "<a:off x=\"0\" y=\"0\"/><a:ext " +
           extent +
           "/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></pic:spPr>"
           "</pic:pic></a:graphicData></a:graphic>";
}

QByteArray docPr(int id) {
    const QByteArray nr = QByteArray::number(id);
    return "<wp:docPr id=\"" + nr +
           "\" name=\"\xD0\xA0\xD0\xB8\xD1\x81\xD1\x83\xD0\xBD\xD0\xBE\xD0\xBA " + nr +
           "\"/><wp:cNvGraphicFramePr><a:graphicFrameLocks noChangeAspect=\"1\"/>"
           "</wp:cNvGraphicFramePr>";
}

// A page of marks and lines prints as well in black and white at this resolution, and a
// one-bit picture is written in a fraction of the time a grey one takes.
QImage blackAndWhite(const QImage& gray) {
    QImage mono(gray.size(), QImage::Format_Mono);
    mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    mono.setDotsPerMeterX(gray.dotsPerMeterX());
    mono.setDotsPerMeterY(gray.dotsPerMeterY());
    const int width = gray.width();
    const qsizetype lineBytes = mono.bytesPerLine();
    for (int y = 0; y < gray.height(); ++y) {
        const uchar* in = gray.constScanLine(y);
        uchar* out = mono.scanLine(y);
        std::fill_n(out, lineBytes, uchar(0));
        for (int x = 0; x < width; x += 8) {
            // Most of a sheet is paper: eight white pixels at a time.
            quint64 eight = ~quint64(0);
            if (x + 8 <= width)
                std::memcpy(&eight, in + x, 8);
            if (eight == ~quint64(0) && x + 8 <= width)
                continue;
            for (int i = x; i < std::min(x + 8, width); ++i) {
                if (in[i] < 128)
                    out[i >> 3] |= uchar(0x80 >> (i & 7));
            }
        }
    }
    return mono;
}

class DocxPages {
public:
    DocxPages(const Layout& layout, const PrintSet& set, const SheetDrawer& sheet,
              const QString& folder)
        : layout_(layout), set_(set), sheet_(sheet), folder_(folder) {}

    QByteArray body() {
        QByteArray out = exporter::docx::kDocumentStart;
        bool endsWithTable = false;
        for (qsizetype i = 0; i < layout_.pages.size(); ++i) {
            const Page& page = layout_.pages.at(i);
            pageBreak_ = i > 0;
            if (page.kind == Page::Kind::Sheet) {
                out += sheetPage(page);
                endsWithTable = false;
                continue;
            }
            for (const Item& item : page.items) {
                switch (item.kind) {
                    case Item::Kind::Paragraph:
                        out += paragraph(item);
                        break;
                    case Item::Kind::Picture:
                        out += picture(item);
                        break;
                    case Item::Kind::Table:
                        out += table(item.table);
                        break;
                }
                endsWithTable = item.kind == Item::Kind::Table;
            }
        }
        // After a table the word processor wants a paragraph of its own; a tiny one fits.
        if (endsWithTable)
            out += "<w:p><w:pPr>" + runProperties(1, false) + "</w:pPr></w:p>";
        const QByteArray margin = twips(layout_.margin);
        out += "<w:sectPr><w:pgSz w:w=\"" + twips(layout_.size.width()) + "\" w:h=\"" +
               twips(layout_.size.height()) + "\"/><w:pgMar w:top=\"" + margin + "\" w:right=\"" +
               margin + "\" w:bottom=\"" + margin + "\" w:left=\"" + margin +
               "\" w:header=\"708\" w:footer=\"708\" w:gutter=\"0\"/></w:sectPr></w:body>"
               "</w:document>\n";
        return out;
    }

    const QList<exporter::docx::MediaPart>& media() const { return media_; }

private:
    // pPr up to the spacing: keepNext, keepLines, pageBreakBefore, tabs, spacing.
    QByteArray paragraphStart(const Item& item, const QByteArray& tabs, double spaceBefore) {
        QByteArray out = "<w:p><w:pPr>";
        if (item.keepNext)
            out += "<w:keepNext/>";
        out += "<w:keepLines/>";
        if (pageBreak_)
            out += "<w:pageBreakBefore/>";
        pageBreak_ = false;
        out += tabs;
        out += "<w:spacing w:before=\"" + twips(spaceBefore) + "\" w:after=\"0\"/>";
        return out;
    }

    QByteArray paragraph(const Item& item) {
        const Paragraph& p = item.paragraph;
        QByteArray tabs;
        if (!p.label.isEmpty())
            tabs = "<w:tab w:val=\"left\" w:pos=\"" + twips(p.textX) + "\"/>";
        if (p.writeLine) {
            tabs += "<w:tab w:val=\"right\" w:leader=\"underscore\" w:pos=\"" +
                    twips(layout_.columnWidth()) + "\"/>";
        }
        if (!tabs.isEmpty())
            tabs = "<w:tabs>" + tabs + "</w:tabs>";
        QByteArray out = paragraphStart(item, tabs, p.spaceBefore);
        if (p.textX > 0) {
            out += "<w:ind w:left=\"" + twips(p.textX) + "\" w:hanging=\"" + twips(p.textX - p.x) +
                   "\"/>";
        }
        if (p.align == Align::Center)
            out += "<w:jc w:val=\"center\"/>";
        out += runProperties(p.size, p.bold) + "</w:pPr>";
        if (!p.label.isEmpty())
            out += textRun(p.label + QLatin1Char('\t'), p.size, p.labelBold);
        out += textRun(p.text, p.size, p.bold);
        if (p.writeLine)
            out += textRun(QStringLiteral("\t"), p.size, false);
        return out + "</w:p>";
    }

    QByteArray picture(const Item& item) {
        const Picture& p = item.picture;
        QByteArray out = paragraphStart(item, {}, p.spaceBefore);
        if (p.x > 0)
            out += "<w:ind w:left=\"" + twips(p.x) + "\"/>";
        out += runProperties(12, false) + "</w:pPr><w:r>" + runProperties(12, false);
        const QByteArray extent = "cx=\"" + emu(p.width) + "\" cy=\"" + emu(p.height) + '"';
        const int id = ++drawings_;
        out += "<w:drawing><wp:inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\"><wp:extent " +
               extent + "/><wp:effectExtent l=\"0\" t=\"0\" r=\"0\" b=\"0\"/>" + docPr(id) +
               graphic(extent, id, relation(p.path)) + "</wp:inline></w:drawing></w:r></w:p>";
        return out;
    }

    QByteArray table(const Table& t) {
        static const QByteArray border =
            "w:val=\"single\" w:sz=\"6\" w:space=\"0\" w:color=\"000000\"/>";
        double width = 0;
        for (double w : t.columns)
            width += w;
        QByteArray out =
            "<w:tbl><w:tblPr><w:tblW w:w=\"" + twips(width) + "\" w:type=\"dxa\"/><w:tblBorders>";
        for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"})
            out += QByteArray("<w:") + side + ' ' + border;
        out += "</w:tblBorders><w:tblLayout w:type=\"fixed\"/><w:tblCellMar><w:left w:w=\"" +
               twips(1.5 * kDotsPerMm) + "\" w:type=\"dxa\"/><w:right w:w=\"" +
               twips(1.5 * kDotsPerMm) + "\" w:type=\"dxa\"/></w:tblCellMar></w:tblPr><w:tblGrid>";
        for (double w : t.columns)
            out += "<w:gridCol w:w=\"" + twips(w) + "\"/>";
        out += "</w:tblGrid>";
        for (qsizetype r = 0; r < t.rows.size(); ++r) {
            const bool head = r == 0;
            out += "<w:tr><w:trPr><w:cantSplit/><w:trHeight w:val=\"" + twips(t.rowHeight) +
                   "\" w:hRule=\"exact\"/>" + (head ? "<w:tblHeader/>" : "") + "</w:trPr>";
            for (qsizetype c = 0; c < t.columns.size(); ++c) {
                const bool center = head || t.align.at(c) == Align::Center;
                out += "<w:tc><w:tcPr><w:tcW w:w=\"" + twips(t.columns.at(c)) +
                       "\" w:type=\"dxa\"/><w:vAlign w:val=\"center\"/></w:tcPr><w:p><w:pPr>"
                       "<w:keepNext/><w:spacing w:before=\"0\" w:after=\"0\"/>" +
                       (center ? "<w:jc w:val=\"center\"/>" : "") + runProperties(12, head) +
                       "</w:pPr>";
                const QString text = t.rows.at(r).value(c);
                if (!text.isEmpty())
                    out += textRun(text, 12, head);
                out += "</w:p></w:tc>";
            }
            out += "</w:tr>";
        }
        return out + "</w:tbl>";
    }

    // The sheet as a picture of the whole page behind the text, its corner at the page's.
    QByteArray sheetPage(const Page& page) {
        const QSize pixels(int(std::lround(layout_.size.width())),
                           int(std::lround(layout_.size.height())));
        QImage image(pixels, QImage::Format_Grayscale8);
        const int dotsPerMeter = int(std::lround(kDpi / 0.0254));
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.scale(kDotsPerMm, kDotsPerMm);
            sheet_(painter, set_.variants.at(page.variant));
        }
        const QString file = folder_ + QStringLiteral("/sheet%1.png").arg(page.variant + 1);
        // A light compression: a third of the time of the default for half again the bytes
        // of a page that is mostly paper.
        if (!blackAndWhite(image).save(file, "PNG", kSheetPngQuality))
            qb::fail(qb::Reason::Io, QStringLiteral("Не удалось записать временный файл бланка"));
        exporter::ImageInfo info;
        info.format = exporter::ImageInfo::Format::Png;
        info.width = pixels.width();
        info.height = pixels.height();
        info.dpiX = info.dpiY = kDpi;
        const QByteArray rel = addMedia(file, info);

        QByteArray out = "<w:p><w:pPr>";
        if (pageBreak_)
            out += "<w:pageBreakBefore/>";
        pageBreak_ = false;
        out += "<w:spacing w:before=\"0\" w:after=\"0\"/>" + runProperties(1, false) +
               "</w:pPr><w:r>" + runProperties(1, false);
        const QByteArray extent =
            "cx=\"" + emu(layout_.size.width()) + "\" cy=\"" + emu(layout_.size.height()) + '"';
        const int id = ++drawings_;
        out +=
            "<w:drawing><wp:anchor distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\""
            " simplePos=\"0\" relativeHeight=\"" +
            QByteArray::number(id) +
            "\" behindDoc=\"1\" locked=\"1\" layoutInCell=\"1\" allowOverlap=\"1\">"
            "<wp:simplePos x=\"0\" y=\"0\"/>"
            "<wp:positionH relativeFrom=\"page\"><wp:posOffset>0</wp:posOffset></wp:positionH>"
            "<wp:positionV relativeFrom=\"page\"><wp:posOffset>0</wp:posOffset></wp:positionV>"
            "<wp:extent " +
            extent + "/><wp:effectExtent l=\"0\" t=\"0\" r=\"0\" b=\"0\"/><wp:wrapNone/>" +
            docPr(id) + graphic(extent, id, rel) + "</wp:anchor></w:drawing></w:r></w:p>";
        return out;
    }

    QByteArray relation(const QString& path) {
        const auto found = relations_.constFind(path);
        if (found != relations_.cend())
            return *found;
        const auto info = exporter::readImageInfo(path);
        if (!info)
            qb::fail(qb::Reason::Io, QStringLiteral("Не удалось прочитать рисунок %1").arg(path));
        return addMedia(path, *info);
    }

    QByteArray addMedia(const QString& path, const exporter::ImageInfo& info) {
        exporter::docx::MediaPart part;
        part.source = path;
        part.info = info;
        part.partName =
            QStringLiteral("media/image%1.%2").arg(media_.size() + 1).arg(info.extension());
        part.relationId = QStringLiteral("rId%1").arg(media_.size() + kFirstMediaRelation);
        media_.append(part);
        const QByteArray rel = part.relationId.toUtf8();
        relations_.insert(path, rel);
        return rel;
    }

    const Layout& layout_;
    const PrintSet& set_;
    const SheetDrawer& sheet_;
    QString folder_;
    bool pageBreak_ = false;
    int drawings_ = 0;
    QList<exporter::docx::MediaPart> media_;
    QHash<QString, QByteArray> relations_;
};

}  // namespace

void writeDocx(const Layout& layout, const PrintSet& set, const SheetDrawer& sheet,
               const QString& title, const QString& path) {
    QTemporaryDir folder;
    if (!folder.isValid())
        qb::fail(qb::Reason::Io, QStringLiteral("Не удалось создать временную папку"));
    DocxPages pages(layout, set, sheet, folder.path());
    const QByteArray body = pages.body();
    QFile bodyFile(folder.filePath(QStringLiteral("document.xml")));
    if (!bodyFile.open(QIODevice::WriteOnly) || bodyFile.write(body) != body.size() ||
        !bodyFile.flush())
        qb::fail(qb::Reason::Io, QStringLiteral("Не удалось записать временный файл документа"));
    bodyFile.close();
    exporter::docx::Package package;
    package.title = title;
    package.body = bodyFile.fileName();
    package.media = pages.media();
    exporter::docx::writePackage(path, package);
}

}  // namespace printing::pages
