#include "exporter/core/imageinfo.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

// The resolution readers take the header of a picture file as it is, offsets and lengths
// included. Whatever the bytes, they must read nothing outside them (the sanitizers watch: the
// input is a copy of exactly its own size) and state either no resolution or a plausible one.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const exporter::StatedResolution stated :
         {exporter::jpegResolution(bytes), exporter::bmpResolution(bytes),
          exporter::pngResolution(bytes)}) {
        for (const double dpi : {stated.x, stated.y}) {
            if (dpi != 0 && !(dpi >= 1 && dpi <= 100000))
                std::abort();
        }
    }
    return 0;
}
