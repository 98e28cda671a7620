#pragma once

#include "imaging/print/print_job.h"
#include "imaging/view/drawing_object.h"

#include <QSet>
#include <QString>

#include <memory>
#include <optional>

class QPrinter;
class QWidget;

namespace tavlo {

class PrintSpooler;

// The control's printer object: the drawing calls of DrawingObject plus printing.
//
// Printing, in call order:
//   setSettingsFile(path)     the print settings file ("IkPrn.Ik", see PrintSettings)
//   LoadPrinterSettings(1)    restores the printer and its settings from that file. False when
//                             there is no file, it is damaged, or its print queue (or the folder
//                             of its PDF file) no longer exists: then nothing usable is chosen.
//                             Any argument but 1 returns false.
//   SetupOption, SetupFlags, SetupOption2
//                             the printer dialog's options. SetupFlags keeps only two meanings:
//                             0x4 hides the "selection" choice and 0x8 the page range, which a
//                             one-page print never needs; the other bits and both setup options
//                             are accepted and have no effect.
//   ShowPrinterDialog(parent) the printer dialog (through PrinterAccess); true on OK.
//   setDocName, BeginDoc, BeginPage, PrinterDC
//                             PrinterDC is 1 while a page is open, else 0.
//   GetPrintableArea(dc, 1, left, top, right, bottom)
//                             the printable area of the chosen paper in 0.1 mm from the paper's
//                             top-left corner. Unit 1 only; false for other units or no page.
//   DrawOnPrinter(dc, handle, x, y, w, h, -1, -1, 1)
//                             places the whole image of handle at (x, y) with size w x h, in
//                             0.1 mm from the top-left of the printable area. The image's pixels
//                             are kept as they are (see renderPrintJob). False without a page or
//                             image, for a partial source or another unit.
//   EndPage, EndDoc           EndDoc hands the job to the spooler and returns at once; the
//                             outcome follows as the spooler's JobFinished.
//   SavePrinterSettings()     writes the current choice into the settings file, atomically.
//
// A job printed to a PDF file chosen in the dialog writes that file (the dialog asked before
// replacing it). A later job that prints with the saved choice never replaces a file: it writes
// the first free name "name (2).pdf", "name (3).pdf", ... beside it, so a scanner run that prints
// every page keeps every page.
//
// LastError() says in Japanese why the last call that returned false failed, where a person needs
// to know. User-interface thread only; the rendering and sending run on the spooler's thread.
class PrinterObject : public DrawingObject {
public:
    PrinterObject();
    ~PrinterObject();
    PrinterObject(const PrinterObject&) = delete;
    PrinterObject& operator=(const PrinterObject&) = delete;

    QString SettingsFile() const { return m_settingsFile; }
    void setSettingsFile(const QString& path) { m_settingsFile = path; }
    bool LoadPrinterSettings(int source);
    bool SavePrinterSettings();

    int SetupOption() const { return m_setupOption; }
    void setSetupOption(int option) { m_setupOption = option; }
    int SetupFlags() const { return m_setupFlags; }
    void setSetupFlags(int flags) { m_setupFlags = flags; }
    int SetupOption2() const { return m_setupOption2; }
    void setSetupOption2(int option) { m_setupOption2 = option; }
    bool ShowPrinterDialog(QWidget* parent);

    QString DocName() const { return m_docName; }
    void setDocName(const QString& name) { m_docName = name; }
    bool BeginDoc();
    bool BeginPage();
    int PrinterDC() const { return m_pageOpen ? 1 : 0; }
    bool GetPrintableArea(int dc, int unit, int& left, int& top, int& right, int& bottom) const;
    bool DrawOnPrinter(int dc, quint32 handle, int x, int y, int w, int h, int sourceWidth,
                       int sourceHeight, int unit);
    bool EndPage();
    bool EndDoc();

    QString LastError() const { return m_lastError; }

    // The jobs' thread, made on first use (a control that never prints starts no thread).
    PrintSpooler& spooler();

    // The printer the dialog and the settings work on (made on first use).
    QPrinter& printer();

private:
    QString freePdfName(const QString& chosen) const;
    bool fail(const QString& reason);

    QString m_settingsFile;
    int m_setupOption = 0;
    int m_setupFlags = 0;
    int m_setupOption2 = 0;
    QString m_docName;
    QString m_lastError;
    std::unique_ptr<QPrinter> m_printer;
    bool m_chosenInDialog = false;  // the PDF file was confirmed in the dialog for the next job
    std::optional<PrintJob> m_job;
    bool m_pageOpen = false;
    QSet<QString> m_pdfNamesInUse;  // PDF files of jobs not finished yet
    std::unique_ptr<PrintSpooler> m_spooler;
};

}  // namespace tavlo
