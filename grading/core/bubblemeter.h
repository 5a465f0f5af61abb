#pragma once

// Measuring bubbles on a form mapped square onto its millimetres, and deciding a row of them.
// Internal to the page reader.

#include "grading/core/sheetread.h"

#include <opencv2/core.hpp>

#include <QList>
#include <QPointF>

#include <vector>

namespace grading::detail {

// What a bubble's inner part holds, in darkness (0 the paper, 1 the ink of the printed marks).
struct BubbleShape {
    double mean = 0;          // average darkness
    double cover = 0;         // share of the inner part that is inked
    double solid = 0;         // share inked and away from any edge of the ink: no thin line counts
    bool crossedOut = false;  // lines run out of the bubble along both diagonals
};

class BubbleMeter {
public:
    // `form`: the form mapped onto its millimetres at `pixelsPerMm`.
    BubbleMeter(const cv::Mat& form, double pixelsPerMm);

    // The ink's level from solid printed squares (the corner marks), given in millimetres.
    void calibrate(const QList<QRectF>& solidMm);

    BubbleShape measure(QPointF centreMm) const;
    // Whether the printed ring of the bubble at `centreMm` is where the map puts it: darker
    // than the paper just outside it.
    bool ringInPlace(QPointF centreMm) const;

private:
    double paperAt(QPointF mm) const;
    double meanAt(const QRectF& mm) const;

    cv::Mat form_;
    cv::Mat paper_;  // the paper's level at one pixel per millimetre
    double pixelsPerMm_;
    double inkShare_ = 0.1;  // the ink's level as a share of the paper's
    std::vector<cv::Point> inner_;
    std::vector<std::pair<cv::Point, int>> around_;  // the diagonal beyond the ring, by quarter
    int patchReach_ = 0;
    cv::Mat erosion_;
};

// The marks of one row of bubbles (or one column of the list number), with the row as context:
// a lone tick or cross is a choice, anything half done is left to the teacher.
QList<Bubble> decideRow(const QList<BubbleShape>& row);

}  // namespace grading::detail
