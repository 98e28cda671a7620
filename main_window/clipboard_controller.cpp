#include "main_window/clipboard_controller.h"

#include "environment/process_values.h"
#include "environment/user_prompt.h"
#include "imaging/imaging_control.h"
#include "main_window/colour_depth_controller.h"
#include "main_window/document_state.h"
#include "main_window/image_details_report.h"
#include "main_window/main_window_operations.h"
#include "main_window/main_window_state.h"
#include "main_window/selection_controller.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>

namespace tavlo {

ClipboardController::ClipboardController(ImagingControl& ikImg, ImagingControl& ikImg2,
                                         SelectionController& sel, MainWindowState& state,
                                         DocumentState& doc, MainWindowOperations& ops)
    : m_ikImg(ikImg), m_ikImg2(ikImg2), m_sel(sel), m_state(state), m_doc(doc), m_ops(ops)
{
}

void ClipboardController::setBusy(bool on)
{
    callIfSet(m_ops.SetBusy, on);
}

void ClipboardController::PasteFromClipboard()
{
    if (!mayReplaceImage(m_ops))
        return;
    setBusy(true);
    m_sel.ClearSelection(true);
    if (m_ikImg.LoadFromClipboard() && m_ikImg.ImageHandle() != 0) {
        if (m_ikImg.ImageKind() != 1) {
            m_ikImg.VectorObject().RenderToBitmap(24, 0, 255, 255, 255);
            ProcessObject& process = m_ikImg.ProcessObject();
            process.setRectLeft(0);
            process.setRectTop(0);
            process.setRectRight(m_ikImg.ImageWidth() - 2);
            process.setRectBottom(m_ikImg.ImageHeight() - 2);
            process.Trim();
        }
        m_ikImg.setXResolution(96);
        m_ikImg.setYResolution(96);
        m_ikImg.ApplyResolution();
        const int reduced = ColourDepthController::afterScanCode(m_state.iGenClr);
        if (reduced != 0) {
            callIfSet(m_ops.ConvertColourDepth, reduced, false);
            QCoreApplication::processEvents();
        }
        const bool drawn = m_ikImg.DrawImage(m_state.nDspMd);
        m_state.sCurFile.clear();
        // A pasted image is in no file: replacing it asks first.
        if (drawn)
            m_doc.ImageWithoutFile();
        else
            m_doc.SetDocState(DocState::NoImage);
        callIfSet(m_ops.UpdateColourChecks, 0);
    }
    setBusy(false);
}

void ClipboardController::CopyImageToClipboard()
{
    if (m_ikImg.ImageHandle() == 0)
        return;
    const Selection s = m_sel.GetSelection();
    setBusy(true);
    callIfSet(m_ops.ClearMarkerShape);
    m_ikImg2.setImageHandle(m_ikImg.DuplicateImage(m_ikImg.ImageHandle()));
    if (s.present) {
        ProcessObject& process = m_ikImg2.ProcessObject();
        process.setRectLeft(s.left);
        process.setRectTop(s.top);
        process.setRectRight(s.right);
        process.setRectBottom(s.bottom);
        process.Trim();
    }
    m_ikImg2.setXResolution(96);
    m_ikImg2.setYResolution(96);
    m_ikImg2.ApplyResolution();
    m_ikImg2.ClearClipboard();
    m_ikImg2.CopyToClipboard();
    // The clipboard holds its own data now; the scratch copy is not kept.
    m_ikImg2.setImageHandle(0);
    setBusy(false);
}

void ClipboardController::ShowImageDetails()
{
    if (m_ikImg.ImageHandle() == 0)
        return;
    m_ikImg.UpdateImageInfo();
    ImageDetailsReport report;
    report.bits = m_ikImg.BitCount();
    report.width = m_ikImg.ImageWidth();
    report.height = m_ikImg.ImageHeight();
    report.dpiX = m_ikImg.XResolution();
    report.dpiY = m_ikImg.YResolution();
    report.dataSize = m_ikImg.ImageDataSize();
    const QString text = report.text();
    m_ikImg.ClearClipboard();
    // The clipboard gets the desktop's line breaks, so the ten lines stay ten lines wherever the
    // report is pasted.
    QString pasted = text;
    pasted.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QGuiApplication::clipboard()->setText(pasted);
    userPrompt().message(programTitle(), text);
}

}  // namespace tavlo
