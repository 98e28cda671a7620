#include "main_window/image_save_controller.h"

#include "environment/process_values.h"
#include "environment/user_prompt.h"
#include "imaging/imaging_control.h"
#include "main_window/document_state.h"
#include "main_window/main_window_operations.h"
#include "main_window/main_window_state.h"
#include "main_window/save_format_table.h"

#include <QFileInfo>

namespace tavlo {

ImageSaveController::ImageSaveController(ImagingControl& ikImg, MainWindowState& state,
                                         DocumentState& doc, MainWindowOperations& ops)
    : m_ikImg(ikImg), m_state(state), m_doc(doc), m_ops(ops)
{
}

bool ImageSaveController::SaveImage(bool saveAs)
{
    if (m_ikImg.ImageHandle() == 0)
        return false;
    callIfSet(m_ops.ClearMarkerShape);
    callIfSet(m_ops.SetBusy, true);
    FileObject& file = m_ikImg.FileObject();
    QString given = m_state.sCurFile;
    bool chosen = true;
    QString chosenType;
    if (given.isEmpty() || saveAs) {
        // The dialog proposes the current file (in its folder); an image without a file starts
        // where the last save went, else in the work folder.
        file.setFileName(m_state.sCurFile);
        file.setInitDir(m_lastFolder.isEmpty() ? m_state.sWrkFld : m_lastFolder);
        file.setSaveFilter(saveFilter());
        chosen = file.ShowSaveDialog();
        given = file.FileName();
        chosenType = file.SavedType();
        if (chosen)
            m_lastFolder = QFileInfo(given).absolutePath();
    }
    bool written = false;
    if (chosen) {
        const QString name = nameToWrite(given, chosenType);
        if (!name.isEmpty())
            written = write(name);
    }
    if (written)
        m_doc.ImageSaved();
    callIfSet(m_ops.SetBusy, false);
    return written;
}

QString ImageSaveController::nameToWrite(const QString& given, const QString& chosenType) const
{
    QString name = given;
    LowerCaseExt(name);
    // Where names differ only in letter case, they name one file on the file system the program
    // was made for, so lowering the extension overwrote that file; here it would put a second file
    // beside it. An existing file therefore keeps its name.
    if (name != given && QFileInfo(given).isFile())
        name = given;
    // A name typed without an extension takes that of the type chosen in the dialog.
    if (FileExtOf(name).isEmpty())
        name += QLatin1Char('.') +
                (chosenType.isEmpty() ? QStringLiteral("bmp") : chosenType.toLower());
    // The dialog asked before replacing the name the user gave; a different name it did not ask
    // about ("scan" written as "scan.bmp") is not overwritten without asking.
    if (name != given && QFileInfo::exists(name)) {
        const QString question = name + QStringLiteral("\rこのﾌｧｲﾙは既にあります。上書きしますか?");
        if (!userPrompt().confirm(programTitle(), question))
            return QString();
    }
    return name;
}

void ImageSaveController::tellNotSaved(const QString& name, const QString& reason)
{
    // The same three lines as the file object's own failure messages.
    userPrompt().message(programTitle(), QStringLiteral("画像ﾌｧｲﾙを保存できませんでした。\r") +
                                             name + QLatin1Char('\r') + reason);
}

bool ImageSaveController::write(const QString& name)
{
    FileObject& file = m_ikImg.FileObject();
    file.setFileName(name);
    const SaveFormatRule rule = saveFormatRule(FileExtOf(name));
    if (!rule.refusal.isEmpty()) {
        tellNotSaved(name, rule.refusal);
        return false;
    }
    // A format code the file object cannot write is refused by it with its reason, before the
    // image is converted for nothing.
    bool converted = false;
    if (FileObject::CanSave(rule.formatCode) && !rule.allowedCodes.isEmpty() &&
        !rule.allowedCodes.contains(m_state.sClrCd)) {
        if (!m_ikImg.ProcessObject().ConvertColor(rule.conversionTarget, 0, true, 50)) {
            tellNotSaved(name, QStringLiteral("保存する形式の色数に変換できませんでした"));
            return false;
        }
        m_ikImg.RefreshView();  // the view shows the image as it is saved
        converted = true;
    }
    if (rule.jpegQuality)
        file.setJpegQuality(80);
    if (file.SaveFile(rule.formatCode, m_ikImg.ImageHandle()))
        return true;
    // The converted pixels are in no file now.
    if (converted)
        m_doc.ImageEdited();
    return false;
}

}  // namespace tavlo
