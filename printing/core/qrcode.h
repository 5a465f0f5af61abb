#pragma once

#include <QByteArrayView>
#include <QList>

namespace printing {

// A QR code's modules, without its quiet zone.
struct QrModules {
    int size = 0;  // modules per side; 0 when the text does not fit any version
    QList<bool> dark;

    bool isDark(int x, int y) const { return dark[y * size + x]; }
};

// The smallest code that holds `text` at error correction level M (a sheet survives a fold or a
// smudge across some of its code). The encoder picks numeric and alphanumeric runs itself.
QrModules encodeQr(QByteArrayView text);

}  // namespace printing
