#pragma once

#include <QString>

namespace tavlo {

class DocumentState;
class ImagingControl;
struct MainWindowOperations;
struct MainWindowState;

// Opening image files into the view and closing the image. The files are read by the view's own
// file object (ikImg.FileObject()).
class ImageFileController {
public:
    ImageFileController(ImagingControl& ikImg, MainWindowState& state, DocumentState& doc,
                        MainWindowOperations& ops);

    // The open dialog's title and its one filter (matched without regard to letter case).
    static QString openTitle();
    static QString openFilter();

    // Asks for a file and loads it, after "変更を保存しますか?" when the image shown is unsaved
    // (ｷｬﾝｾﾙ there opens nothing); the dialog starts in the current file's folder, else where it
    // last opened a file, else in the work folder. Cancel loads nothing; a file that cannot be read
    // leaves the view, the current file and the document state as they were (the file object has
    // told the user why).
    void OpenImageFile();

    // Opens the file at path as the open dialog opens the file chosen there (a file named on the
    // command line): a file that cannot be read, a missing one included, is named in a message
    // and changes nothing. True when it was loaded and drawn.
    bool OpenNamedFile(const QString& path);

    // Loads the file at path into the view; true when it was loaded and drawn. The caller has
    // asked about unsaved changes. The loaded file
    // becomes the current file, document state 1. A missing file, or one that cannot be read,
    // changes nothing but the cleared selection: the view keeps showing the image it had, so it
    // must not be taken for the file that failed (a later overwrite would put that image into
    // the other file).
    bool LoadImageFile(const QString& path);

    // Empties the view: no current file, no selection, document state 0.
    void CloseImage();

private:
    bool loadNamed(const QString& path);
    bool drawLoaded(const QString& path);

    ImagingControl& m_ikImg;
    MainWindowState& m_state;
    DocumentState& m_doc;
    MainWindowOperations& m_ops;
    QString m_lastFolder;  // where the open dialog last opened a file, "" before any
};

}  // namespace tavlo
