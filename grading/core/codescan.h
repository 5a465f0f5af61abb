#pragma once

// The sheet's QR code through zbar. Internal to the page reader.

#include <opencv2/core.hpp>

#include <QByteArray>
#include <QList>

namespace grading::detail {

struct FoundCode {
    QByteArray text;
    cv::Point2d centre;  // in the scanned picture's pixels
};

// Every QR code zbar finds on `gray` (8-bit, one channel).
QList<FoundCode> scanCodes(const cv::Mat& gray);

}  // namespace grading::detail
