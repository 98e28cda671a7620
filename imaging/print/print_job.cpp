#include "imaging/print/print_job.h"

#include "environment/atomic_file.h"
#include "imaging/print/pdf_image_writer.h"

#include <QPainter>
#include <QPrinter>

namespace tavlo {
namespace {

// Draws the pages; "" when the painter took all of them.
QString paintPages(QPagedPaintDevice& device, const PrintJob& job, const QString& cannotStart)
{
    QPainter painter;
    if (!painter.begin(&device))
        return cannotStart;
    painter.setRenderHint(QPainter::LosslessImageRendering);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const double scale = job.resolution / 254.0;
    for (qsizetype i = 0; i < job.pages.size(); ++i) {
        if (i > 0 && !device.newPage()) {
            painter.end();
            return QStringLiteral("次のﾍﾟｰｼﾞを始められませんでした。");
        }
        for (const PlacedImage& placed : job.pages[i]) {
            const QRect& r = placed.tenthsMm;
            painter.drawImage(
                QRectF(r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale),
                placed.image.pixels());
        }
    }
    if (!painter.end())
        return QStringLiteral("印刷ﾃﾞｰﾀを書き終えられませんでした。");
    return {};
}

// A PDF file is written by our own writer: the image objects keep the images' codes and colours
// and are deflated on several threads (Qt's PDF engine turns every palette into 24-bit colour and
// deflates on one thread).
QString renderToPdf(const PrintJob& job)
{
    AtomicFile file(job.settings.pdfFile);
    if (!file.open())
        return file.error();
    const QString reason = writePdfImages(file.device(), job);
    if (!reason.isEmpty())
        return reason;
    if (!file.commit())
        return file.error();
    return {};
}

QString renderToPrinter(const PrintJob& job)
{
    if (!job.printer)
        return QStringLiteral("ﾌﾟﾘﾝﾀｰがありません。");
    QPrinter& printer = *job.printer;
    printer.setDocName(job.docName);
    QString reason = paintPages(printer, job, QStringLiteral("ﾌﾟﾘﾝﾀｰがないか、使用できません。"));
    if (reason.isEmpty() && printer.printerState() == QPrinter::Error)
        reason = QStringLiteral("ﾌﾟﾘﾝﾀｰが印刷ｼﾞｮﾌﾞを受け付けませんでした。");
    return reason;
}

}  // namespace

PrintJob::PrintJob() = default;
PrintJob::~PrintJob() = default;
PrintJob::PrintJob(PrintJob&&) noexcept = default;
PrintJob& PrintJob::operator=(PrintJob&&) noexcept = default;

QString PrintJob::target() const
{
    return settings.toPdf ? settings.pdfFile : settings.printerName;
}

QString renderPrintJob(PrintJob& job)
{
    return job.settings.toPdf ? renderToPdf(job) : renderToPrinter(job);
}

}  // namespace tavlo
