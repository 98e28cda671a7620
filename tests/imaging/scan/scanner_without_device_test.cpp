// The scanner object when SANE finds no scanner at all. A program of its own, because SANE reads
// its configuration folder once per process.
#include "tests/imaging/scan/scanner_test_fixture.h"

#include <QTemporaryDir>

namespace tavlo::scan::test {
namespace {

class NoScannerTest : public ScannerTest {
protected:
    static void SetUpTestSuite()
    {
        static QTemporaryDir empty;  // no dll.conf: SANE loads no backend
        qputenv("SANE_CONFIG_DIR", empty.path().toUtf8());
    }
};

TEST_F(NoScannerTest, StartingIsNoErrorAndTheUserIsToldWhenAskingForAScanner)
{
    EXPECT_TRUE(prompt.messages().isEmpty());  // InitScanner asked nothing
    EXPECT_FALSE(scanner->SelectSource());
    EXPECT_FALSE(acquire());
    EXPECT_EQ(delivered, 0);
    EXPECT_EQ(scanner->lastOutcome(), ScannerObject::Outcome::NoDevice);
    EXPECT_EQ(dialogs.progressStartedCount, 0);
    EXPECT_TRUE(dialogs.optionsShown.isEmpty());
    ASSERT_EQ(prompt.messages().size(), 2);
    for (const QString& text : prompt.messages())
        EXPECT_TRUE(text.startsWith(QStringLiteral("ｽｷｬﾅが見つかりません。")))
            << text.toStdString();
}

}  // namespace
}  // namespace tavlo::scan::test
