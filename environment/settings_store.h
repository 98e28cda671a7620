#pragma once

#include "environment/setting_value.h"
#include "environment/settings_file_text.h"

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace tavlo {

// The settings store: the settings file "User.xml" held in memory, plus the environment services
// of the program (user data folder, special folders, folder creation, the shell helpers).
// One shared instance, yIni(), created on first use and released by EndProgram.
//
// The settings file looks like XML but is read by a plain tag scanner, not by an XML parser: a
// value is whatever stands between the first "<name>" and the first "</name>" of its scope. The
// file is code page 932 with CR LF line breaks and no final line break:
//
//   <?xml version='1.0' encoding='Shift-JIS' ?>
//   <運用>
//      <ﾌｫｰﾑ>
//         <Left>900</Left>
//      </ﾌｫｰﾑ>
//   </運用>
//
// Sections stand in the order they were first committed, items in the order they were first set;
// nothing is ever removed, no character is escaped and names are compared exactly.
//
// To read: GetTxt once, then per section GetGtx and any number of vGtVal. To write: per section
// GetGtx, any number of SetVal, SetGtx; then SetTxt. SetVal changes only the section copy until
// SetGtx puts it back; nothing reaches the disk before SetTxt.
//
// Single thread: the user-interface thread.
class SettingsStore {
public:
    // --- Environment -----------------------------------------------------------------------

    // Keeps nWhnd as owner window, registers the program's executable in the tool path store,
    // decides the user data folder from "UserData.ini" beside the executable (a folder or a macro
    // "%app%", "%usr%", "%applicaion data%", "%doc", "%my document%"), creates it when missing and
    // sets the application data folder (program folder + "apData/"); both land in
    // processValues(). Every failure is shown and start-up goes on with the default folder
    // ~/.local/share/Hollin/<program name>/.
    void W_UserData(QWidget* nWhnd);

    // --- Shell helpers (names in shell_helpers.h) ----------------------------------------
    // Each hands work to the desktop through desktopServices() and never waits for it. W_Help,
    // W_HtmView and W_SendTo first write a desktop entry (the shortcut of this desktop, see
    // shell_helpers.h for the names) and swallow every failure silently: nothing is opened or
    // shown after a step that failed.

    // Opens help page sJob of the help that ships beside the executable (help/): lower-cased,
    // ".htm" appended when it has no ".". W_Help("tavlo.htm") opens help/tavlo.htm.
    void W_Help(const QString& sJob);

    // Opens sUrl (a URL or a path) through the entry "Wrk/htm_view.desktop" of the user data
    // folder; "Wrk" is not made here, so without it nothing opens.
    void W_HtmView(const QString& sUrl);

    // Puts a launcher of the program into the Send To folder (FsGtSpFld(9)), so file managers
    // offer to open files with it, and says so in a message.
    void W_SendTo();

    // Opens the folder sFld in the file manager. With bOpn false (explore) only an existing
    // folder is opened; with bOpn true the desktop is asked whatever sFld is. "" does nothing.
    void W_ExpFd(const QString& sFld, bool bOpn);

    // The folder of a special folder id without a trailing "/", "" for an unknown id:
    // 26 = application data (~/.local/share), 5 = documents, 9 = Send To
    // (~/.local/share/applications, where a desktop entry offers "Open with").
    QString FsGtSpFld(int nFlg) const;

    // For each name of Ary, creates the folder sPh + name when it is missing (one level; sPh ends
    // in "/"). False when a folder could not be created; the remaining names are still tried.
    bool F_ChkSb(const QString& sPh, const QStringList& Ary);

    // Creates every missing level of sFd, top down. A level that cannot be created is passed over;
    // true when sFd exists afterwards.
    bool F_CreateFld(const QString& sFd);

    // The owner window given to W_UserData: parent of shell requests.
    QWidget* ownerWindow() const { return m_ownerWindow; }

    // --- Settings file ---------------------------------------------------------------------

    // Loads the settings file sFL whole. A name ending in "_dv.xml" (any case) means the file of
    // the same name ending in ".xml". A missing file is created empty; an empty file, or one whose
    // first line is empty, loads as the skeleton of a new file (kept in memory only). bOk is false
    // when the file could not be read or created.
    // A file that is there but cannot be used is told in a message and never silently replaced:
    // one that cannot be read, or is larger than kMaxFileBytes, loads as the skeleton; one with
    // bytes that are not text loads what can be read. The next SetTxt first keeps the file as
    // "<name>.bak" (the first free of ".bak", ".bak2", ...; the message names it). Anything other
    // than a regular file at sFL (a pipe, a device) is left alone and loads as the skeleton.
    void GetTxt(const QString& sFL, bool& bOk);

    // The largest settings file read: the program's own files stay below 100 KB.
    static constexpr qint64 kMaxFileBytes = qint64(4) << 20;

    // Makes sGp the current section and copies its body into the section text. A missing section
    // reads as empty, so every read in it gives its default.
    void GetGtx(const QString& sGp);

    // The value of item sKy of the current section, read in the kind of vDef:
    //   text       the stored text
    //   boolean    "True"/"False" (any case) or a number (non-zero is true); vDef for other text
    //   date-time  the stored date, vDef when it is not a date
    //   otherwise  (numbers, empty) the leading decimal number of the text as a double ("12abc"
    //              reads 12, "abc" 0), whatever kind vDef has
    // vDef when the item is missing or empty. A damaged tag pair (only one of <sKy> and </sKy>, or
    // the closing one first) shows the damage message and gives vDef.
    SettingValue vGtVal(const QString& sKy, const SettingValue& vDef);

    // Writes the text to the settings file whole, in code page 932 (or the encoding the file was
    // read in), through a temporary file that replaces the old one only when complete. bOk false
    // when that failed (the old file is then whole, and lastError() says why); bOk untouched when
    // no file was loaded.
    void SetTxt(bool& bOk);

    // Why the last SetTxt failed, in Japanese.
    const QString& lastError() const { return m_lastError; }

    // Where the next SetTxt keeps the file that could not be read; "" when nothing is kept.
    const QString& backupPath() const { return m_backupPath; }

    // Puts the section text back into the text under the current section name; a section not in
    // the text yet goes just before "</運用>" (or, when the text has none, at the end followed by
    // a new "</運用>").
    void SetGtx();

    // Sets item sKy of the section text to the text form of vVL: in place when the item exists,
    // appended as the last item otherwise. In a new item every "‡" becomes a line break.
    void SetVal(const QString& sKy, const SettingValue& vVL);

    // --- Inspection ------------------------------------------------------------------------

    // The settings file after the "_dv.xml" mapping; "" until GetTxt ran.
    const QString& filePath() const { return m_filePath; }
    // The whole text in memory.
    const QString& text() const { return m_text; }
    // The working copy of the current section's body.
    const QString& sectionText() const { return m_sectionText; }

    // Makes the file's bytes the text, as GetTxt does after reading them: code page 932 (or
    // UTF-8 / UTF-16, see SettingsFileText), and an empty file or one whose first line is empty
    // gives the skeleton of a new file. True when some bytes were no text (the file is damaged).
    bool loadFileBytes(const QByteArray& bytes);

    // The text as the file's bytes (code page 932, a character it cannot hold becoming "?"; or
    // the encoding the file was read in).
    QByteArray fileBytes() const;

private:
    enum TagScope : short { WholeText = 0, SectionText = 1 };
    enum TagKind : short { NewFile = 0, Section = 1, Item = 2 };

    // The text between the first <name> and the first </name> of the scope; for a section without
    // the line break after its opening tag and the indentation before its closing tag.
    QString GetTag(TagScope mode, const QString& name);

    // The formatted text of a new file, a section or an item, every "‡" made a CR LF.
    static QString MakTag(TagKind kind, const QString& name, const SettingValue& body);

    void showDamage(const QString& name) const;

    // Tells that the file could not be used (reason), and arranges for it to be kept at the next
    // save unless keep is false.
    void setAside(const QString& reason, bool keep);

    QPointer<QWidget> m_ownerWindow;
    QString m_filePath;
    QString m_text;
    QString m_sectionText;
    QString m_sectionName;
    SettingsFileText::Encoding m_encoding = SettingsFileText::Encoding::Cp932;
    QString m_backupPath;
    QString m_lastError;
};

// The shared settings store, created on first use.
SettingsStore& yIni();

// Releases the shared settings store (EndProgram); the next yIni() creates a new one.
void releaseSettingsStore();

// True while the shared settings store exists.
bool settingsStoreExists();

}  // namespace tavlo
