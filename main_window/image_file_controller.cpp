#include "main_window/image_file_controller.h"

#include "imaging/display_mode.h"

#include "environment/file_system.h"
#include "environment/open_file_dialog.h"
#include "imaging/imaging_control.h"
#include "main_window/document_state.h"
#include "main_window/main_window_operations.h"
#include "main_window/main_window_state.h"

#include <QFileInfo>

namespace tavlo {

ImageFileController::ImageFileController(ImagingControl& ikImg, MainWindowState& state,
                                         DocumentState& doc, MainWindowOperations& ops)
    : m_ikImg(ikImg), m_state(state), m_doc(doc), m_ops(ops)
{
}

QString ImageFileController::openTitle()
{
    return QString::fromUtf8("画像ﾌｧｲﾙを開く");
}

QString ImageFileController::openFilter()
{
    return QString::fromUtf8(
        "画像ﾌｧｲﾙ|*.BMP;*.JPG;*.JPEG;*.TIF;*.PCX;*.FPX;*.PNG;*.GIF;*.JP2;*.JPC;*.J2K|");
}

bool ImageFileController::drawLoaded(const QString& path)
{
    if (!m_ikImg.DrawImage(m_state.nDspMd))
        return false;
    m_ikImg.RefreshView();
    callIfSet(m_ops.UpdateColourChecks, 0);
    m_doc.ImageMatchesFile();
    m_state.sCurFile = path;
    return true;
}

void ImageFileController::OpenImageFile()
{
    if (!mayReplaceImage(m_ops))
        return;
    callIfSet(m_ops.SetBusy, true);
    callIfSet(m_ops.ClearSelection, true);
    // The dialog starts in the current file's folder, else where it last opened a file, else in
    // the work folder.
    QString folder =
        m_state.sCurFile.isEmpty() ? m_lastFolder : QFileInfo(m_state.sCurFile).absolutePath();
    if (folder.isEmpty())
        folder = m_state.sWrkFld;
    const QString name = ShowOpenFileDialog(openTitle(), QString(), openFilter(), folder);
    if (!name.isEmpty()) {
        m_lastFolder = QFileInfo(name).absolutePath();
        loadNamed(name);
    }
    callIfSet(m_ops.SetBusy, false);
}

bool ImageFileController::OpenNamedFile(const QString& path)
{
    callIfSet(m_ops.SetBusy, true);
    callIfSet(m_ops.ClearSelection, true);
    const bool ok = loadNamed(path);
    callIfSet(m_ops.SetBusy, false);
    return ok;
}

bool ImageFileController::loadNamed(const QString& path)
{
    m_ikImg.FileObject().setFileName(path);
    return m_ikImg.FileObject().LoadFile() && drawLoaded(path);
}

bool ImageFileController::LoadImageFile(const QString& path)
{
    callIfSet(m_ops.SetBusy, true);
    callIfSet(m_ops.ClearSelection, true);
    m_ikImg.FileObject().setFileName(path);
    bool ok = false;
    if (CheckFileExists(path) && m_ikImg.FileObject().LoadFile())
        ok = drawLoaded(path);
    callIfSet(m_ops.SetBusy, false);
    return ok;
}

void ImageFileController::CloseImage()
{
    m_ikImg.DrawImage(DisplayMode::Nothing);
    m_state.sCurFile.clear();
    callIfSet(m_ops.ClearSelection, false);
    m_doc.SetDocState(DocState::NoImage);
}

}  // namespace tavlo
