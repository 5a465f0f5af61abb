#pragma once

#include <QList>

// The printable variants: 30 variants of a 40-question base with pictures, answer sheets and
// key, as a .docx and a PDF ("print_forty"); and 10 variants of 50 questions each drawn from
// the largest base ("print_draw/<n>/plain").
void registerPrintBenchmarks(const QList<int>& sizes);
