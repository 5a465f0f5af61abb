#include "printing/core/qrcode.h"

#include <QByteArray>

#include <qrencode.h>

#include <memory>

namespace printing {

QrModules encodeQr(QByteArrayView text) {
    // The encoder wants a NUL-terminated string; a NUL inside would cut the text short.
    if (text.contains('\0'))
        return {};
    const QByteArray zeroEnded = text.toByteArray();
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString(zeroEnded.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1), &QRcode_free);
    if (!code)
        return {};
    QrModules modules;
    modules.size = code->width;
    modules.dark.resize(qsizetype(code->width) * code->width);
    // Bit 0 of each byte is the module's colour; the other bits tell the module's role.
    for (qsizetype i = 0; i < modules.dark.size(); ++i)
        modules.dark[i] = (code->data[i] & 1) != 0;
    return modules;
}

}  // namespace printing
