#include "imaging/process/nearest_colour.h"

#include <gtest/gtest.h>

#include <random>

namespace tavlo::process {
namespace {

int bruteForce(const QVector<QRgb>& palette, int r, int g, int b)
{
    int best = 0, bestDistance = 1 << 30;
    for (int i = 0; i < palette.size(); ++i) {
        const int dr = qRed(palette[i]) - r, dg = qGreen(palette[i]) - g,
                  db = qBlue(palette[i]) - b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

TEST(NearestColour, AgreesWithASearchOfEveryEntryIncludingTies)
{
    std::mt19937 random(5);
    for (int size : {1, 2, 7, 16, 255, 256}) {
        QVector<QRgb> palette;
        for (int i = 0; i < size; ++i)
            palette.append(
                qRgb(random() % 256, random() % 8 * 32, random() % 256));  // many equal greens
        if (size > 4)
            palette[3] = palette[1];  // a duplicate: the lower index wins
        NearestColour nearest(palette);
        for (int n = 0; n < 3000; ++n) {
            const int r = int(random() % 256), g = int(random() % 256), b = int(random() % 256);
            ASSERT_EQ(nearest.find(r, g, b), bruteForce(palette, r, g, b)) << size;
            ASSERT_EQ(nearest.find(r, g, b), bruteForce(palette, r, g, b)) << size;  // remembered
        }
    }
}

}  // namespace
}  // namespace tavlo::process
