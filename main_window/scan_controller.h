#pragma once

#include "main_window/work_file_sequence.h"
#include "main_window/unwritten_pages.h"
#include "main_window/work_file_writer.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class QWidget;

namespace tavlo {

class DocumentState;
class FileListBox;
class ImagingControl;
class ToolStrip;
struct MainWindowOperations;
struct MainWindowState;

// Scanning and the sequentially numbered work files: "実行" (StartScan), "ｿｰｽの選択"
// (SelectScanSource), "作業ﾌｫﾙﾀﾞに保存" (SaveToWorkFolder) and the handler of the scanner's
// ImageAcquired event, which writes every page into the work folder the moment it arrives.
//
// The scanner object belongs to the view ikImg (ImagingControl::ScannerObject). Names come from
// WorkFileSequence, fed by the prefix field txPfx and the format box cbKak; after each write the
// field shows the next number (AdvanceSequence).
//
// What a page goes through (ikImg_ImageAcquired), in this order:
//   1. the view's image becomes a copy of the page (the scanner releases its own handle after the
//      handler);
//   2. the name is fixed before anything else changes the page; when no name can be given (the
//      counter would pass 32767, a prefix with "/") the page is not written: the user is told
//      why, the run stops and the page stays in the view, marked changed;
//   3. the after-scan reduction iGenClr (none for 0 and for values above 8, which only an edited
//      "User.xml" gives), then pending events run;
//   4. the after-scan printing (iPrnMd > 0) through PrintScannedPage, which queues the page for
//      the printer's own thread and returns;
//   5. the page is written as BMP or TIFF on a writing thread, the window serving its events
//      meanwhile (WorkFileWriter): into a temporary file, synced, renamed only when complete;
//   6. written: txPfx shows the next free number, the page is drawn, it is the current file and
//      unchanged (document state 1); not written (disk full, no permission): the run stops, the
//      user is told the file and the reason, the counter stays, and the page is drawn, without a
//      file, marked changed (document state 2) so it can be saved elsewhere;
//   7. in every case the work-folder list File1 is read again.
// The next page is never raised while a handler runs (the scanner waits for it).
//
// While pages arrive faster than anyone can look at them (the virtual scanner delivers dozens a
// second), the view paints at most every kPaintIntervalMs: painting a shrunk 26 MB page costs more
// processor time than writing it. The view's image is always the newest page and the view is
// drawn for every page; only the paint waits, at most that long, and a page that could not be
// written is painted at once.
//
// User-interface thread only.
class ScanController : public QObject {
    Q_OBJECT
public:
    ScanController(QWidget& window, ImagingControl& ikImg, FileListBox& File1, ToolStrip& strip,
                   MainWindowState& state, DocumentState& doc, MainWindowOperations& ops,
                   QObject* parent = nullptr);

    // The load sequence's last step: the scanner interface for this window. No scanner is not an
    // error here.
    void InitScanner();

    // "実行": clears the selection and runs the scanner (its settings dialog, then the pages);
    // returns when the run has ended. The busy pointer shows meanwhile. First an unsaved image
    // is asked about ("変更を保存しますか?") and a typed number that names an existing file
    // (settleTypedNumber); ｷｬﾝｾﾙ in either starts nothing.
    void StartScan();

    // "ｿｰｽの選択": the scanner's device choice.
    void SelectScanSource();

    // "作業ﾌｫﾙﾀﾞに保存": writes the current image under the next work-file name; written, the
    // counter advances, the image's file is that name and it is unchanged. A failure is told by
    // the file object (file and reason) and changes neither the counter nor the document state.
    // A typed number that names an existing file is asked about first (settleTypedNumber).
    void SaveToWorkFolder();

    // The scanner's event: one scanned page (see the class comment).
    void ikImg_ImageAcquired(quint32 handle);

    // The path of the next work file from txPfx, cbKak and the work folder ("" when none can be
    // given; sequence().error() says why); bSvBmp follows cbKak.
    QString NextWorkFileName();

    // After a write: txPfx shows the prefix with the next free number.
    void AdvanceSequence();

    WorkFileSequence& sequence() { return m_seq; }

    // True while a page or the current image is being written into the work folder.
    bool isWritingWorkFile() const { return m_writing; }

    // True while the view's paints wait for the next paint time.
    bool isPaintHeld() const { return m_paintHeld; }

    static constexpr int kPaintIntervalMs = 250;

private:
    // A number typed into txPfx that names an existing work file (the way to scan page 7 again is
    // to type "abc-7") is written over only after "abc-007.bmp は既にあります。上書きしますか?":
    // 上書き keeps name, 次の空き番号 moves it and txPfx to the first free number from it,
    // ｷｬﾝｾﾙ (false) writes nothing. Asked once per run: later pages take free numbers.
    bool settleTypedNumber(QString& name);
    int saveFormatCode() const;
    void stopRun(const QString& text);
    void refreshList();
    void pacePaints();
    void releasePaints();

    QWidget& m_window;
    ImagingControl& m_ikImg;
    FileListBox& m_File1;
    ToolStrip& m_strip;
    MainWindowState& m_state;
    DocumentState& m_doc;
    MainWindowOperations& m_ops;
    WorkFileSequence m_seq;
    WorkFileWriter m_writer;
    UnwrittenPages m_unwritten;
    bool m_writing = false;
    bool m_paintHeld = false;
    QElapsedTimer m_lastPaint;  // since the view last painted a page freely
    QTimer m_paintTimer;        // ends a hold
};

}  // namespace tavlo
