#include "grading/core/bubblemeter.h"

#include "printing/core/sheetgeometry.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace grading::detail {

namespace sheet = printing::sheet;

namespace {

// Inside the printed ring by a margin that a slightly misplaced map still keeps off the ring.
constexpr double kInnerShare = 0.7;
// The paper's level is the brightest nearby: wider than a mark, so a filled bubble never
// passes for paper.
constexpr int kPaperReachMm = 11;
// Lines of a withdrawing cross are looked for between these radii, beyond the ring and short
// of the neighbouring bubbles.
constexpr double kCrossFrom = 2.85;
constexpr double kCrossTo = 3.4;
constexpr double kStrokeMm = 0.3;  // ink thinner than twice this is a line, not a filling
constexpr double kRingMm = 0.3;    // the printed ring's line

enum class Kind { Blank, Solid, Partial, Stroke, Crossed };

// A filling covers the inner part whole, however pale the pen; a half-done one leaves a solid
// patch; a tick or a cross is lines only. On the synthetic scans a filling's solid share is
// near 1, a tick's or a cross's near 0, and an empty bubble's mean stays under a few hundredths.
Kind kindOf(const BubbleShape& shape) {
    if (shape.solid >= 0.6 && shape.cover >= 0.8 && shape.mean >= 0.4)
        return shape.crossedOut ? Kind::Crossed : Kind::Solid;
    if (shape.solid >= 0.06 && shape.mean >= 0.12)
        return Kind::Partial;
    if (shape.mean >= 0.08)
        return Kind::Stroke;
    return Kind::Blank;
}

}  // namespace

BubbleMeter::BubbleMeter(const cv::Mat& form, double pixelsPerMm)
    : form_(form), pixelsPerMm_(pixelsPerMm) {
    cv::Mat coarse;
    cv::resize(form, coarse, {}, 1 / pixelsPerMm, 1 / pixelsPerMm, cv::INTER_AREA);
    cv::dilate(coarse, coarse,
               cv::getStructuringElement(cv::MORPH_RECT, {kPaperReachMm, kPaperReachMm}));
    coarse.convertTo(paper_, CV_32F);
    cv::blur(paper_, paper_, {kPaperReachMm, kPaperReachMm});

    const double inner = kInnerShare * sheet::kBubbleRadius * pixelsPerMm;
    const double from = kCrossFrom * pixelsPerMm, to = kCrossTo * pixelsPerMm;
    patchReach_ = int(std::ceil(inner)) + 2;
    const int reach = int(std::ceil(to));
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            const double r = std::hypot(dx, dy);
            if (r <= inner)
                inner_.push_back({dx, dy});
            if (r < from || r > to)
                continue;
            // Within 20° of a diagonal.
            const double angle = std::atan2(std::abs(dy), std::abs(dx)) * 180 / M_PI;
            if (std::abs(angle - 45) <= 20)
                around_.push_back({{dx, dy}, (dx > 0 ? 1 : 0) + (dy > 0 ? 2 : 0)});
        }
    const int e = std::max(1, int(std::lround(kStrokeMm * pixelsPerMm)));
    erosion_ = cv::getStructuringElement(cv::MORPH_ELLIPSE, {2 * e + 1, 2 * e + 1});
}

double BubbleMeter::paperAt(QPointF mm) const {
    const int x = std::clamp(int(mm.x()), 0, paper_.cols - 1);
    const int y = std::clamp(int(mm.y()), 0, paper_.rows - 1);
    return std::max(1.0f, paper_.at<float>(y, x));
}

double BubbleMeter::meanAt(const QRectF& mm) const {
    const cv::Rect area =
        cv::Rect(int(mm.left() * pixelsPerMm_), int(mm.top() * pixelsPerMm_),
                 int(mm.width() * pixelsPerMm_), int(mm.height() * pixelsPerMm_)) &
        cv::Rect(0, 0, form_.cols, form_.rows);
    return area.area() > 0 ? cv::mean(form_(area))[0] : 255.0;
}

void BubbleMeter::calibrate(const QList<QRectF>& solidMm) {
    double sum = 0;
    for (const QRectF& square : solidMm) {
        // The middle of the square: its edges are blurred into the paper.
        const QRectF middle = square.adjusted(1, 1, -1, -1);
        sum += meanAt(middle) / paperAt(square.center());
    }
    if (!solidMm.isEmpty())
        inkShare_ = std::clamp(sum / solidMm.size(), 0.0, 0.8);
}

