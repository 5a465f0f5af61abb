#pragma once

// Finding the answer sheets on a page by their corner marks. Internal to the page reader.

#include "printing/core/sheetgeometry.h"

#include <opencv2/core.hpp>

#include <QList>

#include <array>

namespace grading::detail {

// Four marks whose spacing fits one form: in page pixels, in the order top-left, top-right,
// bottom-left, bottom-right as seen from the first two, which may still be the form turned
// half round; its code tells.
struct MarkQuad {
    std::array<cv::Point2d, 4> centres;
    printing::sheet::Form form = printing::sheet::Form::Full;
    double residual = 0;  // how far the marks lie from where the first two place the others
    // The mark not found (cut off at the page's edge, covered, too faint), its place inferred
    // from the others; -1 when all four were. Such a form counts only when its code is read.
    int missing = -1;
};

// Every form whose marks were found on `gray` (8-bit, one channel), none sharing a mark.
QList<MarkQuad> findMarkQuads(const cv::Mat& gray);

// The centres of the four marks of `form` in its own millimetres, in MarkQuad's order.
std::array<cv::Point2d, 4> markCentresMm(printing::sheet::Form form);

}  // namespace grading::detail
