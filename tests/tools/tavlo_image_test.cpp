#include "imaging/codecs/image_file.h"
#include "imaging/process/skew_finder.h"
#include "tests/support/test_images.h"
#include "tests/tools/tavlo_image_fixture.h"
#include "tests/support/text_page.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace tavlo {
namespace {

TEST_F(TavloImage, InfoPrintsOneLinePerFileAndFailsForAnyUnreadableOne)
{
    Image grey = test::sampleImage(ColourCode::Grey16, 113, 157);
    grey.setDpi(600, 300);
    save(grey, QStringLiteral("a.bmp"));
    save(test::sampleImage(ColourCode::Rgb32, 7, 1), QStringLiteral("b.dat"), ImageFormat::Pcx);
    Outcome outcome = run(QStringLiteral("info @a.bmp @b.dat"));
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, path(QStringLiteral("a.bmp")) +
                               QStringLiteral(": 113x157 code=40 dpi=600x300 format=BMP\n") +
                               path(QStringLiteral("b.dat")) +
                               QStringLiteral(": 7x1 code=24 dpi=200x300 format=PCX\n"));

    outcome = run(QStringLiteral("info @missing.bmp @a.bmp"));
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(outcome.out.startsWith(path(QStringLiteral("missing.bmp")) +
                                       QStringLiteral(": error: ﾌｧｲﾙがありません\n")))
        << outcome.out.toStdString();
    EXPECT_TRUE(outcome.out.endsWith(QStringLiteral("format=BMP\n")));
    EXPECT_EQ(run(QStringLiteral("info")).status, 2);
    EXPECT_EQ(run(QString()).status, 2);
}

TEST_F(TavloImage, ConvertWritesTheFormatAskedForAfterThePixelOperationsInTheirOrder)
{
    const Image original = test::sampleImage(ColourCode::Palette256, 33, 21);
    save(original, QStringLiteral("in.bmp"));
    Outcome outcome = run(QStringLiteral("convert @in.bmp @out.pcx --format pcx"));
    ASSERT_EQ(outcome.status, 0) << outcome.err.toStdString();
    ImageFormat format = ImageFormat::Unknown;
    codecs::Decoded back = codecs::readImageFile(path(QStringLiteral("out.pcx")), &format);
    EXPECT_EQ(format, ImageFormat::Pcx);
    EXPECT_TRUE(samePixels(back.image, original));
    EXPECT_EQ(back.image.dpiX(), 200);

    // Trimmed, turned right, made grey, then mirrored: pixel (x, y) of the trim lands at (y, x).
    const Image colour = test::sampleImage(ColourCode::Rgb24, 40, 30);
    save(colour, QStringLiteral("in.bmp"));
    outcome =
        run(QStringLiteral("convert @in.bmp @out.bmp --format BMP --trim 0,0,10,30 --rotate -9000 "
                           "--depth 80 --mirror-lr"));
    ASSERT_EQ(outcome.status, 0) << outcome.err.toStdString();
    back = codecs::readImageFile(path(QStringLiteral("out.bmp")));
    EXPECT_EQ(back.image.code(), ColourCode::Grey256);
    EXPECT_EQ(test::sizeOf(back.image), QSize(30, 10));
    EXPECT_EQ(back.image.dpiX(), 300);
    const QRgb c = colour.pixelColour(3, 7);
    const int level = (19595 * qRed(c) + 38470 * qGreen(c) + 7471 * qBlue(c) + 32768) >> 16;
    EXPECT_EQ(back.image.pixelColour(7, 3), test::grey(level));

    // FlashPix at the quality asked for: info reads it back.
    outcome = run(QStringLiteral("convert @in.bmp @out.fpx --format FPX --quality 95"));
    ASSERT_EQ(outcome.status, 0) << outcome.err.toStdString();
    outcome = run(QStringLiteral("info @out.fpx"));
    EXPECT_EQ(outcome.out, path(QStringLiteral("out.fpx")) +
                               QStringLiteral(": 40x30 code=24 dpi=200x300 format=FPX\n"));
}

