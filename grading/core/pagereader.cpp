#include "grading/core/sheetread.h"

#include "grading/core/bubblemeter.h"
#include "grading/core/codescan.h"
#include "grading/core/markfinder.h"
#include "printing/core/sheetgeometry.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <optional>

namespace grading {

namespace sheet = printing::sheet;
using sheet::Form;
using namespace detail;

namespace {

// The form is measured at about 125 dpi: a bubble's inner part is still some 200 pixels, and
// the map of a whole form costs little.
constexpr double kFormPixelsPerMm = 5.0;
// The code's modules are half a millimetre on a full sheet: zbar wants four pixels or more each.
constexpr double kCodePixelsPerMm = 8.0;
constexpr double kCropPixelsPerMm = 100 / 25.4;
constexpr int kPageCropSide = 800;

// Form millimetres to page pixels.
using Map = cv::Matx33d;

Map mapOf(const std::array<cv::Point2d, 4>& pixels, Form form) {
    const std::array<cv::Point2d, 4> mm = markCentresMm(form);
    std::array<cv::Point2f, 4> from, to;
    for (int i = 0; i < 4; ++i) {
        from[i] = cv::Point2f(mm[i]);
        to[i] = cv::Point2f(pixels[i]);
    }
    return Map(cv::getPerspectiveTransform(from.data(), to.data()));
}

cv::Point2d apply(const Map& map, cv::Point2d p) {
    const cv::Vec3d v = map * cv::Vec3d(p.x, p.y, 1);
    return {v[0] / v[2], v[1] / v[2]};
}

// `area` of the form, square at `pixelsPerMm`.
cv::Mat rectify(const cv::Mat& gray, const Map& map, const QRectF& area, double pixelsPerMm) {
    const Map fromOutput(1 / pixelsPerMm, 0, area.left(), 0, 1 / pixelsPerMm, area.top(), 0, 0, 1);
    cv::Mat out;
    cv::warpPerspective(gray, out, cv::Mat(map * fromOutput),
                        cv::Size(int(area.width() * pixelsPerMm), int(area.height() * pixelsPerMm)),
                        cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_REPLICATE);
    return out;
}

// The average grey of `area` on the page, from a grid of samples: enough to tell the code's
// dense square from the bubbles that lie there when the form is turned.
double meanGrey(const cv::Mat& gray, const Map& map, const QRectF& area) {
    constexpr int kSteps = 16;
    double sum = 0;
    int count = 0;
    for (int i = 0; i < kSteps; ++i)
        for (int j = 0; j < kSteps; ++j) {
            const cv::Point2d mm(area.left() + (i + 0.5) * area.width() / kSteps,
                                 area.top() + (j + 0.5) * area.height() / kSteps);
            const cv::Point p = apply(map, mm);
            if (p.x < 0 || p.y < 0 || p.x >= gray.cols || p.y >= gray.rows)
                continue;
            sum += gray.at<uchar>(p);
            ++count;
        }
    return count > 0 ? sum / count : 255.0;
}

QImage toImage(const cv::Mat& grey) {
    return QImage(grey.data, grey.cols, grey.rows, int(grey.step), QImage::Format_Grayscale8)
        .copy();
}

QImage crop(const cv::Mat& form, const QRectF& mm) {
    const cv::Rect area =
        cv::Rect(int(mm.left() * kFormPixelsPerMm), int(mm.top() * kFormPixelsPerMm),
                 int(mm.width() * kFormPixelsPerMm), int(mm.height() * kFormPixelsPerMm)) &
        cv::Rect(0, 0, form.cols, form.rows);
    if (area.area() == 0)
        return {};
    cv::Mat small;
    const double scale = kCropPixelsPerMm / kFormPixelsPerMm;
    cv::resize(form(area), small, {}, scale, scale, cv::INTER_AREA);
    return toImage(small);
}

// The mark about where an approximate map puts its centre `mm`: a dark blob of a mark's size
// in a window around it, unless that window leaves the page. Under a photo's perspective the
// other three marks may place it a centimetre off.
std::optional<cv::Point2d> markNear(const cv::Mat& gray, const Map& map, cv::Point2d mm) {
    constexpr double kPerMm = 4.0;
    constexpr double kReach = 14.0;
    const QRectF window(mm.x - kReach, mm.y - kReach, 2 * kReach, 2 * kReach);
    for (const QPointF corner :
         {window.topLeft(), window.topRight(), window.bottomLeft(), window.bottomRight()}) {
        const cv::Point2d p = apply(map, {corner.x(), corner.y()});
        if (p.x < 0 || p.y < 0 || p.x >= gray.cols || p.y >= gray.rows)
            return std::nullopt;
    }
    cv::Mat ink, labels, stats, centroids;
    cv::threshold(rectify(gray, map, window, kPerMm), ink, 0, 255,
                  cv::THRESH_BINARY_INV | cv::THRESH_OTSU);
    const int count = cv::connectedComponentsWithStats(ink, labels, stats, centroids, 8, CV_32S);
    const double markArea = std::pow(sheet::kMarkSize * kPerMm, 2);
    std::optional<cv::Point2d> best;
    double bestDistance = kReach * kPerMm;
    for (int i = 1; i < count; ++i) {
        const int w = stats.at<int>(i, cv::CC_STAT_WIDTH), h = stats.at<int>(i, cv::CC_STAT_HEIGHT);
        const int area = stats.at<int>(i, cv::CC_STAT_AREA);
        if (area < 0.65 * markArea || area > 1.6 * markArea || area < 0.7 * w * h)
            continue;
        const cv::Point2d centre(centroids.at<double>(i, 0), centroids.at<double>(i, 1));
        const double distance = std::hypot(centre.x - kReach * kPerMm, centre.y - kReach * kPerMm);
        if (distance < bestDistance) {
            bestDistance = distance;
            best =
                apply(map, {window.left() + centre.x / kPerMm, window.top() + centre.y / kPerMm});
        }
    }
    return best;
}

QByteArray codeAt(const cv::Mat& gray, const Map& map, Form form) {
    const QRectF square = sheet::codeSquare(form).adjusted(-1, -1, 1, 1);
    const QList<FoundCode> codes = scanCodes(rectify(gray, map, square, kCodePixelsPerMm));
    return codes.isEmpty() ? QByteArray() : codes.first().text;
}

bool exactlyOneFilled(const QList<Bubble>& row) {
    int filled = 0;
    for (const Bubble& bubble : row) {
        if (bubble.mark == Mark::Doubtful)
            return false;
        filled += bubble.mark == Mark::Filled ? 1 : 0;
    }
    return filled == 1;
}

// One form located on the page, its code read or not.
struct Located {
    Map map;
    Form form = Form::Full;
    QByteArray text;
};

class PageReader {
public:
    explicit PageReader(const cv::Mat& gray) : gray_(gray) {}

