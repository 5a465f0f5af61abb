#pragma once

#include <QList>

// The find over the generated bases: the whole search and the time to its first results, with
// the words looked up for the first time, and the same search again.
void registerFindBenchmarks(const QList<int>& sizes);
