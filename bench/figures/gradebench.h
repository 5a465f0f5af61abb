#pragma once

#include <QString>

// Grading scanned answer sheets: 100 single-page scans at 200 dpi, made from variants of the
// 40-question base, read and graded ("grade_scans"), against Qt decoding the same 100 PNG files
// ("grade_decode"), the floor any grading stands on.
void registerGradeBenchmarks();

// The folder of the scans beside the 40-question base, made once when missing. Empty when the
// base cannot be read.
QString gradingScans();
