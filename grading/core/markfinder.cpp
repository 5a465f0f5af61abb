#include "grading/core/markfinder.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

namespace grading::detail {

namespace sheet = printing::sheet;
using sheet::Form;

namespace {

// The page is searched at no more than this many pixels along its longer side: a mark is still
// some 10 pixels wide there, and the search costs little at any resolution of the scan.
constexpr double kSearchSide = 1200.0;
// Darker than this share of the local paper counts as ink while searching.
constexpr double kInkRatio = 0.6;

struct Candidate {
    cv::Point2d centre;  // in the searched copy's pixels
    double side = 0;
};

double distance(cv::Point2d a, cv::Point2d b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

double markSpanX() {
    return sheet::cornerMark(Form::Full, sheet::TopRight).center().x() -
           sheet::cornerMark(Form::Full, sheet::TopLeft).center().x();
}

double markSpanY(Form form) {
    return sheet::cornerMark(form, sheet::BottomLeft).center().y() -
           sheet::cornerMark(form, sheet::TopLeft).center().y();
}

// Solid, square dark blobs: marks, and whatever else looks like one. Circles (filled bubbles)
// fill π/4 of their bounding rectangle, a mark nearly all of it, at any turn.
std::vector<Candidate> findCandidates(const cv::Mat& small) {
    cv::Mat paper;
    const int reach = std::max(15, int(std::max(small.cols, small.rows) / 297.0 * 14.0) | 1);
    cv::dilate(small, paper, cv::getStructuringElement(cv::MORPH_RECT, {reach, reach}));
    cv::blur(paper, paper, {reach, reach});
    cv::Mat smallF, paperF;
    small.convertTo(smallF, CV_32F);
    paper.convertTo(paperF, CV_32F, kInkRatio);
    cv::Mat ink = smallF < paperF;

    cv::Mat labels, stats, centroids;
    const int count = cv::connectedComponentsWithStats(ink, labels, stats, centroids, 8, CV_32S);
    const int longest = std::max(small.cols, small.rows);
    std::vector<Candidate> found;
    for (int i = 1; i < count; ++i) {
        const int w = stats.at<int>(i, cv::CC_STAT_WIDTH);
        const int h = stats.at<int>(i, cv::CC_STAT_HEIGHT);
        const int area = stats.at<int>(i, cv::CC_STAT_AREA);
        if (std::min(w, h) < 5 || std::max(w, h) > longest / 12 ||
            std::max(w, h) > 1.6 * std::min(w, h) || area < 0.55 * w * h)
            continue;
        const int left = stats.at<int>(i, cv::CC_STAT_LEFT);
        const int top = stats.at<int>(i, cv::CC_STAT_TOP);
        const cv::Mat blob = labels(cv::Rect(left, top, w, h)) == i;
        std::vector<std::vector<cv::Point>> contours;
        cv::findContours(blob, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
        if (contours.empty())
            continue;
        const auto largest =
            std::max_element(contours.begin(), contours.end(),
                             [](const auto& a, const auto& b) { return a.size() < b.size(); });
        const cv::RotatedRect box = cv::minAreaRect(*largest);
        const double boxArea = double(box.size.width) * box.size.height;
        const double ratio = std::max(box.size.width, box.size.height) /
                             std::max(1.0f, std::min(box.size.width, box.size.height));
        if (boxArea <= 0 || ratio > 1.3)
            continue;
        // A four-cornered outline that its corners' polygon fills, however a photo skews it;
        // a circle may come out as four corners too, but fills far more than their square.
        // Both areas are measured through the outline's pixel centres.
        const double outline = cv::contourArea(*largest);
        std::vector<cv::Point> corners;
        cv::approxPolyDP(*largest, corners, 0.06 * cv::arcLength(*largest, true), true);
        if (corners.size() != 4 || !cv::isContourConvex(corners) ||
            std::abs(outline / std::max(1.0, cv::contourArea(corners)) - 1) > 0.12 ||
            outline < 0.75 * boxArea)
            continue;
        found.push_back(
            {{centroids.at<double>(i, 0), centroids.at<double>(i, 1)}, std::sqrt(double(area))});
    }
    return found;
}

// The mark's centre at full resolution: the ink-weighted centroid of the window around it.
cv::Point2d refine(const cv::Mat& gray, cv::Point2d centre, double side) {
    const int half = std::max(3, int(side * 0.75));
    const cv::Rect window =
        cv::Rect(int(centre.x) - half, int(centre.y) - half, 2 * half + 1, 2 * half + 1) &
        cv::Rect(0, 0, gray.cols, gray.rows);
    if (window.area() == 0)
        return centre;
    double low = 0, high = 0;
    cv::minMaxLoc(gray(window), &low, &high);
    const double middle = (low + high) / 2;
    double sum = 0, sx = 0, sy = 0;
    for (int y = window.y; y < window.br().y; ++y) {
        const uchar* row = gray.ptr<uchar>(y);
        for (int x = window.x; x < window.br().x; ++x) {
            const double weight = middle - row[x];
            if (weight <= 0)
                continue;
            sum += weight;
            sx += weight * x;
            sy += weight * y;
        }
    }
    return sum > 0 ? cv::Point2d(sx / sum, sy / sum) : centre;
}

// Quads of `form` whose first two marks are any ordered pair: the others must lie where the
// pair's spacing places them, perpendicular to it.
void collectQuads(const std::vector<Candidate>& marks, Form form, std::vector<MarkQuad>& out,
                  std::vector<std::array<int, 4>>& members) {
    const double expected = markSpanX() / sheet::kMarkSize;
    const double down = markSpanY(form) / markSpanX();
    const int n = int(marks.size());
    const auto similar = [](double a, double b) { return std::max(a, b) < 1.35 * std::min(a, b); };
    const auto nearest = [&](cv::Point2d at, double tolerance, double side, int a, int b) {
        int best = -1;
        double bestDistance = tolerance;
        for (int k = 0; k < n; ++k) {
            if (k == a || k == b || !similar(marks[k].side, side))
                continue;
            const double d = distance(marks[k].centre, at);
            if (d < bestDistance) {
                bestDistance = d;
                best = k;
            }
        }
        return std::pair(best, bestDistance);
    };
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            if (i == j || !similar(marks[i].side, marks[j].side))
                continue;
            const cv::Point2d a = marks[i].centre, b = marks[j].centre;
            const double span = distance(a, b);
            const double side = (marks[i].side + marks[j].side) / 2;
            if (span < 0.75 * expected * side || span > 1.3 * expected * side)
                continue;
            const cv::Point2d across = cv::Point2d(-(b.y - a.y), b.x - a.x) * down;
            // Loose enough for a photo's perspective; the nearest candidates win.
            const double tolerance = 0.2 * span;
            const auto [k, dk] = nearest(a + across, tolerance, side, i, j);
            const auto [l, dl] = nearest(b + across, tolerance, side, i, j);
            if ((k < 0 && l < 0) || (k >= 0 && k == l))
                continue;
            MarkQuad quad;
            quad.form = form;
            if (k >= 0 && l >= 0) {
                quad.centres = {a, b, marks[k].centre, marks[l].centre};
                quad.residual = (dk + dl) / span;
            } else {
                // The missing corner completes the parallelogram; such quads rank after every
                // complete one.
                const cv::Point2d c = k >= 0 ? marks[k].centre : a + (marks[l].centre - b);
                const cv::Point2d d = l >= 0 ? marks[l].centre : b + (marks[k].centre - a);
                quad.centres = {a, b, c, d};
                quad.residual = 1 + (k >= 0 ? dk : dl) / span;
                quad.missing = k >= 0 ? 3 : 2;
            }
            out.push_back(quad);
            members.push_back({i, j, k, l});
        }
}

}  // namespace

std::array<cv::Point2d, 4> markCentresMm(Form form) {
    std::array<cv::Point2d, 4> centres;
    const sheet::Corner corners[] = {sheet::TopLeft, sheet::TopRight, sheet::BottomLeft,
                                     sheet::BottomRight};
    for (int i = 0; i < 4; ++i) {
        const QPointF c = sheet::cornerMark(form, corners[i]).center();
        centres[i] = {c.x(), c.y()};
    }
    return centres;
}

QList<MarkQuad> findMarkQuads(const cv::Mat& gray) {
    // A whole factor: OpenCV averages whole blocks of pixels several times faster.
    const int factor = int(std::ceil(std::max(gray.cols, gray.rows) / kSearchSide));
    const double scale = 1.0 / factor;
    cv::Mat small;
    if (scale < 1.0)
        cv::resize(gray, small, {}, scale, scale, cv::INTER_AREA);
    else
        small = gray;
    std::vector<Candidate> marks = findCandidates(small);
    // A page of solid squares is no sheet; keeping the largest keeps the search short.
    if (marks.size() > 80) {
        std::nth_element(marks.begin(), marks.begin() + 80, marks.end(),
                         [](const Candidate& a, const Candidate& b) { return a.side > b.side; });
        marks.resize(80);
    }

    QList<MarkQuad> chosen;
    std::vector<bool> used(marks.size(), false);
    std::vector<MarkQuad> quads;
    std::vector<std::array<int, 4>> members;
    for (Form form : {Form::Half, Form::Full})
        collectQuads(marks, form, quads, members);
    // The outer marks of two half forms are spaced as one full form's: where both fit about
    // as well, the half forms win.
    const auto rank = [&](int q) {
        return quads[q].residual - (quads[q].form == Form::Half ? 0.03 : 0.0);
    };
    std::vector<int> order(quads.size());
    for (int i = 0; i < int(order.size()); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](int a, int b) { return rank(a) < rank(b); });
    for (int q : order) {
        const auto& m = members[q];
        if (std::any_of(m.begin(), m.end(), [&](int k) { return k >= 0 && used[k]; }))
            continue;
        for (int k : m)
            if (k >= 0)
                used[k] = true;
        MarkQuad quad = quads[q];
        for (int c = 0; c < 4; ++c)
            quad.centres[c] = m[c] < 0
                                  ? quad.centres[c] / scale
                                  : refine(gray, quad.centres[c] / scale, marks[m[c]].side / scale);
        chosen.append(quad);
    }
    return chosen;
}

}  // namespace grading::detail
