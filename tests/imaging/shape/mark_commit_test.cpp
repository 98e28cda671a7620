#include "imaging/shape/mark_commit.h"
#include "tests/support/test_images.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <cmath>

namespace tavlo {
namespace {

using test::plainImage;
using test::sampleImage;

// The colour a painted colour becomes at the code, worked out from the image's own palette.
QRgb expectedAt(const Image& image, QRgb colour)
{
    const int r = qRed(colour), g = qGreen(colour), b = qBlue(colour);
    switch (image.code()) {
    case ColourCode::Rgb24:
    case ColourCode::Rgb32: return qRgb(r, g, b);
    case ColourCode::Rgb555: {
        auto five = [](int v) { return ((v >> 3) << 3) | ((v >> 3) >> 2); };
        return qRgb(five(r), five(g), five(b));
    }
    case ColourCode::Grey256: {
        const int level = int(std::lround(0.299 * r + 0.587 * g + 0.114 * b));
        return qRgb(level, level, level);
    }
    default: {
        const QVector<QRgb> palette = image.palette();
        QRgb best = palette.front();
        long bestDistance = -1;
        for (QRgb entry : palette) {
            const long dr = qRed(entry) - r, dg = qGreen(entry) - g, db = qBlue(entry) - b;
            const long distance = dr * dr + dg * dg + db * db;
            if (bestDistance < 0 || distance < bestDistance) {
                bestDistance = distance;
                best = entry;
            }
        }
        return best;
    }
    }
}

Mark filledRectangle(const QRectF& box, QColor colour)
{
    Mark mark;
    mark.kind = MarkKind::Rectangle;
    mark.filled = true;
    mark.box = box;
    mark.colour = colour;
    return mark;
}

// A rectangle on whole pixels: exactly its pixels take the colour, mapped to the code; every
// other pixel, the code, the palette and the dots per inch stay.
TEST(MarkCommitTest, EveryCodeKeepsCodePaletteAndDpiAndChangesOnlyTheMarkedPixels)
{
    const QRect box(5, 4, 7, 6);
    const QColor colours[] = {QColor(200, 30, 40), QColor(20, 90, 230), QColor(250, 250, 250)};
    for (ColourCode code : kAllColourCodes) {
        for (const QColor& colour : colours) {
            SCOPED_TRACE(::testing::Message() << code << " " << colour.name().toStdString());
            Image before = sampleImage(code, 23, 17);
            before.setDpi(300, 600);
            Image after = before;
            const QRect changed = commitMarks(after, {filledRectangle(QRectF(box), colour)});
            ASSERT_TRUE(after.isValid());
            EXPECT_EQ(after.code(), code);
            EXPECT_EQ(after.palette(), before.palette());
            EXPECT_EQ(after.dpiX(), 300);
            EXPECT_EQ(after.dpiY(), 600);
            EXPECT_TRUE(box.contains(changed) || changed.isEmpty());
            const QRgb expected = expectedAt(before, colour.rgb());
            for (int y = 0; y < before.height(); ++y) {
                for (int x = 0; x < before.width(); ++x) {
                    const QRgb want = box.contains(x, y) ? expected : before.pixelColour(x, y);
                    ASSERT_EQ(after.pixelColour(x, y), want) << x << "," << y;
                }
            }
        }
    }
}

// Smoothed strokes, arrows and ellipses touch only pixels inside their bounds; the first 1-bit
// page takes black where a dark mark lies, never a dither pattern elsewhere.
TEST(MarkCommitTest, SmoothedMarksStayInsideTheirBounds)
{
    Mark pen;
    pen.kind = MarkKind::Pen;
    pen.points = {{3.5, 20.5}, {15.5, 5.5}, {30.5, 25.5}};
    pen.width = 3;
    pen.colour = QColor(10, 10, 10);
    Mark arrow;
    arrow.kind = MarkKind::Arrow;
    arrow.points = {{5.5, 28.5}, {33.5, 28.5}};
    arrow.width = 2;
    Mark ellipse;
    ellipse.kind = MarkKind::Ellipse;
    ellipse.box = QRectF(20.5, 3.5, 12, 9);
    ellipse.width = 1.5;
    for (ColourCode code : kAllColourCodes) {
        SCOPED_TRACE(::testing::Message() << code);
        const Image before = plainImage(code, 40, 36, qRgb(255, 255, 255));
        Image after = before;
        const QRect changed = commitMarks(after, {pen, arrow, ellipse});
        ASSERT_TRUE(after.isValid());
        EXPECT_FALSE(changed.isEmpty());
        for (int y = 0; y < before.height(); ++y) {
            for (int x = 0; x < before.width(); ++x) {
                const QPointF centre(x + 0.5, y + 0.5);
                const bool inside = pen.bounds().contains(centre) ||
                                    arrow.bounds().contains(centre) ||
                                    ellipse.bounds().contains(centre);
                if (!inside) {
                    ASSERT_EQ(after.pixelColour(x, y), before.pixelColour(x, y)) << x << "," << y;
                }
            }
        }
        // The middle of the pen's first segment is dark at every code.
        EXPECT_LT(qGray(after.pixelColour(9, 13)), 64);
    }
}

// The highlighter multiplies: black text under it stays black, white paper takes a pale tint.
TEST(MarkCommitTest, HighlighterLeavesTextReadable)
{
    Image page = plainImage(ColourCode::Rgb24, 30, 20, qRgb(255, 255, 255));
    Mark text = filledRectangle(QRectF(0, 9, 30, 2), Qt::black);
    commitMarks(page, {text});
    Mark highlight;
    highlight.kind = MarkKind::Highlighter;
    highlight.points = {{2.5, 10.0}, {27.5, 10.0}};
    highlight.width = 8;
    highlight.colour = QColor(255, 255, 0);
    highlight.opacity = 50;
    commitMarks(page, {highlight});
    EXPECT_EQ(page.pixelColour(15, 9), qRgb(0, 0, 0));
    EXPECT_EQ(page.pixelColour(15, 10), qRgb(0, 0, 0));
    const QRgb paper = page.pixelColour(15, 7);
    EXPECT_EQ(qRed(paper), 255);
    EXPECT_EQ(qGreen(paper), 255);
    EXPECT_NEAR(qBlue(paper), 128, 2);
    EXPECT_EQ(page.pixelColour(15, 1), qRgb(255, 255, 255));
}

// Committing paints only near the marks, tile by tile; the result is the whole picture painted
// over.
TEST(MarkCommitTest, CommitEqualsPaintingOverTheWholePicture)
{
    std::vector<Mark> marks;
    auto add = [&](MarkKind kind, std::vector<QPointF> points, QRectF box, double width,
                   bool filled) {
        Mark mark;
        mark.kind = kind;
        mark.points = std::move(points);
        mark.box = box;
        mark.width = width;
        mark.filled = filled;
        mark.colour = QColor(30 + 20 * int(marks.size()), 160, 250 - 20 * int(marks.size()));
        marks.push_back(mark);
    };
    // Marks across the borders of the tiles the commit works in (256 pixels).
    add(MarkKind::Pen, {{3.5, 3.5}, {450.5, 297.5}, {60.5, 330.5}}, {}, 9, false);
    add(MarkKind::Highlighter, {{30.5, 180.5}, {540.5, 60.5}}, {}, 24, false);
    add(MarkKind::Line, {{570.5, 15.5}, {15.5, 345.5}}, {}, 1, false);
    add(MarkKind::Arrow, {{60.5, 300.5}, {257.5, 250.5}}, {}, 5, false);
    add(MarkKind::Rectangle, {}, QRectF(120.5, 60.5, 360, 240), 7, false);
    add(MarkKind::Ellipse, {}, QRectF(180.5, 30.5, 300, 270), 3, false);
    add(MarkKind::Ellipse, {}, QRectF(240.5, 210.5, 90, 120), 1, true);
    const auto check = [](const Image& before, const std::vector<Mark>& marks) {
        Image committed = before;
        const QRect changed = commitMarks(committed, marks);
        // The rectangle reported covers exactly the pixels that differ, across the bands of rows
        // the commit is split into.
        const QImage was = before.pixels().convertToFormat(QImage::Format_RGB32);
        const QImage now = committed.pixels().convertToFormat(QImage::Format_RGB32);
        QRect differing;
        for (int y = 0; y < was.height(); ++y) {
            for (int x = 0; x < was.width(); ++x) {
                if (was.pixel(x, y) != now.pixel(x, y))
                    differing |= QRect(x, y, 1, 1);
            }
        }
        EXPECT_EQ(changed, differing);
        QImage whole = before.pixels().copy();
        {
            QPainter painter(&whole);
            for (const Mark& mark : marks)
                mark.paint(painter);
        }
        const Image expected = Image::fromStorage(whole, ColourCode::Rgb32);
        ASSERT_FALSE(expected.isNull());
        // Smoothing may round one step differently where a tile ends; a pixel left out would
        // differ by the mark's whole colour.
        EXPECT_LE(test::largestDifference(committed, expected), 2);
    };
    check(sampleImage(ColourCode::Rgb32, 600, 360), marks);
    // A stroke across a large page is committed tile by tile, in several bands of rows.
    Mark across;
    across.kind = MarkKind::Pen;
    across.points = {{10.5, 10.5}, {2990.5, 1490.5}, {20.5, 1480.5}};
    across.width = 11;
    check(test::plainImage(ColourCode::Rgb32, 3000, 1500, qRgb(240, 250, 255)), {across});
}

TEST(MarkCommitTest, MarksBesideTheImageChangeNothing)
{
    const Image before = sampleImage(ColourCode::Palette256, 12, 10);
    Image after = before;
    EXPECT_TRUE(commitMarks(after, {filledRectangle(QRectF(20, 20, 5, 5), Qt::red)}).isEmpty());
    EXPECT_TRUE(samePixels(after, before));
    EXPECT_TRUE(commitMarks(after, {}).isEmpty());
}

}  // namespace
}  // namespace tavlo