TEST_F(TavloImage, ConvertRefusesWrongArgumentsAndKeepsOutWhenInCannotBeRead)
{
    save(test::sampleImage(ColourCode::Mono, 8, 8), QStringLiteral("in.bmp"));
    for (const char* wrong :
         {"@in.bmp @out.bmp", "@in.bmp @out.bmp --format xyz", "@in.bmp @out.bmp --format JP2",
          "@in.bmp --format BMP", "@in.bmp @out.bmp --format BMP --quality 101",
          "@in.bmp @out.bmp --format BMP --spin",
          "@in.bmp @out.bmp --format BMP --rotate 100 --fill 1,2"}) {
        const Outcome outcome = run(QStringLiteral("convert ") + QLatin1String(wrong));
        EXPECT_EQ(outcome.status, 2) << wrong;
        EXPECT_FALSE(outcome.err.isEmpty()) << wrong;
    }
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("out.bmp"))));

    QFile existing(path(QStringLiteral("out.bmp")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();
    const Outcome outcome = run(QStringLiteral("convert @none.bmp @out.bmp --format BMP"));
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(outcome.err.contains(QStringLiteral("ﾌｧｲﾙがありません")));
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), QByteArray("keep me"));
}

// "-" is standard output; a pipe or device given as OUT is refused and stays what it was. (A
// device node can only be made as root, as the tests run in CI; elsewhere the pipe stands.)
TEST_F(TavloImage, ConvertWritesDashToStandardOutputAndNeverReplacesAPipeOrDevice)
{
    const Image image = test::sampleImage(ColourCode::Rgb24, 13, 7);
    save(image, QStringLiteral("in.bmp"));
    Outcome outcome = run(QStringLiteral("convert @in.bmp - --format BMP"));
    ASSERT_EQ(outcome.status, 0) << outcome.err.toStdString();
    EXPECT_EQ(outcome.bytes, test::encode(ImageFormat::Bmp, image));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("-"))));

    ASSERT_EQ(::mkfifo(QFile::encodeName(path(QStringLiteral("fifo"))).constData(), 0600), 0);
    QStringList nodes{QStringLiteral("fifo")};
    if (::mknod(QFile::encodeName(path(QStringLiteral("null"))).constData(), S_IFCHR | 0666,
                makedev(1, 3)) == 0)
        nodes.append(QStringLiteral("null"));
    for (const QString& node : nodes) {
        outcome = run(QStringLiteral("convert @in.bmp @") + node + QStringLiteral(" --format BMP"));
        EXPECT_EQ(outcome.status, 1) << node.toStdString();
        EXPECT_TRUE(outcome.err.contains(QStringLiteral("通常のﾌｧｲﾙではないため書き込めません")))
            << outcome.err.toStdString();
        struct stat st { };
        ASSERT_EQ(::lstat(QFile::encodeName(path(node)).constData(), &st), 0);
        EXPECT_TRUE(node == QLatin1String("fifo") ? S_ISFIFO(st.st_mode) : S_ISCHR(st.st_mode));
    }
}

// --skew adds each page's skew to its line; --straighten turns a crooked page level (canvas grown)
// and leaves a page without lines as it is.
TEST_F(TavloImage, SkewIsReportedAndStraightened)
{
    save(test::textPage(ColourCode::Rgb24, {620, 877}, -4.2, 75), QStringLiteral("crooked.png"),
         ImageFormat::Png);
    save(test::plainImage(ColourCode::Rgb24, 60, 40, qRgb(255, 255, 255)),
         QStringLiteral("blank.png"), ImageFormat::Png);
    Outcome outcome = run(QStringLiteral("info --skew @crooked.png @blank.png"));
    EXPECT_EQ(outcome.status, 0);
    const QStringList lines = outcome.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    const QString skew = lines[0].section(QStringLiteral("skew="), 1);
    EXPECT_EQ(skew.section(QLatin1Char('.'), 1).size(), 2) << skew.toStdString();  // two decimals
    EXPECT_NEAR(skew.toDouble(), -4.2, 0.1);
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(" skew=none"))) << lines[1].toStdString();

    for (const char* name : {"crooked", "blank"}) {
        outcome =
            run(QStringLiteral("convert @%1.png @%1-out.png --format PNG --straighten").arg(name));
        EXPECT_EQ(outcome.status, 0) << outcome.err.toStdString();
    }
    const codecs::Decoded straight = codecs::readImageFile(path(QStringLiteral("crooked-out.png")));
    ASSERT_TRUE(straight.ok());
    EXPECT_GT(straight.image.width(), 620);
    EXPECT_NEAR(process::findSkew(straight.image).value_or(99), 0.0, 0.1);
    const codecs::Decoded blank = codecs::readImageFile(path(QStringLiteral("blank-out.png")));
    ASSERT_TRUE(blank.ok());
    EXPECT_EQ(test::sizeOf(blank.image), QSize(60, 40));
}

}  // namespace
}  // namespace tavlo