    QList<Located> locate(const MarkQuad& quad);
    FormRead measure(const Located& located) const;

private:
    const QList<FoundCode>& wholePageCodes();

    const cv::Mat& gray_;
    bool pageScanned_ = false;
    QList<FoundCode> pageCodes_;
};

const QList<FoundCode>& PageReader::wholePageCodes() {
    if (!pageScanned_) {
        pageCodes_ = scanCodes(gray_);
        pageScanned_ = true;
    }
    return pageCodes_;
}

QList<Located> PageReader::locate(const MarkQuad& marks) {
    MarkQuad quad = marks;
    if (quad.missing >= 0) {
        // The others place it well enough to look for it where they say.
        const Map guess = mapOf(quad.centres, quad.form);
        if (const auto mark = markNear(gray_, guess, markCentresMm(quad.form)[quad.missing]))
            quad.centres[quad.missing] = *mark;
    }
    const auto& c = quad.centres;
    std::array<Map, 2> maps = {mapOf(c, quad.form), mapOf({c[3], c[2], c[1], c[0]}, quad.form)};
    // The code's dense square is darker than the bubbles that lie there when the form is
    // turned: the darker way is tried first.
    const QRectF square = sheet::codeSquare(quad.form);
    if (meanGrey(gray_, maps[1], square) < meanGrey(gray_, maps[0], square))
        std::swap(maps[0], maps[1]);

    Located found{maps[0], quad.form, {}};
    for (const Map& map : maps) {
        const QByteArray text = codeAt(gray_, map, quad.form);
        if (!text.isEmpty()) {
            found = {map, quad.form, text};
            break;
        }
    }
    if (found.text.isEmpty() && quad.missing < 0) {
        // The code may still be readable where zbar looks at the page as it is.
        for (const FoundCode& code : wholePageCodes())
            for (const Map& map : maps) {
                const cv::Point2d mm = apply(map.inv(), code.centre);
                if (square.adjusted(-3, -3, 3, 3).contains(mm.x, mm.y))
                    found = {map, quad.form, code.text};
            }
    }

    if (found.text.isEmpty() && quad.missing >= 0)
        return {};
    QList<Located> forms = {found};
    const std::optional<printing::SheetCode> code = printing::decodeSheetCode(found.text);
    if (!code)
        return forms;
    forms.first().form = sheet::formFor(int(code->questions.size()));
    // Two half forms taken for one full form (a mark of the inner ones unseen): the lower one
    // is read through the same map.
    if (quad.form == Form::Full && forms.first().form == Form::Half) {
        const QPointF shift = sheet::formOrigin(Form::Half, 1);
        const Map lower = found.map * Map(1, 0, shift.x(), 0, 1, shift.y(), 0, 0, 1);
        forms.append({lower, Form::Half, codeAt(gray_, lower, Form::Half)});
    }
    return forms;
}

FormRead PageReader::measure(const Located& located) const {
    FormRead read;
    read.codeText = located.text;
    read.code = printing::decodeSheetCode(located.text);
    const Form form = located.form;
    const cv::Mat rectified =
        rectify(gray_, located.map, QRectF(0, 0, sheet::kFrameWidth, sheet::formHeight(form)),
                kFormPixelsPerMm);
    read.nameCrop = crop(rectified, sheet::nameBox(form));
    read.listCrop = crop(rectified, sheet::listFieldBox(form));
    if (!read.code) {
        cv::Mat small;
        const double scale =
            std::min(1.0, double(kPageCropSide) / std::max(gray_.cols, gray_.rows));
        cv::resize(gray_, small, {}, scale, scale, cv::INTER_AREA);
        read.pageCrop = toImage(small);
        return read;
    }

    BubbleMeter meter(rectified, kFormPixelsPerMm);
    QList<QRectF> marks;
    for (sheet::Corner corner :
         {sheet::TopLeft, sheet::TopRight, sheet::BottomLeft, sheet::BottomRight})
        marks.append(sheet::cornerMark(form, corner));
    meter.calibrate(marks);

    // Rings out of place mean marks taken for others, or a page bent: nothing read through
    // such a map is decided, every row is asked about.
    const int questions = int(read.code->questions.size());
    int rings = 0, ringsInPlace = 0;
    const auto checkRing = [&](QPointF centre) {
        ++rings;
        ringsInPlace += meter.ringInPlace(centre) ? 1 : 0;
    };
    for (int digit = 0; digit < kDigits; ++digit)
        for (int place = 0; place < kListPlaces; ++place)
            checkRing(sheet::listBubble(form, place, digit));
    for (int question = 0; question < questions; ++question) {
        checkRing(sheet::answerBubble(questions, question, 0));
        const int last = int(read.code->questions[question].order.size()) - 1;
        checkRing(sheet::answerBubble(questions, question, last));
    }
    const bool mapped = ringsInPlace >= 0.8 * rings;

    for (int place = 0; place < kListPlaces; ++place) {
        QList<BubbleShape> column;
        for (int digit = 0; digit < kDigits; ++digit)
            column.append(meter.measure(sheet::listBubble(form, place, digit)));
        const QList<Bubble> decided = decideRow(column);
        for (int digit = 0; digit < kDigits; ++digit) {
            read.listNumber[place][digit] = decided[digit];
            if (!mapped)
                read.listNumber[place][digit].mark = Mark::Doubtful;
        }
    }

    for (int question = 0; question < questions; ++question) {
        const int options = int(read.code->questions[question].order.size());
        QList<BubbleShape> row;
        for (int option = 0; option < options; ++option)
            row.append(meter.measure(sheet::answerBubble(questions, question, option)));
        read.answers.append(decideRow(row));
        if (!mapped)
            for (Bubble& bubble : read.answers.last())
                bubble.mark = Mark::Doubtful;
        if (!exactlyOneFilled(read.answers.last()))
            read.rowCrops.insert(
                question, crop(rectified, sheet::answerRowBox(questions, question, options)));
    }
    return read;
}

}  // namespace

PageRead readPage(const QImage& page, const QString& file, int pageIndex) {
    PageRead result;
    const QImage grey = page.convertToFormat(QImage::Format_Grayscale8);
    if (grey.isNull()) {
        result.problem = QStringLiteral("на странице не найден бланк");
        return result;
    }
    const cv::Mat gray(grey.height(), grey.width(), CV_8UC1, const_cast<uchar*>(grey.constBits()),
                       size_t(grey.bytesPerLine()));

    PageReader reader(gray);
    QList<Located> located;
    // Forms whose code was read first, then the best fitting marks: a later form overlapping
    // one kept already is the same sheet seen through a mark of something else.
    QList<Located> candidates;
    for (const MarkQuad& quad : findMarkQuads(gray))
        candidates += reader.locate(quad);
    std::stable_sort(candidates.begin(), candidates.end(), [](const Located& a, const Located& b) {
        return !a.text.isEmpty() && b.text.isEmpty();
    });
    const auto middle = [](const Located& form) {
        return apply(form.map, {sheet::kFrameWidth / 2, sheet::formHeight(form.form) / 2});
    };
    const auto covers = [](const Located& form, cv::Point2d pixel) {
        const cv::Point2d mm = apply(form.map.inv(), pixel);
        return mm.x > 0 && mm.x < sheet::kFrameWidth && mm.y > 0 &&
               mm.y < sheet::formHeight(form.form);
    };
    for (const Located& form : candidates)
        if (std::none_of(located.begin(), located.end(), [&](const Located& other) {
                return covers(other, middle(form)) || covers(form, middle(other));
            }))
            located.append(form);
    // A half form whose marks were not all found may still stand above or below one that was,
    // its code where the other's map says; an empty half is a sheet cut in two.
    for (qsizetype i = 0, count = located.size(); i < count; ++i) {
        if (located[i].form != Form::Half || located[i].text.isEmpty())
            continue;
        for (int side : {-1, 1}) {
            Located other{
                located[i].map * Map(1, 0, 0, 0, 1, side * sheet::formHeight(Form::Half), 0, 0, 1),
                Form::Half,
                {}};
            const cv::Point2d at = middle(other);
            if (at.x < 0 || at.y < 0 || at.x >= gray.cols || at.y >= gray.rows ||
                std::any_of(located.begin(), located.end(),
                            [&](const Located& form) { return covers(form, at); }))
                continue;
            other.text = codeAt(gray, other.map, Form::Half);
            if (!printing::decodeSheetCode(other.text))
                continue;
            std::array<cv::Point2d, 4> marks;
            int found = 0;
            for (int c = 0; c < 4; ++c) {
                if (const auto mark = markNear(gray, other.map, markCentresMm(Form::Half)[c])) {
                    marks[c] = *mark;
                    ++found;
                }
            }
            if (found == 4)
                other.map = mapOf(marks, Form::Half);
            located.append(other);
        }
    }
    if (located.isEmpty()) {
        result.problem = QStringLiteral("на странице не найден бланк");
        return result;
    }
    // Forms in the order they stand on the sheet, however the page lies: by their middles as
    // the first form's map sees them.
    const Map firstBack = located.first().map.inv();
    const auto height = [&](const Located& form) {
        const cv::Point2d middle(sheet::kFrameWidth / 2, sheet::formHeight(form.form) / 2);
        return apply(firstBack, apply(form.map, middle)).y;
    };
    std::stable_sort(located.begin(), located.end(),
                     [&](const Located& a, const Located& b) { return height(a) < height(b); });
    for (int i = 0; i < located.size(); ++i) {
        FormRead form = reader.measure(located[i]);
        form.file = file;
        form.page = pageIndex;
        form.form = i;
        result.forms.append(form);
    }
    return result;
}

}  // namespace grading
