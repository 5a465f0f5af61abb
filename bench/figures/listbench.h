#pragma once

#include <QList>

// The list window of the editor: opening it, and scrolling to its last line.
void registerListBenchmarks(const QList<int>& sizes);
