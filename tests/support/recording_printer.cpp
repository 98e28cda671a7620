#include "tests/support/recording_printer.h"

#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace tavlo::test {

RecordingPrinter::RecordingPrinter()
{
    setPrinterAccess(this);
}

RecordingPrinter::~RecordingPrinter()
{
    setPrinterAccess(nullptr);
}

bool RecordingPrinter::showDialog(QPrinter& printer,
                                  QAbstractPrintDialog::PrintDialogOptions options, QWidget*)
{
    ++dialogs;
    lastOptions = options;
    if (!accept)
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdfFile);
    printer.setPageSize(pageSize);
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageMargins(marginsMm, QPageLayout::Millimeter);
    return true;
}

bool RecordingPrinter::printerExists(const QString& name)
{
    return queues.contains(name);
}

namespace {

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

PdfPage readPdf(const QString& path)
{
    PdfPage page;
    const QString info = run(QStringLiteral("pdfinfo"), {path});
    // "Page size:      595.276 x 841.89 pts (A4)"
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts")).match(info);
    if (size.hasMatch())
        page.sizeMm = QSizeF(size.captured(1).toDouble() * 25.4 / 72.0,
                             size.captured(2).toDouble() * 25.4 / 72.0);
    const QRegularExpressionMatch pages =
        QRegularExpression(QStringLiteral("Pages:\\s+([0-9]+)")).match(info);
    if (pages.hasMatch())
        page.pages = pages.captured(1).toInt();
    QStringList lines = run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path})
                            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    page.images = lines.mid(2);
    return page;
}

PdfImage pdfImage(const QString& listLine)
{
    // page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
    const QStringList c = listLine.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    PdfImage image;
    if (c.size() < 14)
        return image;
    image.width = c[3].toInt();
    image.height = c[4].toInt();
    image.colour = c[5];
    image.bitsPerComponent = c[7].toInt();
    image.ppiX = c[12].toInt();
    image.ppiY = c[13].toInt();
    return image;
}

QImage renderPdfPage(const QString& path, int dpi)
{
    QTemporaryDir dir;
    const QString stem = dir.filePath(QStringLiteral("page"));
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-gray"), QStringLiteral("-r"), QString::number(dpi),
         QStringLiteral("-singlefile"), path, stem});
    return QImage(stem + QStringLiteral(".pgm"));
}

}  // namespace tavlo::test