BubbleShape BubbleMeter::measure(QPointF centreMm) const {
    BubbleShape shape;
    const cv::Point centre(int(std::lround(centreMm.x() * pixelsPerMm_)),
                           int(std::lround(centreMm.y() * pixelsPerMm_)));
    const int reach = patchReach_;
    const cv::Rect patchRect(centre.x - reach, centre.y - reach, 2 * reach + 1, 2 * reach + 1);
    if ((patchRect & cv::Rect(0, 0, form_.cols, form_.rows)) != patchRect)
        return shape;
    const double paper = paperAt(centreMm);
    const double scale = 1.0 / (paper * (1.0 - inkShare_));
    const auto darkness = [&](int x, int y) { return (paper - form_.at<uchar>(y, x)) * scale; };

    cv::Mat dark(patchRect.size(), CV_32F);
    for (int y = 0; y < dark.rows; ++y)
        for (int x = 0; x < dark.cols; ++x)
            dark.at<float>(y, x) = float(darkness(patchRect.x + x, patchRect.y + y));

    std::vector<float> inside;
    inside.reserve(inner_.size());
    double sum = 0;
    for (const cv::Point& p : inner_) {
        const float d = dark.at<float>(reach + p.y, reach + p.x);
        inside.push_back(d);
        sum += d;
    }
    shape.mean = sum / double(inner_.size());
    const auto p90 = inside.begin() + qsizetype(inside.size() * 9 / 10);
    std::nth_element(inside.begin(), p90, inside.end());
    const float level = std::max(0.3f, *p90 / 2);
    cv::Mat inked = dark > level;
    cv::Mat core;
    cv::erode(inked, core, erosion_);
    int covered = 0, solid = 0;
    for (const cv::Point& p : inner_) {
        covered += inked.at<uchar>(reach + p.y, reach + p.x) ? 1 : 0;
        solid += core.at<uchar>(reach + p.y, reach + p.x) ? 1 : 0;
    }
    shape.cover = double(covered) / double(inner_.size());
    shape.solid = double(solid) / double(inner_.size());

    if (shape.solid >= 0.5) {
        std::array<int, 4> inkedAround{}, total{};
        for (const auto& [p, quarter] : around_) {
            const int x = centre.x + p.x, y = centre.y + p.y;
            if (x < 0 || y < 0 || x >= form_.cols || y >= form_.rows)
                continue;
            ++total[quarter];
            inkedAround[quarter] += darkness(x, y) > 0.35 ? 1 : 0;
        }
        int lines = 0;
        for (int q = 0; q < 4; ++q)
            lines += total[q] > 0 && inkedAround[q] >= 0.05 * total[q] ? 1 : 0;
        shape.crossedOut = lines >= 2;
    }
    return shape;
}

bool BubbleMeter::ringInPlace(QPointF centreMm) const {
    constexpr int kSamples = 32;
    const double paper = paperAt(centreMm);
    const double scale = 1.0 / (paper * (1.0 - inkShare_));
    const auto around = [&](double radiusMm) {
        double sum = 0;
        int count = 0;
        for (int i = 0; i < kSamples; ++i) {
            const double angle = 2 * M_PI * i / kSamples;
            const int x =
                int(std::lround((centreMm.x() + radiusMm * std::cos(angle)) * pixelsPerMm_));
            const int y =
                int(std::lround((centreMm.y() + radiusMm * std::sin(angle)) * pixelsPerMm_));
            if (x < 0 || y < 0 || x >= form_.cols || y >= form_.rows)
                continue;
            sum += (paper - form_.at<uchar>(y, x)) * scale;
            ++count;
        }
        return count > 0 ? sum / count : 0.0;
    };
    const double ring = sheet::kBubbleRadius - kRingMm / 2;
    return around(ring) - around(kCrossFrom) >= 0.15;
}

QList<Bubble> decideRow(const QList<BubbleShape>& row) {
    QList<Bubble> bubbles;
    int marked = 0;
    for (const BubbleShape& shape : row) {
        Bubble bubble;
        bubble.darkness = std::clamp(shape.mean, 0.0, 1.0);
        switch (kindOf(shape)) {
            case Kind::Blank:
                bubble.mark = Mark::Empty;
                break;
            case Kind::Solid:
                bubble.mark = Mark::Filled;
                break;
            default:
                bubble.mark = Mark::Doubtful;
        }
        marked += bubble.mark != Mark::Empty ? 1 : 0;
        bubbles.append(bubble);
    }
    if (marked == 1)
        for (int i = 0; i < row.size(); ++i)
            if (kindOf(row[i]) == Kind::Stroke)
                bubbles[i].mark = Mark::Filled;
    return bubbles;
}

}  // namespace grading::detail
