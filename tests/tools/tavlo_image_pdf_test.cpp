#include "imaging/codecs/image_file.h"
#include "tests/support/exif_segment.h"
#include "tests/support/test_images.h"
#include "tests/tools/tavlo_image_fixture.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <vector>

namespace tavlo {
namespace {

using test::Look;
using test::PaletteKind;
using test::Pattern;

// One line of `pdfimages -list`: what the document stores for an image.
struct StoredImage {
    QString encoding;  // image (Flate), jpeg, ccitt, ...
    QString colours;   // gray, rgb, index, cmyk
    int bitsPerComponent = 0;
    int ppiX = 0;
    int ppiY = 0;
};

class TavloImagePdf : public TavloImage {
protected:
    // The page sizes in points, from pdfinfo.
    std::vector<QSizeF> pageSizes(const QString& pdf) const
    {
        const Outcome info = runProgram(QStringLiteral("pdfinfo"),
                                        {QStringLiteral("-f"), QStringLiteral("1"),
                                         QStringLiteral("-l"), QStringLiteral("9999"), pdf});
        EXPECT_EQ(info.status, 0) << info.err.toStdString();
        std::vector<QSizeF> sizes;
        static const QRegularExpression line(
            QStringLiteral("Page +\\d+ size: +([\\d.]+) x ([\\d.]+) pts"));
        for (auto match = line.globalMatch(info.out); match.hasNext();) {
            const QRegularExpressionMatch m = match.next();
            sizes.emplace_back(m.captured(1).toDouble(), m.captured(2).toDouble());
        }
        return sizes;
    }

