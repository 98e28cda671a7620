#pragma once

#include "environment/tool_path_store.h"

#include <QString>

namespace tavlo {

// Finds the executable of a companion tool of the same maker by its index in the tool table:
// first in the shared tool path store, then in the folders near the program's own folder, last
// by asking the user. A path found by searching or asking is written back to the store, so the
// next lookup (by this program or by another tool of the family) is immediate. Starting the tool
// is the caller's business.
//
//   index  program name  caption
//   0      Pelmo         画像
//   1      Pelmora       画像L
//   2      Zindle        ｸﾞﾗﾌ
//   3      Corvat        ﾁｬｰﾄ
//   4      Relvin        FTP
//   5      Muskeg        宛名
//   6      Tolbrin       文書ﾃﾞｰﾀｰﾍﾞｰｽ
//
// The executables carry the program names themselves (no ".exe"). zKtl keeps nothing between
// calls; make one for a lookup and drop it. User-interface thread only (it may show a dialog).
class zKtl {
public:
    // The shared store and the running program's folder.
    zKtl();
    // A given store and program folder (tests).
    zKtl(ToolPathStore store, const QString& programFolder);

    // On success sExe becomes the full path of tool iNdx's executable; otherwise (cancelled,
    // rejected, an index outside the table) sExe is left as it came in. The incoming sExe is the
    // dialog's initial file name and the ending a chosen file must have ("" accepts any file).
    void GetAppNm(int iNdx, QString& sExe);

    // The folder search. sPhP becomes the parent folder of the program's folder; sAp the path
    // sExe inside the first folder named sNm (without regard to case) found among the parent's
    // sub folders (siblings), else among the grandparent's sub folders and their sub folders
    // (cousins), skipping the parent itself; "" when none. Whether sAp exists is not tested here.
    // Folders that cannot be listed are passed over. The root is never searched as a
    // grandparent: its sub folders are the whole system, not the program's neighbourhood.
    void GetExePh(QString& sPhP, const QString& sNm, const QString& sExe, QString& sAp) const;

    // The program name and caption of a table row; false for an index outside 0 to 6.
    static bool GetToolNm(int index, QString& name, QString& caption);

    // The dialog's title for a tool: its caption, " 実行ﾌｧｲﾙの指定".
    static QString dialogTitle(const QString& caption);
    // The dialog's filter: every file.
    static QString executableFilter();

private:
    ToolPathStore m_store;
    QString m_programFolder;  // ends in "/"
};

}  // namespace tavlo
