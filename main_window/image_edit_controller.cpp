#include "main_window/image_edit_controller.h"

#include "environment/number_text.h"
#include "imaging/colour_code.h"
#include "imaging/imaging_control.h"
#include "main_window/document_state.h"
#include "main_window/main_window_operations.h"
#include "main_window/main_window_state.h"
#include "main_window/selection_controller.h"

#include <QPolygon>

#include <algorithm>

namespace tavlo {

ImageEditController::ImageEditController(ImagingControl& ikImg, ImagingControl& ikImg2,
                                         SelectionController& sel, MainWindowState& state,
                                         DocumentState& doc, MainWindowOperations& ops)
    : m_ikImg(ikImg), m_ikImg2(ikImg2), m_sel(sel), m_state(state), m_doc(doc), m_ops(ops)
{
}

void ImageEditController::setBusy(bool on)
{
    callIfSet(m_ops.SetBusy, on);
}

void ImageEditController::setRect(ImagingControl& control, int left, int top, int right, int bottom)
{
    ProcessObject& process = control.ProcessObject();
    process.setRectLeft(left);
    process.setRectTop(top);
    process.setRectRight(right);
    process.setRectBottom(bottom);
}

std::optional<ImageEditController::Rotation> ImageEditController::rotationOf(const QString& caption)
{
    struct Entry {
        const char* caption;
        Rotation rotation;
    };
    static const Entry table[] = {
        {"左右反転", {0, true, false}},    {"上下反転", {0, false, true}},
        {"右90度", {-9000, false, false}}, {"右180度", {-18000, false, false}},
        {"左90度", {9000, false, false}},  {"左180度", {18000, false, false}},
    };
    for (const Entry& entry : table) {
        if (caption == QString::fromUtf8(entry.caption))
            return entry.rotation;
    }
    return std::nullopt;
}

bool ImageEditController::smoothFor(const QString& sClrCd)
{
    return smoothTurnFor(sClrCd);
}

void ImageEditController::RotateFlip(const QString& caption)
{
    const std::optional<Rotation> rotation = rotationOf(caption);
    if (m_ikImg.ImageHandle() == 0 || !rotation)
        return;
    setBusy(true);
    ProcessObject& process = m_ikImg.ProcessObject();
    process.setRectMode(1);
    const bool turned =
        process.RotateImage(rotation->angle, rotation->mirrorLeftRight, rotation->mirrorTopBottom,
                            smoothFor(m_state.sClrCd), 255, 255, 255, false);
    m_ikImg.RefreshView();
    // Also when the turn came by its shortcut, which opens no submenu.
    if (turned)
        m_doc.ImageEdited();
    setBusy(false);
}

void ImageEditController::TrimToSelection()
{
    const Selection s = m_sel.GetSelection();
    if (!s.present)
        return;
    setBusy(true);
    setRect(m_ikImg, s.left, s.top, s.right, s.bottom);
    m_sel.ClearSelection(false);
    const bool trimmed = m_ikImg.ProcessObject().Trim();
    m_ikImg.DrawImage(m_state.nDspMd);
    m_ikImg.RefreshView();
    if (trimmed)
        m_doc.ImageEdited();
    setBusy(false);
}

void ImageEditController::ShrinkToSelection(int mode)
{
    const Selection s = m_sel.GetSelection();
    if (!s.present)
        return;
    setBusy(true);
    // Single precision, as the sizes have always been worked out.
    const float width = float(m_ikImg.ImageWidth());
    const float height = float(m_ikImg.ImageHeight());
    float dx = float(s.right - s.left);
    float dy = float(s.bottom - s.top);
    if (dx != 0 && dy != 0) {
        if (mode == 0)
            dy = dx / width * height;
        else if (mode == 1)
            dx = dy / height * width;
    }
    bool changed = false;
    if (!smoothFor(m_state.sClrCd))
        changed = m_ikImg.ProcessObject().ConvertColor(16, 0, true, 128);
    changed = m_ikImg.ProcessObject().Resize(roundHalfEven(dx), roundHalfEven(dy), -1) || changed;
    m_sel.ClearSelection(false);
    m_ikImg.DrawImage(m_state.nDspMd);
    m_ikImg.RefreshView();
    if (changed)
        m_doc.ImageEdited();
    setBusy(false);
}

bool ImageEditController::removeBand(bool columns, int from, int to)
{
    const int width = m_ikImg.ImageWidth();
    const int height = m_ikImg.ImageHeight();
    const int extent = columns ? width : height;
    from = std::clamp(from, 0, extent);
    to = std::clamp(to, from, extent);
    const int left = extent - (to - from);
    if (to == from || left <= 0)
        return false;
    if (to < extent) {
        // The part beyond the band, cut from a copy in the scratch control, goes where the band
        // starts.
        m_ikImg2.setImageHandle(m_ikImg.DuplicateImage(m_ikImg.ImageHandle()));
        m_ikImg2.ProcessObject().setRectSelect(1);
        if (columns)
            setRect(m_ikImg2, to, 0, width, height);
        else
            setRect(m_ikImg2, 0, to, width, height);
        const bool moved = m_ikImg2.ProcessObject().Trim() &&
                           m_ikImg.ProcessObject().PasteImage(
                               m_ikImg2.ImageHandle(), columns ? from : 0, columns ? 0 : from);
        m_ikImg2.setImageHandle(0);
        if (!moved)
            return false;
    }
    // What is left over at the far end once the rest has moved up is cut off.
    ProcessObject& process = m_ikImg.ProcessObject();
    process.setRectMode(1);
    process.setRectSelect(2);
    if (columns)
        setRect(m_ikImg, 0, 0, left, height);
    else
        setRect(m_ikImg, 0, 0, width, left);
    return process.Trim();
}

void ImageEditController::JoinAcrossSelection(int direction)
{
    const Selection s = m_sel.GetSelection();
    if (!s.present)
        return;
    setBusy(true);
    const bool columns = direction == 1;
    const bool joined =
        columns ? removeBand(true, std::min(s.left, s.right), std::max(s.left, s.right))
                : removeBand(false, std::min(s.top, s.bottom), std::max(s.top, s.bottom));
    setBusy(false);
    m_sel.ClearSelection(false);
    m_ikImg.DrawImage(m_state.nDspMd);
    // Marked changed also when the tool buttons, which do not pass through the Edit menu, did it.
    if (joined)
        m_doc.ImageEdited();
}

void ImageEditController::EmphasiseSelection(int kind)
{
    const Selection s = m_sel.GetSelection();
    if (!s.present)
        return;
    setBusy(true);
    const QPolygon region({QPoint(s.left, s.top), QPoint(s.right, s.top), QPoint(s.right, s.bottom),
                           QPoint(s.left, s.bottom)});
    // In place at the image's own code, as the join works: a round trip through 16 bits would
    // give a palette image a new palette and so change pixels far outside the rectangle.
    ProcessObject& process = m_ikImg.ProcessObject();
    bool done = false;
    if (kind == 0) {
        process.setRectMode(0);
        process.setRectSelect(2);
        done = process.EmphasizeRelativeFill(region, 4, 55, 55, 55);
        done = process.EmphasizeRelativeAdjust(region, 4, -100) || done;
    } else {
        process.setRectMode(1);
        process.setRectSelect(2);
        done = process.EmphasizeMarker(region, 4, 0, 0, -1);
    }
    if (done) {
        // A grey image that took coloured entries is a colour palette image now (40 to 4).
        callIfSet(m_ops.UpdateColourChecks, 0);
        m_ikImg.DrawImage(m_state.nDspMd);
        m_doc.ImageEdited();
    }
    setBusy(false);
}

}  // namespace tavlo
