#pragma once

#include <QList>

// The printable variants: 30 variants of a 40-question base with pictures, answer sheets and
// key, as a .docx and a PDF ("print_forty"); and 10 variants of 50 questions, each its own
// draw from the largest base, with their key ("print_draw/<n>/plain") and with answer sheets too
// ("print_draw_sheets/<n>/plain").
void registerPrintBenchmarks(const QList<int>& sizes);
