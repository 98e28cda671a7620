#include "main_window/scan_controller.h"

#include "environment/process_values.h"
#include "environment/user_prompt.h"
#include "imaging/image_store.h"
#include "imaging/imaging_control.h"
#include "imaging/scan/scanner_object.h"
#include "main_window/colour_depth_controller.h"
#include "main_window/document_state.h"
#include "main_window/main_window_log.h"
#include "main_window/file_list_box.h"
#include "main_window/main_window_operations.h"
#include "main_window/main_window_state.h"
#include "main_window/tool_strip.h"

#include <QComboBox>
#include <QFileInfo>
#include <QCoreApplication>
#include <QLineEdit>
#include <QScopedValueRollback>

#include <algorithm>

namespace tavlo {
namespace {

// Added to every message about a page that could not be written.
const QString kPageNotSaved =
    QStringLiteral("\rｽｷｬﾝを中止しました。表示中の画像は保存されていません。");

}  // namespace

ScanController::ScanController(QWidget& window, ImagingControl& ikImg, FileListBox& File1,
                               ToolStrip& strip, MainWindowState& state, DocumentState& doc,
                               MainWindowOperations& ops, QObject* parent)
    : QObject(parent), m_window(window), m_ikImg(ikImg), m_File1(File1), m_strip(strip),
      m_state(state), m_doc(doc), m_ops(ops)
{
    m_paintTimer.setSingleShot(true);
    connect(&m_paintTimer, &QTimer::timeout, this, &ScanController::releasePaints);
}

void ScanController::InitScanner()
{
    // The application's name and version identify the caller; the result is not needed: a
    // missing scanner is told when the user asks for one.
    m_ikImg.ScannerObject().InitScanner(&m_window, 1, 0, QStringLiteral("Kestra"), QString(),
                                        QString(), QString());
}

void ScanController::StartScan()
{
    scan::ScannerObject& scanner = m_ikImg.ScannerObject();
    // A second "実行" while pages arrive would be refused by the scanner; it must not end the
    // running scan's busy pointer either.
    if (scanner.isAcquiring())
        return;
    // The run replaces the image shown; its first page goes to the number in txPfx.
    if (!mayReplaceImage(m_ops))
        return;
    if (QString first = NextWorkFileName(); !first.isEmpty() && !settleTypedNumber(first))
        return;
    callIfSet(m_ops.SetBusy, true);
    callIfSet(m_ops.ClearSelection, false);
    scanner.setAcquireOption(false);
    m_lastPaint.invalidate();  // the run's first page paints at once
    callIfSet(m_ops.BeginScanPrinting);
    int pages = 0;
    int showProgress = 1;
    scanner.AcquireImages(pages, showProgress);
    releasePaints();
    // A run stopped at a page that could not be kept: that page and every page read after it
    // are told by name, and may be saved elsewhere.
    m_unwritten.report(scanner.takeUnraisedPages(), m_writer, programTitle(), &m_window);
    callIfSet(m_ops.SetBusy, false);
}

void ScanController::SelectScanSource()
{
    m_ikImg.ScannerObject().SelectSource();
}

QString ScanController::NextWorkFileName()
{
    const int extension = m_strip.cbKak()->currentIndex();
    m_state.bSvBmp = extension == 0;
    return m_seq.NextWorkFileName(m_strip.txPfx()->text(), extension, m_state.sWrkFld);
}

void ScanController::AdvanceSequence()
{
    m_strip.txPfx()->setText(m_seq.AdvanceSequence());
}

bool ScanController::settleTypedNumber(QString& name)
{
    if (!m_seq.numberTyped() || !QFileInfo::exists(name))
        return true;
    const QString question =
        QFileInfo(name).fileName() + QStringLiteral(" は既にあります。上書きしますか?");
    const QStringList buttons = {QStringLiteral("上書き"), QStringLiteral("次の空き番号"),
                                 QStringLiteral("ｷｬﾝｾﾙ")};
    switch (userPrompt().choose(programTitle(), question, buttons)) {
    case 0: return true;
    case 1:
        name = m_seq.TakeFirstFree();
        if (name.isEmpty()) {
            userPrompt().message(programTitle(), m_seq.error());
            return false;
        }
        m_strip.txPfx()->setText(m_seq.fieldText());
        return true;
    default: return false;
    }
}

int ScanController::saveFormatCode() const
{
    return m_state.bSvBmp ? codecs::SaveCode::Bmp : codecs::SaveCode::Tiff;
}

void ScanController::refreshList()
{
    m_File1.Refresh();
}

void ScanController::stopRun(const QString& text)
{
    // Stop the scanner first, keeping the pages it has read; the page the message is about is
    // painted at once, and the message (with those pages) comes when the run has ended.
    m_ikImg.ScannerObject().StopKeepingPages();
    qCWarning(lcWindow) << "scan stopped:" << text;
    releasePaints();
    m_unwritten.stopped(text, m_seq.prefix(), m_seq.number(),
                        m_state.bSvBmp ? QStringLiteral(".bmp") : QStringLiteral(".tif"),
                        m_state.bSvBmp ? codecs::ImageFormat::Bmp : codecs::ImageFormat::Tiff);
}

void ScanController::SaveToWorkFolder()
{
    // Events run while a scanned page is written; a save now would take the same name.
    if (m_writing)
        return;
    callIfSet(m_ops.SetBusy, true);
    if (m_ikImg.ImageHandle() != 0) {
        QScopedValueRollback<bool> writing(m_writing, true);
        // The marks the user sees belong in the work file, as in every other save.
        callIfSet(m_ops.ClearMarkerShape);
        QString name = NextWorkFileName();
        if (name.isEmpty()) {
            userPrompt().message(programTitle(), m_seq.error());
        } else if (settleTypedNumber(name)) {
            FileObject& file = m_ikImg.FileObject();
            file.setFileName(name);
            // The file object tells the user which file failed and why.
            if (file.SaveFile(saveFormatCode(), m_ikImg.ImageHandle())) {
                AdvanceSequence();
                m_state.sCurFile = name;
                m_doc.ImageMatchesFile();
            }
        }
        QCoreApplication::processEvents();
        refreshList();
    }
    callIfSet(m_ops.SetBusy, false);
}

void ScanController::ikImg_ImageAcquired(quint32 handle)
{
    // The scanner releases its handle when this returns: the view keeps a copy (the pixels are
    // shared until one side changes them, so this costs no copy of the page).
    const quint32 page = m_ikImg.DuplicateImage(handle);
    if (page == 0)
        return;
    QScopedValueRollback<bool> writing(m_writing, true);
    pacePaints();
    m_ikImg.setImageHandle(page);

    // The name is fixed before anything changes the page.
    const QString name = NextWorkFileName();
    if (name.isEmpty()) {
        m_state.sCurFile.clear();
        callIfSet(m_ops.UpdateColourChecks, 0);
        m_ikImg.DrawImage(m_state.nDspMd);
        m_doc.ImageEdited();  // in no file: quitting or replacing it asks first
        stopRun(m_seq.error() + kPageNotSaved);
        refreshList();
        return;
    }
    m_ikImg.FileObject().setFileName(name);

    if (const int code = ColourDepthController::afterScanCode(m_state.iGenClr); code != 0) {
        callIfSet(m_ops.ConvertColourDepth, code, false);
        QCoreApplication::processEvents();
    } else {
        // The colour ticks and sClrCd describe the page, not the image shown before it.
        callIfSet(m_ops.UpdateColourChecks, 0);
    }
    if (m_state.iPrnMd > 0)
        callIfSet(m_ops.PrintScannedPage, m_state.iPrnMd);

    // Drawn before it is written, so the window paints the page while the disk works.
    m_ikImg.DrawImage(m_state.nDspMd);
    const Image* image = ImageStore::instance().find(m_ikImg.ImageHandle());
    const QString reason = image ? m_writer.write(*image, name,
                                                  m_state.bSvBmp ? codecs::ImageFormat::Bmp
                                                                 : codecs::ImageFormat::Tiff)
                                 : FileObject::noImageReason();
    if (reason.isEmpty()) {
        AdvanceSequence();
        m_state.sCurFile = name;
        m_doc.ImageMatchesFile();
    } else {
        // The page stays in the view without a file, marked changed, so it can be saved
        // elsewhere (and is asked about before anything replaces it); the counter stays.
        m_state.sCurFile.clear();
        m_doc.ImageEdited();
        stopRun(QStringLiteral("画像ﾌｧｲﾙを保存できませんでした。\r") + name + QLatin1Char('\r') +
                reason + kPageNotSaved);
    }
    refreshList();
}

void ScanController::pacePaints()
{
    const bool running = m_ikImg.ScannerObject().isAcquiring();
    if (!running || !m_lastPaint.isValid() || m_lastPaint.elapsed() >= kPaintIntervalMs) {
        releasePaints();
        return;
    }
    if (!m_paintHeld) {
        m_paintHeld = true;
        m_ikImg.setUpdatesEnabled(false);
        m_paintTimer.start(int(std::max<qint64>(0, kPaintIntervalMs - m_lastPaint.elapsed())));
    }
}

void ScanController::releasePaints()
{
    m_paintTimer.stop();
    m_lastPaint.start();
    if (!m_paintHeld)
        return;
    m_paintHeld = false;
    m_ikImg.setUpdatesEnabled(true);  // repaints the view with the page it holds now
}

}  // namespace tavlo