    std::vector<StoredImage> storedImages(const QString& pdf) const
    {
        const Outcome list =
            runProgram(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
        EXPECT_EQ(list.status, 0) << list.err.toStdString();
        std::vector<StoredImage> images;
        for (const QString& row : list.out.split(QLatin1Char('\n')).mid(2)) {
            const QStringList w = row.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (w.size() >= 14)
                images.push_back({w[8], w[5], w[7].toInt(), w[12].toInt(), w[13].toInt()});
        }
        return images;
    }

    // The images pdfimages takes out of the document: JPEG data as it is stored, everything
    // else as PNG, in page order.
    QStringList extractedImages(const QString& pdf) const
    {
        const QString prefix = path(QStringLiteral("extracted/img"));
        QDir().mkpath(path(QStringLiteral("extracted")));
        const Outcome out = runProgram(QStringLiteral("pdfimages"),
                                       {QStringLiteral("-j"), QStringLiteral("-png"), pdf, prefix});
        EXPECT_EQ(out.status, 0) << out.err.toStdString();
        QStringList files;
        const QDir dir(path(QStringLiteral("extracted")));
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
            files.append(dir.filePath(name));
        return files;
    }

    // Page `page` (from 1) drawn by pdftoppm, by default at 36 dots per inch (half a pixel per
    // point) in grey; options are pdftoppm's, separated by blanks.
    QImage rendered(const QString& pdf, int page,
                    const QString& options = QStringLiteral("-r 36 -gray")) const
    {
        const QString prefix = path(QStringLiteral("page"));
        QStringList arguments = options.split(QLatin1Char(' '));
        arguments << QStringLiteral("-singlefile") << QStringLiteral("-f") << QString::number(page)
                  << QStringLiteral("-l") << QString::number(page) << pdf << prefix;
        const Outcome out = runProgram(QStringLiteral("pdftoppm"), arguments);
        EXPECT_EQ(out.status, 0) << out.err.toStdString();
        const QString suffix = options.contains(QLatin1String("-gray")) ? QStringLiteral(".pgm")
                                                                        : QStringLiteral(".ppm");
        return QImage(prefix + suffix);
    }

    QByteArray bytesOf(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }
};

// pdfimages writes a 1-bit image as bare bits without its colours: the pixels must split into
// the same two sets as the original's (whichever value each set got).
bool samePartition(const Image& bits, const Image& original)
{
    if (bits.code() != ColourCode::Mono || test::sizeOf(bits) != test::sizeOf(original))
        return false;
    const QRgb bitsFirst = bits.pixelColour(0, 0);
    const QRgb originalFirst = original.pixelColour(0, 0);
    for (int y = 0; y < bits.height(); ++y) {
        for (int x = 0; x < bits.width(); ++x) {
            if ((bits.pixelColour(x, y) == bitsFirst) !=
                (original.pixelColour(x, y) == originalFirst))
                return false;
        }
    }
    return true;
}

void expectSize(const QSizeF& actual, const QSizeF& expected)
{
    EXPECT_NEAR(actual.width(), expected.width(), 0.01);
    EXPECT_NEAR(actual.height(), expected.height(), 0.01);
}

TEST_F(TavloImagePdf, EveryCodeBecomesAPageOfItsSizeAndComesBackPixelForPixel)
{
    Image photo =
        test::sampleImage(ColourCode::Rgb24, 64, 48, Look{PaletteKind::Usual, Pattern::Smooth});
    photo.setDpi(150, 150);
    save(photo, QStringLiteral("00.jpg"), ImageFormat::Jpeg);
    Image colour300 = test::sampleImage(ColourCode::Rgb24, 131, 77);
    colour300.setDpi(300, 300);
    Image noResolution = test::sampleImage(ColourCode::Palette256, 29, 31);
    noResolution.setDpi(0, 0);
    struct Page {
        const char* name;
        Image image;
        QString colours;
        int bits;
        QString encoding;
    };
    const Page pages[] = {
        {"01.bmp", test::sampleImage(ColourCode::Mono, 97, 61), QStringLiteral("gray"), 1,
         QStringLiteral("ccitt")},
        {"02.bmp", test::sampleImage(ColourCode::Mono, 8, 5, Look{PaletteKind::WhiteBlack}),
         QStringLiteral("gray"), 1, QStringLiteral("ccitt")},
        {"03.bmp",
         test::sampleImage(ColourCode::Mono, 64, 48,
                           Look{PaletteKind::ColourPair, Pattern::Smooth}),
         QStringLiteral("index"), 1, QStringLiteral("ccitt")},
        {"04.bmp", test::sampleImage(ColourCode::Palette16, 37, 23), QStringLiteral("index"), 4,
         QStringLiteral("image")},
        {"05.bmp", test::sampleImage(ColourCode::Grey16, 19, 7), QStringLiteral("gray"), 4,
         QStringLiteral("image")},
        {"06.bmp", test::sampleImage(ColourCode::Grey16, 19, 7, Look{PaletteKind::OddGreys}),
         QStringLiteral("index"), 4, QStringLiteral("image")},
        {"07.png", noResolution, QStringLiteral("index"), 8, QStringLiteral("image")},
        {"08.bmp", test::sampleImage(ColourCode::Grey256, 113, 157), QStringLiteral("gray"), 8,
         QStringLiteral("image")},
        {"09.bmp", test::sampleImage(ColourCode::Rgb555, 21, 13), QStringLiteral("rgb"), 8,
         QStringLiteral("image")},
        {"10.tif", colour300, QStringLiteral("rgb"), 8, QStringLiteral("image")},
        {"11.bmp", test::sampleImage(ColourCode::Rgb32, 5, 3), QStringLiteral("rgb"), 8,
         QStringLiteral("image")},
    };
    QStringList arguments = {QStringLiteral("pdf"), QStringLiteral("@out.pdf"),
                             QStringLiteral("@00.jpg")};
    for (const Page& page : pages) {
        const QString name = QLatin1String(page.name);
        const ImageFormat format = name.endsWith(QLatin1String(".png"))   ? ImageFormat::Png
                                   : name.endsWith(QLatin1String(".tif")) ? ImageFormat::Tiff
                                                                          : ImageFormat::Bmp;
        save(page.image, name, format);
        arguments.append(QLatin1Char('@') + name);
    }
    arguments << QStringLiteral("--title") << QStringLiteral("請求書 2026年12月");
    const Outcome outcome = run(arguments);
    ASSERT_EQ(outcome.status, 0) << outcome.err.toStdString();
    EXPECT_EQ(outcome.err, QString());  // no progress lines when standard error is not a terminal

    const QString pdf = path(QStringLiteral("out.pdf"));
    const std::vector<QSizeF> sizes = pageSizes(pdf);
    const std::vector<StoredImage> stored = storedImages(pdf);
    const QStringList extracted = extractedImages(pdf);
    ASSERT_EQ(sizes.size(), std::size(pages) + 1);
    ASSERT_EQ(stored.size(), std::size(pages) + 1);
    ASSERT_EQ(extracted.size(), qsizetype(std::size(pages) + 1));

    expectSize(sizes[0], {64 * 72 / 150.0, 48 * 72 / 150.0});
    EXPECT_EQ(stored[0].encoding, QStringLiteral("jpeg"));
    EXPECT_EQ(stored[0].ppiX, 150);
    QFile jpeg(extracted[0]);
    ASSERT_TRUE(jpeg.open(QIODevice::ReadOnly));
    EXPECT_EQ(jpeg.readAll(), bytesOf(QStringLiteral("00.jpg")));

    for (size_t i = 0; i < std::size(pages); ++i) {
        const Page& page = pages[i];
        SCOPED_TRACE(page.name);
        const Image& image = page.image;
        const int dpiX = image.dpiX() > 0 ? image.dpiX() : 72;
        const int dpiY = image.dpiY() > 0 ? image.dpiY() : 72;
        expectSize(sizes[i + 1], {image.width() * 72.0 / dpiX, image.height() * 72.0 / dpiY});
        EXPECT_EQ(stored[i + 1].encoding, page.encoding);
        EXPECT_EQ(stored[i + 1].colours, page.colours);
        EXPECT_EQ(stored[i + 1].bitsPerComponent, page.bits);
        EXPECT_EQ(QSize(stored[i + 1].ppiX, stored[i + 1].ppiY), QSize(dpiX, dpiY));
        const codecs::Decoded back = codecs::readImageFile(extracted[qsizetype(i + 1)]);
        ASSERT_TRUE(back.ok()) << back.error.toStdString();
        if (page.colours == QLatin1String("index") && page.bits == 1)
            EXPECT_TRUE(samePartition(back.image, image));
        else
            EXPECT_EQ(test::largestDifference(back.image, image), 0);
    }
    // The two colours of the indexed 1-bit page, as a viewer shows them: the middles of its flat
    // 16 x 16 squares, drawn at the page's own resolution.
    const Image& pair = pages[2].image;
    const QImage shown = rendered(pdf, 4, QStringLiteral("-rx 200 -ry 300"));
    ASSERT_EQ(shown.size(), test::sizeOf(pair));
    for (int y = 8; y < pair.height(); y += 16) {
        for (int x = 8; x < pair.width(); x += 16)
            EXPECT_EQ(shown.pixel(x, y), pair.pixelColour(x, y)) << x << ", " << y;
    }

    const Outcome info = runProgram(QStringLiteral("pdfinfo"), {pdf});
    EXPECT_TRUE(
        info.out.contains(QRegularExpression(QStringLiteral("Title: +請求書 2026年12月\n"))))
        << info.out.toStdString();
    EXPECT_TRUE(info.out.contains(QRegularExpression(QStringLiteral("Producer: +Tavlo\n"))));
    EXPECT_TRUE(info.out.contains(QRegularExpression(QStringLiteral("CreationDate: +\\S+"))));
}

TEST_F(TavloImagePdf, AFolderGivesItsImagesInNameOrderAndDashWritesToStandardOutput)
{
    QDir().mkpath(path(QStringLiteral("Temp")));
    const struct {
        const char* name;
        int width;
        ImageFormat format;
    } files[] = {{"Temp/b.bmp", 20, ImageFormat::Bmp},
                 {"Temp/A.png", 10, ImageFormat::Png},
                 {"Temp/c.jpg", 30, ImageFormat::Jpeg},
                 {"last.bmp", 40, ImageFormat::Bmp}};
    for (const auto& file : files) {
        Image image = test::plainImage(ColourCode::Rgb24, file.width, 8, qRgb(200, 0, 0));
        image.setDpi(72, 72);
        save(image, QLatin1String(file.name), file.format);
    }
    QFile notes(path(QStringLiteral("Temp/notes.txt")));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a page");
    notes.close();

    const Outcome outcome = run(QStringLiteral("pdf @scan.pdf @Temp/ @last.bmp"));
    ASSERT_EQ(outcome.status, 0) << outcome.err.toStdString();
    std::vector<double> widths;
    for (const QSizeF& size : pageSizes(path(QStringLiteral("scan.pdf"))))
        widths.push_back(size.width());
    EXPECT_EQ(widths, (std::vector<double>{10, 20, 30, 40}));

    const Outcome piped = run(QStringLiteral("pdf - @Temp"));
    ASSERT_EQ(piped.status, 0) << piped.err.toStdString();
    EXPECT_TRUE(piped.bytes.startsWith("%PDF-"));
    QFile copy(path(QStringLiteral("piped.pdf")));
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
    copy.write(piped.bytes);
    copy.close();
    EXPECT_EQ(pageSizes(copy.fileName()).size(), 3u);

    // On a terminal (script(1) gives the program one) every page gets a progress line.
    const Outcome shown = runProgram(
        QStringLiteral("script"),
        {QStringLiteral("-qec"),
         QCoreApplication::applicationDirPath() + QStringLiteral("/tavlo-image pdf ") +
             path(QStringLiteral("t.pdf")) + QLatin1Char(' ') + path(QStringLiteral("Temp")),
         QStringLiteral("/dev/null")});
    EXPECT_EQ(shown.status, 0);
    for (const QString& line :
         {QStringLiteral("[1/3] "), QStringLiteral("[2/3] "), QStringLiteral("[3/3] ")})
        EXPECT_TRUE(shown.out.contains(line + path(QStringLiteral("Temp"))))
            << shown.out.toStdString();
}

TEST_F(TavloImagePdf, NothingIsWrittenWhenAnInputCannotBeReadOrOutIsNotAPdf)
{
    save(test::sampleImage(ColourCode::Rgb24, 50, 40), QStringLiteral("good.bmp"));
    const QByteArray good = bytesOf(QStringLiteral("good.bmp"));
    QFile damaged(path(QStringLiteral("damaged.bmp")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(good.left(good.size() / 2));
    damaged.close();
    QDir().mkpath(path(QStringLiteral("empty")));
    QFile old(path(QStringLiteral("out.pdf")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("%PDF-1.4 the document that was there");
    old.close();

    const struct {
        const char* arguments;
        const char* named;
        QString reason;
    } cases[] = {
        {"@out.pdf @good.bmp @damaged.bmp @good.bmp", "damaged.bmp",
         QStringLiteral("ﾌｧｲﾙが途中で終わっています")},
        {"@out.pdf @missing.bmp", "missing.bmp", QStringLiteral("ﾌｧｲﾙがありません")},
        {"@out.pdf @good.bmp @empty", "empty", QStringLiteral("画像ﾌｧｲﾙがありません")},
        {"@new.pdf @damaged.bmp", "damaged.bmp", QStringLiteral("ﾌｧｲﾙが途中で終わっています")},
        // The argument order slipped: the first scan would have become a PDF of the others.
        {"@good.bmp @out.pdf", "good.bmp", QStringLiteral("PDF ではないﾌｧｲﾙは置き換えません")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const Outcome outcome = run(QStringLiteral("pdf ") + QLatin1String(c.arguments));
        EXPECT_EQ(outcome.status, 1);
        EXPECT_TRUE(outcome.err.startsWith(path(QLatin1String(c.named))))
            << outcome.err.toStdString();
        EXPECT_TRUE(outcome.err.contains(c.reason)) << outcome.err.toStdString();
    }
    EXPECT_EQ(bytesOf(QStringLiteral("out.pdf")),
              QByteArray("%PDF-1.4 the document that was there"));
    EXPECT_EQ(bytesOf(QStringLiteral("good.bmp")), good);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("new.pdf"))));
    EXPECT_EQ(QDir(m_folder.path()).entryList(QDir::Files).size(), 3);  // no temporary file left

    for (const char* wrong : {"@a.pdf", "@a.pdf @good.bmp --paper A10", "@a.pdf @good.bmp --title",
                              "@a.pdf @good.bmp --dpi 300"}) {
        const Outcome outcome = run(QStringLiteral("pdf ") + QLatin1String(wrong));
        EXPECT_EQ(outcome.status, 2) << wrong;
        EXPECT_TRUE(outcome.err.contains(QStringLiteral("usage: tavlo-image pdf"))) << wrong;
    }
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("a.pdf"))));
}

// A camera's JPEG goes in as it is, stored sideways or mirrored; the page must show it upright,
// as the imaging control shows it.
TEST_F(TavloImagePdf, AJpegTurnedByExifStandsUprightOnItsPage)
{
    Image photo =
        test::sampleImage(ColourCode::Rgb24, 48, 32, Look{PaletteKind::Usual, Pattern::Smooth, 11});
    photo.setDpi(72, 72);
    QByteArray plain;
    {
        QBuffer buffer(&plain);
        buffer.open(QIODevice::ReadWrite);
        ASSERT_EQ(codecs::writeImage(photo, buffer, ImageFormat::Jpeg, {95}), QString());
    }
    QStringList arguments = {QStringLiteral("pdf"), QStringLiteral("@turned.pdf")};
    std::vector<Image> upright;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const QString name = QStringLiteral("o%1.jpg").arg(orientation);
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(test::withExif(plain, test::exifBlock(orientation, false)));
        file.close();
        upright.push_back(codecs::readImageFile(path(name)).image);
        arguments.append(QLatin1Char('@') + name);
    }
    ASSERT_EQ(run(arguments).status, 0);
    const QString pdf = path(QStringLiteral("turned.pdf"));
    const std::vector<QSizeF> sizes = pageSizes(pdf);
    ASSERT_EQ(sizes.size(), 8u);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const Image& expected = upright[size_t(orientation - 1)];
        expectSize(sizes[size_t(orientation - 1)], QSizeF(expected.width(), expected.height()));
        // At 72 dots per inch every image pixel is one rendered pixel.
        const QString prefix = path(QStringLiteral("shown"));
        ASSERT_EQ(
            runProgram(QStringLiteral("pdftoppm"),
                       {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-singlefile"),
                        QStringLiteral("-f"), QString::number(orientation), QStringLiteral("-l"),
                        QString::number(orientation), pdf, prefix})
                .status,
            0);
        const Image shown = Image::fromStorage(
            QImage(prefix + QStringLiteral(".ppm")).convertToFormat(QImage::Format_BGR888),
            ColourCode::Rgb24);
        ASSERT_EQ(test::sizeOf(shown), test::sizeOf(expected));
        EXPECT_LT(test::meanDifference(shown, expected), 4.0);
    }
}

