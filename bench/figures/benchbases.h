#pragma once

#include "questionbase/connection.h"
#include "questionbase/recordset.h"

#include <QString>

#include <cstdint>

class QWidget;

namespace benchbases {

// A base without a password opened as the exporter opens it, with its questions. Throws
// qb::Error when it cannot be read.
struct OpenBase {
    explicit OpenBase(const QString& path);
    qb::Connection connection;
    qb::Recordset questions;
};

// The password the generated protected bases carry; the runner passes the same one to qbtool.
QString password();

// The folder with the generated bases (QBBENCH_BASES), one sub-folder per base:
// plain-<n>/base.mdb and password-<n>/base.mdb, each with its pictures beside it.
QString baseFolder();
QString basePath(int questions, bool withPassword);

// A copy of the base that a benchmark may change, so the generated bases stay as qbtool made
// them. The copy replaces any earlier one.
QString scratchCopy(int questions, bool withPassword);

// The offscreen platform warns about every window it cannot size or raise as a desktop would;
// the warnings would bury the figures. Other messages still go out.
void quietOffscreen();

// Lets the offscreen window lay itself out and paint what the last step changed.
void settle();

// Peak and current resident set of this process, in KiB, from /proc/self/status.
struct Memory {
    std::int64_t peakKiB = -1;
    std::int64_t currentKiB = -1;
};
Memory memory();

// The line qbmem and qbmem-exporter print for one state: a JSON object with the peak before and
// after it and the resident set at its end, in KiB.
void printMemory(const char* what, const Memory& before, const Memory& after, long long count);

}  // namespace benchbases
