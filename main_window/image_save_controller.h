#pragma once

#include <QString>

namespace tavlo {

class DocumentState;
class ImagingControl;
struct MainWindowOperations;
struct MainWindowState;

// "上書き保存(&S)" and "名前を付けて保存": the format follows the extension (save_format_table.h);
// an image whose colour-depth code (sClrCd) the format does not take is converted in place first,
// so the view keeps what was saved. The file object writes the file (replacing the old one only
// with a complete file) and tells the user why when it cannot.
//
// Saving changes neither sCurFile nor the document state: after a save as, overwrite-save still
// writes the file the image came from. A written file holds the pixels, so the image no longer
// counts as unsaved (DocumentState::ImageSaved); a conversion for a format whose file was then not
// written leaves the image changed.
class ImageSaveController {
public:
    ImageSaveController(ImagingControl& ikImg, MainWindowState& state, DocumentState& doc,
                        MainWindowOperations& ops);

    // saveAs false: writes to sCurFile, or asks for a name when the image has no file; true:
    // always asks. Nothing happens without an image or when the dialog is cancelled. The dialog
    // proposes the current file; without one it starts in the folder of the last save through
    // it, else in the work folder. True when the file was written.
    bool SaveImage(bool saveAs);

    // The save dialog's formats.
    static QString saveFilter() { return QStringLiteral("BMP;JPG;TIF;PCX;FPX;PNG;GIF"); }

private:
    // The name to write for a chosen or current name, or "" when the user declined. A name
    // without an extension gets that of chosenType (the type chosen in the dialog), else ".bmp".
    QString nameToWrite(const QString& given, const QString& chosenType) const;
    bool write(const QString& name);
    static void tellNotSaved(const QString& name, const QString& reason);

    ImagingControl& m_ikImg;
    MainWindowState& m_state;
    DocumentState& m_doc;
    MainWindowOperations& m_ops;
    QString m_lastFolder;  // where the save dialog last saved, "" before any
};

}  // namespace tavlo
