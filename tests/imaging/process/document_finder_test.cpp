#include "imaging/process/colour_conversion.h"
#include "imaging/process/document_finder.h"

#include "tests/support/glass_preview.h"

#include <gtest/gtest.h>

namespace tavlo::process {
namespace {

// The document without the margin the finder adds.
QRectF withoutMargin(const QRectF& found)
{
    return found.adjusted(kDocumentMarginMm, kDocumentMarginMm, -kDocumentMarginMm,
                          -kDocumentMarginMm);
}

void expectWithinOneMm(const QRectF& found, const QRectF& expected, const char* what)
{
    EXPECT_NEAR(found.left(), expected.left(), 1.0) << what;
    EXPECT_NEAR(found.top(), expected.top(), 1.0) << what;
    EXPECT_NEAR(found.right(), expected.right(), 1.0) << what;
    EXPECT_NEAR(found.bottom(), expected.bottom(), 1.0) << what;
}

// A photo on the glass is found within a millimetre at every colour-depth code, wherever it lies
// (in the middle, in a corner, touching an edge), at preview and at scanning resolutions.
TEST(DocumentFinder, FindsADarkerDocumentOnTheLidWithinAMillimetreAtEveryCode)
{
    const struct {
        QRectF document;
        int dpi;
    } cases[] = {
        {{37.3, 52.1, 88.7, 61.2}, 75},   // a photo in the middle
        {{0.0, 0.0, 100.0, 148.0}, 75},   // a postcard in the top-left corner
        {{120.5, 3.0, 79.5, 40.0}, 75},   // a receipt against the right edge
        {{10.0, 150.0, 55.0, 49.0}, 50},  // a business card low on the glass, coarser preview
        {{41.0, 17.0, 9.0, 6.0}, 150},    // a stamp
    };
    for (const auto& c : cases) {
        const Image glass = test::glassPreview(QSizeF(200, 200), c.dpi, c.document);
        for (ColourCode code : kAllColourCodes) {
            const Image preview = convertColour(glass, code);
            ASSERT_FALSE(preview.isNull()) << int(code);
            const std::optional<QRectF> found = findDocument(preview);
            ASSERT_TRUE(found.has_value()) << int(code) << " at " << c.dpi;
            // The margin is cut where the glass ends.
            const QRectF glassMm(0, 0, glass.width() * 25.4 / c.dpi, glass.height() * 25.4 / c.dpi);
            const QRectF expected = c.document
                                        .adjusted(-kDocumentMarginMm, -kDocumentMarginMm,
                                                  kDocumentMarginMm, kDocumentMarginMm)
                                        .intersected(glassMm);
            expectWithinOneMm(*found, expected, qPrintable(QString::number(int(code))));
            EXPECT_TRUE(glassMm.adjusted(-1e-9, -1e-9, 1e-9, 1e-9).contains(*found));
        }
    }
}

// Nothing to find: an empty lid (dust only), an image without dots per inch, a null image.
TEST(DocumentFinder, FindsNothingOnAnEmptyLidOrWithoutDotsPerInch)
{
    const Image empty = test::glassPreview(QSizeF(120, 90), 75, QRectF());
    EXPECT_FALSE(findDocument(empty).has_value());
    Image noDpi = test::glassPreview(QSizeF(120, 90), 75, QRectF(10, 10, 30, 30));
    EXPECT_TRUE(findDocument(noDpi).has_value());
    noDpi.setDpi(0, 0);
    EXPECT_FALSE(findDocument(noDpi).has_value());
    EXPECT_FALSE(findDocument(Image()).has_value());
}

// The margin is what the caller asks for.
TEST(DocumentFinder, AddsTheMarginAskedFor)
{
    const QRectF document(50, 40, 60, 30);
    const Image glass = test::glassPreview(QSizeF(200, 150), 100, document);
    const std::optional<QRectF> tight = findDocument(glass, 0.0);
    ASSERT_TRUE(tight.has_value());
    expectWithinOneMm(*tight, document, "no margin");
    const std::optional<QRectF> wide = findDocument(glass, 5.0);
    ASSERT_TRUE(wide.has_value());
    expectWithinOneMm(*wide, document.adjusted(-5, -5, 5, 5), "5 mm");
    expectWithinOneMm(withoutMargin(*findDocument(glass)), document, "default");
}

}  // namespace
}  // namespace tavlo::process
