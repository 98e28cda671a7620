#include "imaging/print/print_settings.h"

#include <QHash>
#include <QList>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

namespace tavlo {
namespace {

const QByteArray kFirstLine = QByteArrayLiteral("IkPrn 1");
constexpr int kMaxCopies = 999;
constexpr double kMaxPaperMm = 10000.0;

std::optional<int> wholeNumber(const QByteArray& text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

// Comma-separated millimetre values, each 0 up to kMaxPaperMm.
std::optional<QList<double>> millimetres(const QByteArray& text, QByteArrayView separator,
                                         int count)
{
    const QList<QByteArray> parts = text.split(separator.at(0));
    if (parts.size() != count)
        return std::nullopt;
    QList<double> values;
    for (const QByteArray& part : parts) {
        bool ok = false;
        const double value = part.toDouble(&ok);
        if (!ok || !(value >= 0.0 && value <= kMaxPaperMm))
            return std::nullopt;
        values.append(value);
    }
    return values;
}

QByteArray number(double value)
{
    return QByteArray::number(value, 'g', 10);
}

}  // namespace

PrintSettings PrintSettings::capture(const QPrinter& printer)
{
    PrintSettings s;
    s.toPdf = printer.outputFormat() == QPrinter::PdfFormat;
    s.printerName = s.toPdf ? QString() : printer.printerName();
    s.pdfFile = s.toPdf ? printer.outputFileName() : QString();
    const QPageLayout layout = printer.pageLayout();
    s.paperId = int(layout.pageSize().id());
    s.paperMm = layout.pageSize().size(QPageSize::Millimeter);
    s.paperSource = int(printer.paperSource());
    s.landscape = layout.orientation() == QPageLayout::Landscape;
    s.marginsMm = layout.margins(QPageLayout::Millimeter);
    s.colour = printer.colorMode() == QPrinter::Color;
    s.duplex = int(printer.duplex());
    s.copies = printer.copyCount();
    s.resolution = printer.resolution();
    return s;
}

void PrintSettings::applyTo(QPrinter& printer) const
{
    if (toPdf) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfFile);
    } else {
        printer.setOutputFileName(QString());
        printer.setOutputFormat(QPrinter::NativeFormat);
        printer.setPrinterName(printerName);
    }
    const auto id = QPageSize::PageSizeId(paperId);
    printer.setPageSize(id == QPageSize::Custom ? QPageSize(paperMm, QPageSize::Millimeter)
                                                : QPageSize(id));
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setPageMargins(marginsMm, QPageLayout::Millimeter);
    printer.setPaperSource(QPrinter::PaperSource(paperSource));
    printer.setColorMode(colour ? QPrinter::Color : QPrinter::GrayScale);
    printer.setDuplex(QPrinter::DuplexMode(duplex));
    printer.setCopyCount(copies);
    if (resolution > 0)
        printer.setResolution(resolution);
}

QByteArray PrintSettings::toText() const
{
    QByteArray text = kFirstLine + '\n';
    auto line = [&text](const char* key, const QByteArray& value) {
        text += key;
        text += '=';
        text += value;
        text += '\n';
    };
    line("output", toPdf ? "pdf" : "printer");
    line("printer", printerName.toUtf8());
    line("file", pdfFile.toUtf8());
    line("paper", QByteArray::number(paperId) + ',' + number(paperMm.width()) + 'x' +
                      number(paperMm.height()));
    line("source", QByteArray::number(paperSource));
    line("orientation", landscape ? "landscape" : "portrait");
    line("margins", number(marginsMm.left()) + ',' + number(marginsMm.top()) + ',' +
                        number(marginsMm.right()) + ',' + number(marginsMm.bottom()));
    line("colour", colour ? "colour" : "grey");
    line("duplex", QByteArray::number(duplex));
    line("copies", QByteArray::number(copies));
    line("resolution", QByteArray::number(resolution));
    return text;
}

std::optional<PrintSettings> PrintSettings::fromText(const QByteArray& text)
{
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.isEmpty() || lines.takeFirst() != kFirstLine)
        return std::nullopt;
    QHash<QByteArray, QByteArray> values;
    for (const QByteArray& line : lines) {
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            return std::nullopt;
        const QByteArray key = line.left(equals);
        if (values.contains(key))
            return std::nullopt;
        values.insert(key, line.mid(equals + 1));
    }
    const QList<QByteArray> keys = {"output", "printer",     "file",      "paper",
                                    "source", "orientation", "margins",   "colour",
                                    "duplex", "copies",      "resolution"};
    if (values.size() != keys.size())
        return std::nullopt;
    for (const QByteArray& key : keys) {
        if (!values.contains(key))
            return std::nullopt;
    }

    PrintSettings s;
    const QByteArray output = values.value("output");
    if (output != "pdf" && output != "printer")
        return std::nullopt;
    s.toPdf = output == "pdf";
    s.printerName = QString::fromUtf8(values.value("printer"));
    s.pdfFile = QString::fromUtf8(values.value("file"));
    if (s.toPdf ? s.pdfFile.isEmpty() : s.printerName.isEmpty())
        return std::nullopt;

    const QByteArray paper = values.value("paper");
    const qsizetype comma = paper.indexOf(',');
    const auto paperId = wholeNumber(paper.left(comma), 0, int(QPageSize::LastPageSize));
    const auto paperMm = millimetres(paper.mid(comma + 1), "x", 2);
    if (comma < 0 || !paperId || !paperMm || (*paperMm)[0] <= 0.0 || (*paperMm)[1] <= 0.0)
        return std::nullopt;
    s.paperId = *paperId;
    s.paperMm = QSizeF((*paperMm)[0], (*paperMm)[1]);

    const auto margins = millimetres(values.value("margins"), ",", 4);
    const auto source = wholeNumber(values.value("source"), 0, int(QPrinter::LastPaperSource));
    const auto duplex = wholeNumber(values.value("duplex"), 0, int(QPrinter::DuplexShortSide));
    const auto copies = wholeNumber(values.value("copies"), 1, kMaxCopies);
    const auto resolution = wholeNumber(values.value("resolution"), 0, 100000);
    const QByteArray orientation = values.value("orientation");
    const QByteArray colour = values.value("colour");
    if (!margins || !source || !duplex || !copies || !resolution ||
        (orientation != "portrait" && orientation != "landscape") ||
        (colour != "colour" && colour != "grey"))
        return std::nullopt;
    s.marginsMm = QMarginsF((*margins)[0], (*margins)[1], (*margins)[2], (*margins)[3]);
    s.paperSource = *source;
    s.duplex = *duplex;
    s.copies = *copies;
    s.resolution = *resolution;
    s.landscape = orientation == "landscape";
    s.colour = colour == "colour";
    return s;
}

}  // namespace tavlo
