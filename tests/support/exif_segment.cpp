#include "tests/support/exif_segment.h"

#include <cstdint>

namespace tavlo::test {

std::vector<unsigned char> exifBlock(int orientation, bool bigEndian, int dpiX, int dpiY)
{
    std::vector<unsigned char> b = {'E', 'x', 'i', 'f', 0, 0};
    auto put = [&](std::uint32_t v, int size) {
        for (int i = 0; i < size; ++i)
            b.push_back(uchar(v >> 8 * (bigEndian ? size - 1 - i : i)));
    };
    b.push_back(bigEndian ? 'M' : 'I');
    b.push_back(bigEndian ? 'M' : 'I');
    put(42, 2), put(8, 4);
    const unsigned entries = dpiX > 0 ? 4 : 1;
    put(entries, 2);
    put(0x0112, 2), put(3, 2), put(1, 4), put(unsigned(orientation), 2), put(0, 2);
    const std::uint32_t values = 8 + 2 + entries * 12 + 4;
    if (dpiX > 0) {
        put(0x011a, 2), put(5, 2), put(1, 4), put(values, 4);
        put(0x011b, 2), put(5, 2), put(1, 4), put(values + 8, 4);
        put(0x0128, 2), put(3, 2), put(1, 4), put(2, 2), put(0, 2);
    }
    put(0, 4);
    if (dpiX > 0)
        put(std::uint32_t(dpiX) * 10, 4), put(10, 4), put(std::uint32_t(dpiY), 4), put(1, 4);
    return b;
}

QByteArray withExif(const QByteArray& file, const std::vector<unsigned char>& block)
{
    QByteArray segment("\xff\xe1", 2);
    segment.append(char((block.size() + 2) >> 8)).append(char((block.size() + 2) & 0xff));
    segment.append(reinterpret_cast<const char*>(block.data()), qsizetype(block.size()));
    return file.left(2) + segment + file.mid(2);
}

}  // namespace tavlo::test
