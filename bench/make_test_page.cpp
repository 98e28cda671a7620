// Writes the benchmark page (bench/test_page.h) as a 24-bit BMP with 300 dpi, and optionally its
// PPM twin (the same pixels in the format vips reads natively), for bench/process_figures.sh.
//   make_test_page PAGE.bmp [PAGE.ppm]
#include "bench/test_page.h"
#include "imaging/codecs/image_file.h"

#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace {

bool writePpm(const tavlo::Image& page, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("P6\n%1 %2\n255\n").arg(page.width()).arg(page.height()).toLatin1());
    QByteArray row(page.width() * 3, '\0');
    for (int y = 0; y < page.height(); ++y) {
        const uchar* in = page.scanLine(y);  // B, G, R
        for (int x = 0; x < page.width(); ++x) {
            row[3 * x] = char(in[3 * x + 2]);
            row[3 * x + 1] = char(in[3 * x + 1]);
            row[3 * x + 2] = char(in[3 * x]);
        }
        if (file.write(row) != row.size())
            return false;
    }
    return file.flush();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fputs("usage: make_test_page PAGE.bmp [PAGE.ppm]\n", stderr);
        return 2;
    }
    const tavlo::Image page = tavlo::bench::makeTestPage();
    const QString reason = tavlo::codecs::writeImageFile(page, QString::fromLocal8Bit(argv[1]),
                                                         tavlo::codecs::ImageFormat::Bmp);
    if (!reason.isEmpty()) {
        QTextStream(stderr) << argv[1] << ": " << reason << '\n';
        return 1;
    }
    if (argc == 3 && !writePpm(page, QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "%s: cannot write\n", argv[2]);
        return 1;
    }
    return 0;
}
