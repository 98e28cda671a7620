#include "imaging/codecs/image_file.h"
#include "tests/imaging/codecs/test_images.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavlo {
namespace {

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

// Runs the tavlo-image built beside this test program.
Outcome tavloImage(const QStringList& arguments)
{
    QProcess process;
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/tavlo-image"), arguments);
    Outcome run;
    if (!process.waitForFinished(60000))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

class TavloImage : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_folder.filePath(name); }
    QTemporaryDir m_folder;
};

TEST_F(TavloImage, InfoPrintsOneLinePerFileAndFailsForAnyUnreadableOne)
{
    Image grey = test::makeTestImage(ColourCode::Grey16, 113, 157);
    grey.setDpi(600, 300);
    ASSERT_EQ(codecs::writeImageFile(grey, path(QStringLiteral("a.bmp")), codecs::ImageFormat::Bmp), QString());
    ASSERT_EQ(codecs::writeImageFile(test::makeTestImage(ColourCode::Rgb32, 7, 1),
                                     path(QStringLiteral("b.dat")), codecs::ImageFormat::Pcx),
              QString());

    Outcome run = tavloImage({QStringLiteral("info"), path(QStringLiteral("a.bmp")), path(QStringLiteral("b.dat"))});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, path(QStringLiteral("a.bmp")) + QStringLiteral(": 113x157 code=40 dpi=600x300 format=BMP\n") +
                           path(QStringLiteral("b.dat")) + QStringLiteral(": 7x1 code=24 dpi=300x200 format=PCX\n"));

    run = tavloImage({QStringLiteral("info"), path(QStringLiteral("missing.bmp")), path(QStringLiteral("a.bmp"))});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.startsWith(path(QStringLiteral("missing.bmp")) + QStringLiteral(": error: ﾌｧｲﾙがありません\n")))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.endsWith(QStringLiteral("format=BMP\n")));

    EXPECT_EQ(tavloImage({QStringLiteral("info")}).status, 2);
    EXPECT_EQ(tavloImage({}).status, 2);
}

TEST_F(TavloImage, ConvertWritesTheFormatAskedFor)
{
    const Image original = test::makeTestImage(ColourCode::Palette256, 33, 21);
    ASSERT_EQ(codecs::writeImageFile(original, path(QStringLiteral("in.bmp")), codecs::ImageFormat::Bmp), QString());
    const Outcome run = tavloImage({QStringLiteral("convert"), path(QStringLiteral("in.bmp")),
                                path(QStringLiteral("out.pcx")), QStringLiteral("--format"), QStringLiteral("pcx")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    codecs::ImageFormat format = codecs::ImageFormat::Unknown;
    const codecs::Decoded back = codecs::readImageFile(path(QStringLiteral("out.pcx")), &format);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(format, codecs::ImageFormat::Pcx);
    EXPECT_TRUE(samePixels(back.image, original));
    EXPECT_EQ(back.image.dpiX(), 300);
}

TEST_F(TavloImage, ConvertRefusesWrongArgumentsAndKeepsOutWhenInCannotBeRead)
{
    ASSERT_EQ(codecs::writeImageFile(test::makeTestImage(ColourCode::Mono, 8, 8), path(QStringLiteral("in.bmp")),
                                     codecs::ImageFormat::Bmp),
              QString());
    const QString in = path(QStringLiteral("in.bmp"));
    const QString out = path(QStringLiteral("out.bmp"));
    const QString fmt = QStringLiteral("--format");
    EXPECT_EQ(tavloImage({QStringLiteral("convert"), in, out}).status, 2);  // no format
    EXPECT_EQ(tavloImage({QStringLiteral("convert"), in, out, fmt, QStringLiteral("xyz")}).status, 2);
    EXPECT_EQ(tavloImage({QStringLiteral("convert"), in, out, fmt, QStringLiteral("FPX")}).status, 2);
    EXPECT_EQ(tavloImage({QStringLiteral("convert"), in, fmt, QStringLiteral("BMP")}).status, 2);  // no OUT
    EXPECT_EQ(tavloImage({QStringLiteral("convert"), in, out, fmt, QStringLiteral("BMP"), QStringLiteral("--quality"),
                          QStringLiteral("101")})
                  .status,
              2);
    EXPECT_EQ(tavloImage({QStringLiteral("convert"), in, out, fmt, QStringLiteral("BMP"), QStringLiteral("--spin")}).status,
              2);
    EXPECT_FALSE(QFile::exists(out));

    QFile existing(out);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();
    const Outcome run = tavloImage({QStringLiteral("convert"), path(QStringLiteral("none.bmp")), out, fmt, QStringLiteral("BMP")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("ﾌｧｲﾙがありません")));
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), QByteArray("keep me"));
}

}  // namespace
}  // namespace tavlo

namespace tavlo {
namespace {

TEST(TavloImageOperations, ConvertAppliesThePixelOperationsInTheOrderGiven)
{
    QTemporaryDir folder;
    const QString in = folder.filePath(QStringLiteral("in.bmp"));
    const QString out = folder.filePath(QStringLiteral("out.bmp"));
    Image original = test::makeTestImage(ColourCode::Rgb24, 40, 30);
    original.setDpi(200, 100);
    ASSERT_EQ(codecs::writeImageFile(original, in, codecs::ImageFormat::Bmp), QString());
    const Outcome run = tavloImage({QStringLiteral("convert"), in, out, QStringLiteral("--format"), QStringLiteral("BMP"),
                                    QStringLiteral("--trim"), QStringLiteral("0,0,10,30"), QStringLiteral("--rotate"),
                                    QStringLiteral("-9000"), QStringLiteral("--depth"), QStringLiteral("80"),
                                    QStringLiteral("--mirror-lr")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const codecs::Decoded back = codecs::readImageFile(out);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.image.code(), ColourCode::Grey256);
    EXPECT_EQ(back.image.width(), 30);
    EXPECT_EQ(back.image.height(), 10);
    EXPECT_EQ(back.image.dpiX(), 100);
    // Trimmed, turned right, then mirrored: pixel (x, y) of the trim lands at (y, x).
    const QRgb c = original.pixelColour(3, 7);
    const int level = (19595 * qRed(c) + 38470 * qGreen(c) + 7471 * qBlue(c) + 32768) >> 16;
    EXPECT_EQ(back.image.pixelColour(7, 3), qRgb(level, level, level));

    const Outcome bad = tavloImage({QStringLiteral("convert"), in, out, QStringLiteral("--format"), QStringLiteral("BMP"),
                                    QStringLiteral("--rotate"), QStringLiteral("100"), QStringLiteral("--fill"),
                                    QStringLiteral("1,2")});
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("--fill")));
}

}  // namespace
}  // namespace tavlo
