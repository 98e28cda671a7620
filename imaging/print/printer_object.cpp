#include "imaging/print/printer_object.h"

#include "environment/atomic_file.h"
#include "imaging/image_store.h"
#include "imaging/print/print_spooler.h"
#include "imaging/print/printer_access.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>

namespace tavlo {
namespace {

// A settings file is a few hundred bytes; anything far larger is not ours.
constexpr qint64 kMaxSettingsBytes = 64 * 1024;

constexpr int kNoSelection = 0x4;
constexpr int kNoPageNumbers = 0x8;

}  // namespace

PrinterObject::PrinterObject() = default;

PrinterObject::~PrinterObject() = default;

QPrinter& PrinterObject::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

PrintSpooler& PrinterObject::spooler()
{
    if (!m_spooler) {
        m_spooler = std::make_unique<PrintSpooler>();
        QObject::connect(
            m_spooler.get(), &PrintSpooler::JobFinished, m_spooler.get(),
            [this](const QString& target, const QString&) { m_pdfNamesInUse.remove(target); });
    }
    return *m_spooler;
}

bool PrinterObject::fail(const QString& reason)
{
    m_lastError = reason;
    return false;
}

bool PrinterObject::LoadPrinterSettings(int source)
{
    if (source != 1 || m_settingsFile.isEmpty())
        return fail(QStringLiteral("印刷設定ﾌｧｲﾙがありません。"));
    QFile file(m_settingsFile);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxSettingsBytes)
        return fail(QStringLiteral("印刷設定ﾌｧｲﾙを読めません。"));
    const std::optional<PrintSettings> settings = PrintSettings::fromText(file.readAll());
    if (!settings)
        return fail(QStringLiteral("印刷設定ﾌｧｲﾙが壊れています。"));
    const bool usable = settings->toPdf
                            ? QFileInfo(QFileInfo(settings->pdfFile).absolutePath()).isDir()
                            : printerAccess().printerExists(settings->printerName);
    if (!usable)
        return fail(QStringLiteral("設定されたﾌﾟﾘﾝﾀｰがありません。"));
    settings->applyTo(printer());
    m_chosenInDialog = false;
    return true;
}

bool PrinterObject::SavePrinterSettings()
{
    if (m_settingsFile.isEmpty())
        return fail(QStringLiteral("印刷設定ﾌｧｲﾙがありません。"));
    QString error;
    if (!AtomicFile::writeWhole(m_settingsFile, PrintSettings::capture(printer()).toText(), &error))
        return fail(error);
    return true;
}

bool PrinterObject::ShowPrinterDialog(QWidget* parent)
{
    QAbstractPrintDialog::PrintDialogOptions options = QAbstractPrintDialog::PrintToFile |
                                                       QAbstractPrintDialog::PrintShowPageSize |
                                                       QAbstractPrintDialog::PrintCollateCopies;
    if (!(m_setupFlags & kNoSelection))
        options |= QAbstractPrintDialog::PrintSelection;
    if (!(m_setupFlags & kNoPageNumbers))
        options |= QAbstractPrintDialog::PrintPageRange;
    if (!printerAccess().showDialog(printer(), options, parent))
        return false;
    m_chosenInDialog = true;
    return true;
}

QString PrinterObject::freePdfName(const QString& chosen) const
{
    auto taken = [this](const QString& name) {
        return QFileInfo::exists(name) || m_pdfNamesInUse.contains(name);
    };
    if (!taken(chosen))
        return chosen;
    const QFileInfo info(chosen);
    const QString stem = info.dir().filePath(info.completeBaseName());
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    for (int n = 2; n < 100000; ++n) {
        const QString name = stem + QStringLiteral(" (%1)").arg(n) + suffix;
        if (!taken(name))
            return name;
    }
    return {};
}

bool PrinterObject::BeginDoc()
{
    if (m_job)
        return fail(QStringLiteral("前の印刷が終わっていません。"));
    QPrinter& chosen = printer();
    PrintJob job;
    job.docName = m_docName;
    job.settings = PrintSettings::capture(chosen);
    job.layout = chosen.pageLayout();
    job.resolution = chosen.resolution();
    if (job.settings.toPdf) {
        if (job.settings.pdfFile.isEmpty())
            return fail(QStringLiteral("印刷先のPDFﾌｧｲﾙが指定されていません。"));
        // The file the user just confirmed in the dialog is written as chosen; later jobs never
        // replace an existing file.
        if (!m_chosenInDialog)
            job.settings.pdfFile = freePdfName(job.settings.pdfFile);
        if (job.settings.pdfFile.isEmpty())
            return fail(QStringLiteral("印刷先のPDFﾌｧｲﾙ名が残っていません。"));
        if (!QFileInfo(QFileInfo(job.settings.pdfFile).absolutePath()).isDir())
            return fail(QStringLiteral("印刷先のﾌｫﾙﾀﾞがありません。\r") + job.settings.pdfFile);
    } else {
        if (job.settings.printerName.isEmpty())
            return fail(QStringLiteral("ﾌﾟﾘﾝﾀｰがありません。"));
        job.printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        job.settings.applyTo(*job.printer);
    }
    m_chosenInDialog = false;
    m_job = std::move(job);
    return true;
}

bool PrinterObject::BeginPage()
{
    if (!m_job || m_pageOpen)
        return false;
    m_job->pages.append(QList<PlacedImage>());
    m_pageOpen = true;
    return true;
}

bool PrinterObject::GetPrintableArea(int dc, int unit, int& left, int& top, int& right,
                                     int& bottom) const
{
    if (!m_job || dc == 0 || dc != PrinterDC() || unit != 1)
        return false;
    const QRectF area = m_job->layout.paintRect(QPageLayout::Millimeter);
    left = qRound(area.left() * 10.0);
    top = qRound(area.top() * 10.0);
    right = qRound(area.right() * 10.0);
    bottom = qRound(area.bottom() * 10.0);
    return true;
}

bool PrinterObject::DrawOnPrinter(int dc, quint32 handle, int x, int y, int w, int h,
                                  int sourceWidth, int sourceHeight, int unit)
{
    if (!m_job || dc == 0 || dc != PrinterDC() || unit != 1 || sourceWidth != -1 ||
        sourceHeight != -1 || w <= 0 || h <= 0)
        return false;
    const Image* image = ImageStore::instance().find(handle);
    if (!image || image->isNull())
        return false;
    // A copy shares the pixels: the job keeps the page as it is now, even when the view's image
    // changes before the job is rendered.
    m_job->pages.last().append({*image, QRect(x, y, w, h)});
    return true;
}

bool PrinterObject::EndPage()
{
    if (!m_pageOpen)
        return false;
    m_pageOpen = false;
    return true;
}

bool PrinterObject::EndDoc()
{
    if (!m_job)
        return false;
    m_pageOpen = false;
    PrintJob job = std::move(*m_job);
    m_job.reset();
    if (job.settings.toPdf)
        m_pdfNamesInUse.insert(job.settings.pdfFile);
    spooler().submit(std::move(job));
    return true;
}

}  // namespace tavlo
