#include "grading/core/codescan.h"

#include <zbar.h>

#include <memory>

// zbar.h puts its C interface in namespace zbar when compiled as C++.
using namespace zbar;

namespace grading::detail {

QList<FoundCode> scanCodes(const cv::Mat& gray) {
    // zbar reads one contiguous buffer.
    const cv::Mat pixels = gray.isContinuous() ? gray : gray.clone();
    const std::unique_ptr<zbar_image_scanner_t, decltype(&zbar_image_scanner_destroy)> scanner(
        zbar_image_scanner_create(), &zbar_image_scanner_destroy);
    // Only QR codes: the other symbologies' scanners would read the page's text lines and
    // bubbles as bars, and take most of the time.
    zbar_image_scanner_set_config(scanner.get(), ZBAR_NONE, ZBAR_CFG_ENABLE, 0);
    zbar_image_scanner_set_config(scanner.get(), ZBAR_QRCODE, ZBAR_CFG_ENABLE, 1);
    // Every second line still crosses each finder pattern several times at four or more
    // pixels a module, and halves the time.
    zbar_image_scanner_set_config(scanner.get(), ZBAR_NONE, ZBAR_CFG_X_DENSITY, 2);
    zbar_image_scanner_set_config(scanner.get(), ZBAR_NONE, ZBAR_CFG_Y_DENSITY, 2);
    const std::unique_ptr<zbar_image_t, decltype(&zbar_image_destroy)> image(zbar_image_create(),
                                                                             &zbar_image_destroy);
    zbar_image_set_format(image.get(), zbar_fourcc('Y', '8', '0', '0'));
    zbar_image_set_size(image.get(), unsigned(pixels.cols), unsigned(pixels.rows));
    zbar_image_set_data(image.get(), pixels.data, size_t(pixels.total()), nullptr);

    QList<FoundCode> found;
    if (zbar_scan_image(scanner.get(), image.get()) <= 0)
        return found;
    for (const zbar_symbol_t* symbol = zbar_image_first_symbol(image.get()); symbol;
         symbol = zbar_symbol_next(symbol)) {
        FoundCode code;
        code.text = QByteArray(zbar_symbol_get_data(symbol),
                               qsizetype(zbar_symbol_get_data_length(symbol)));
        const unsigned corners = zbar_symbol_get_loc_size(symbol);
        for (unsigned i = 0; i < corners; ++i)
            code.centre +=
                cv::Point2d(zbar_symbol_get_loc_x(symbol, i), zbar_symbol_get_loc_y(symbol, i));
        if (corners > 0)
            code.centre /= double(corners);
        found.append(code);
    }
    return found;
}

}  // namespace grading::detail
