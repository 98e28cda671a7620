// tavlo-bench-page OUT.bmp [DPI]: writes the scanned test page (bench/codecs/scan_page.h) as a
// 24-bit BMP: 2480 x 3508 at 300 dpi (the default), or the 600 dpi twin at 4960 x 7016.
#include "bench/codecs/scan_page.h"
#include "imaging/codecs/image_file.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: tavlo-bench-page OUT.bmp [300|600]\n");
        return 2;
    }
    const int dpi = argc == 3 ? std::atoi(argv[2]) : 300;
    if (dpi != 300 && dpi != 600) {
        std::fprintf(stderr, "tavlo-bench-page: the page is made at 300 or 600 dpi\n");
        return 2;
    }
    const int factor = dpi / 300;
    const tavlo::Image page = tavlo::bench::makeScanPage(2480 * factor, 3508 * factor, dpi);
    const QString error = tavlo::codecs::writeImageFile(page, QString::fromLocal8Bit(argv[1]),
                                                        tavlo::codecs::ImageFormat::Bmp);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "tavlo-bench-page: %s\n", error.toUtf8().constData());
        return 1;
    }
    return 0;
}
