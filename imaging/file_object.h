#pragma once

#include "imaging/current_image.h"

#include <QString>
#include <QtGlobal>

#include <functional>

namespace tavlo {

// The imaging control's file object: loads image files into the control's current image and
// saves images from the store, in the formats of imaging/codecs/image_format.h (which also lists
// which colour-depth codes each format holds and what is written for the others).
//
// Every operation reports success as a bool. When one fails it also tells the user, through
// userPrompt().message, which file could not be read or written and why, in Japanese; the file
// that was there before a failed save is still whole. User-interface thread only.
class FileObject {
public:
    explicit FileObject(CurrentImage& current);

    // The file LoadFile reads and SaveFile writes; ShowSaveDialog sets it to the chosen path.
    QString FileName() const { return m_fileName; }
    void setFileName(const QString& path) { m_fileName = path; }

    // Compression quality of JPEG saves, 1..100 (values outside are clamped when saving); 80 at
    // first.
    int JpegQuality() const { return m_jpegQuality; }
    void setJpegQuality(int quality) { m_jpegQuality = quality; }

    // The formats the save dialog offers, as extensions joined by ";" in the order shown, for
    // example "BMP;JPG;TIF;PCX;FPX;PNG;GIF" (the default). Each becomes one dialog filter.
    QString SaveFilter() const { return m_saveFilter; }
    void setSaveFilter(const QString& filter) { m_saveFilter = filter; }

    // Reads FileName (its format found from its content) and makes the image the control's current
    // image, under a new handle, releasing the one held before. On failure the current image is
    // left as it was.
    bool LoadFile();

    // Called after LoadFile has replaced the current image (the control drops the marks drawn on
    // the image that was there).
    std::function<void()> Loaded;

    // Writes the image of the handle to FileName in the format of the save format code
    // (codecs::SaveCode, imaging/codecs/image_format.h): 0 BMP, 2 JPEG (at JpegQuality), 4 GIF,
    // 5 TIFF, 12 PNG, 13 FlashPix (JPEG tiles at JpegQuality), 16 PCX, 20 JPEG 2000. Any other
    // number is refused with a message. The image is not changed, even when the
    // format cannot hold its code. The file is replaced only by a complete file.
    bool SaveFile(int formatCode, quint32 handle);

    // True for the format codes SaveFile writes (false for unknown numbers).
    static bool CanSave(int formatCode);

    // The reason given when the image to save is gone.
    static QString noImageReason();

    // The folder the save dialog starts in when FileName names no folder ("" = the dialog's own
    // choice).
    QString InitDir() const { return m_initDir; }
    void setInitDir(const QString& folder) { m_initDir = folder; }

    // Shows the save dialog, starting at FileName (in its folder when it has one, else in
    // InitDir), with one filter per entry of SaveFilter; the entry of FileName's extension is
    // shown first, else the first entry. On OK FileName becomes the chosen path, exactly as
    // chosen, SavedType the extension of the file type chosen in the dialog ("PNG"), and the
    // result is true; on Cancel nothing changes and the result is false (no message).
    bool ShowSaveDialog();

    // The entry of SaveFilter chosen in the last save dialog, in upper case; "" before any.
    QString SavedType() const { return m_savedType; }

private:
    void tellFailure(const QString& what, const QString& reason) const;

    CurrentImage& m_current;
    QString m_fileName;
    int m_jpegQuality = 80;
    QString m_saveFilter = QStringLiteral("BMP;JPG;TIF;PCX;FPX;PNG;GIF");
    QString m_initDir;
    QString m_savedType;
};

}  // namespace tavlo
