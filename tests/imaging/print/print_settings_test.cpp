// The print settings file "IkPrn.Ik": what a printer is set to comes back the same, and every
// damaged form reads as no settings.
#include "imaging/print/print_settings.h"

#include <gtest/gtest.h>

#include <QPageSize>
#include <QPrinter>

namespace tavlo {
namespace {

PrintSettings landscapeLetterToPdf()
{
    PrintSettings s;
    s.toPdf = true;
    s.pdfFile = QStringLiteral("/tmp/スキャン 1.pdf");
    s.paperId = int(QPageSize::Letter);
    s.paperMm = QPageSize(QPageSize::Letter).size(QPageSize::Millimeter);
    s.landscape = true;
    s.marginsMm = QMarginsF(12.5, 10, 7, 3);
    s.colour = false;
    s.duplex = int(QPrinter::DuplexLongSide);
    s.copies = 3;
    s.resolution = 600;
    return s;
}

TEST(PrintSettingsTest, APrinterSetFromTheFileReportsTheSameSettings)
{
    const PrintSettings s = landscapeLetterToPdf();
    const std::optional<PrintSettings> read = PrintSettings::fromText(s.toText());
    ASSERT_TRUE(read.has_value()) << s.toText().toStdString();
    EXPECT_EQ(*read, s);

    QPrinter printer(QPrinter::HighResolution);
    read->applyTo(printer);
    PrintSettings captured = PrintSettings::capture(printer);
    // A PDF writer has no duplex unit; everything the page and the file need comes back.
    captured.duplex = s.duplex;
    EXPECT_EQ(captured, s) << captured.toText().toStdString();

    PrintSettings custom = s;
    custom.paperId = int(QPageSize::Custom);
    custom.paperMm = QSizeF(100, 150);
    custom.landscape = false;
    printer.setDuplex(QPrinter::DuplexNone);
    custom.applyTo(printer);
    EXPECT_EQ(printer.pageLayout().pageSize().size(QPageSize::Millimeter), QSizeF(100, 150));
}

TEST(PrintSettingsTest, DamagedFilesReadAsNoSettings)
{
    const QByteArray good = landscapeLetterToPdf().toText();
    const QByteArray paperPrefix = "paper=" + QByteArray::number(int(QPageSize::Letter)) + ',';
    auto replaced = [&good](const char* from, const char* to) {
        QByteArray text = good;
        EXPECT_TRUE(text.contains(from)) << from;
        return text.replace(from, to);
    };
    const struct {
        const char* what;
        QByteArray text;
    } cases[] = {
        {"empty", {}},
        {"another first line", replaced("IkPrn 1", "IkPrn 2")},
        {"binary bytes", QByteArray("\x89PNG\r\n\x1a\n\0\0", 10)},
        {"cut short", good.left(good.size() / 2)},
        {"a key twice", good + "copies=2\n"},
        {"an unknown key", good + "staple=yes\n"},
        {"a line without '='", good + "copies\n"},
        {"copies 0", replaced("copies=3", "copies=0")},
        {"copies not a number", replaced("copies=3", "copies=three")},
        {"no PDF file", replaced("file=/tmp/スキャン 1.pdf", "file=")},
        {"an unknown output", replaced("output=pdf", "output=fax")},
        {"a negative margin", replaced("margins=12.5", "margins=-12.5")},
        {"three margins", replaced("margins=12.5,", "margins=")},
        {"a paper without size", replaced(paperPrefix.constData(), "paper=7")},
        {"an unknown orientation", replaced("landscape", "sideways")},
        {"a paper source out of range", replaced("source=0", "source=99")},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(PrintSettings::fromText(c.text).has_value()) << c.what;
    EXPECT_TRUE(PrintSettings::fromText(good).has_value());
}

}  // namespace
}  // namespace tavlo