// The dark pixels' bounding box of a rendered page, in its pixels.
QRect darkArea(const QImage& page)
{
    QRect area;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            if (qGray(page.pixel(x, y)) < 128)
                area |= QRect(x, y, 1, 1);
        }
    }
    return area;
}

TEST_F(TavloImagePdf, OnPaperThePictureIsCentredAndShrunkOnlyWhenItDoesNotFit)
{
    // At 36 dots per inch a point is half a pixel: A4 is 297.6 x 420.9 pixels.
    const struct {
        int width;
        int height;
        int dpi;
        QSizeF page;
        QRectF expected;  // in rendered pixels
    } cases[] = {
        {600, 900, 300, {595.28, 841.89}, {(297.64 - 72) / 2, (420.94 - 108) / 2, 72, 108}},
        {900, 600, 300, {841.89, 595.28}, {(420.94 - 108) / 2, (297.64 - 72) / 2, 108, 72}},
        {3000, 3000, 72, {595.28, 841.89}, {0, (420.94 - 297.64) / 2, 297.64, 297.64}},
    };
    QStringList arguments = {QStringLiteral("pdf"), QStringLiteral("@paper.pdf")};
    for (const auto& c : cases) {
        Image black = Image::create(c.width, c.height, ColourCode::Mono);  // all black
        black.setDpi(c.dpi, c.dpi);
        const QString name = QStringLiteral("p%1.bmp").arg(arguments.size());
        save(black, name);
        arguments.append(QLatin1Char('@') + name);
    }
    arguments << QStringLiteral("--paper") << QStringLiteral("a4");
    const Outcome outcome = run(arguments);
    ASSERT_EQ(outcome.status, 0) << outcome.err.toStdString();
    const QString pdf = path(QStringLiteral("paper.pdf"));
    const std::vector<QSizeF> sizes = pageSizes(pdf);
    ASSERT_EQ(sizes.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        expectSize(sizes[i], cases[i].page);
        const QRect dark = darkArea(rendered(pdf, int(i) + 1));
        const QRectF& expected = cases[i].expected;
        EXPECT_NEAR(dark.left(), expected.left(), 1.0);
        EXPECT_NEAR(dark.top(), expected.top(), 1.0);
        EXPECT_NEAR(dark.right() + 1, expected.right(), 1.0);
        EXPECT_NEAR(dark.bottom() + 1, expected.bottom(), 1.0);
    }
}

}  // namespace
}  // namespace tavlo
