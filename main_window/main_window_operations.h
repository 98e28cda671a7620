#pragma once

#include <QString>

#include <functional>

namespace tavlo {

// The named operations that the menus, the tool strip and the pop-ups lead to. The CommandRouter
// calls them; fmMain fills each slot with the controller that carries the operation out. A slot
// that is still empty does nothing when its command is chosen, so a command whose operation has
// not been built yet is in the menus with its enable rule but is inert.
//
// To add an operation: write its controller, then assign the slot in fmMain::wireOperations()
// (one line), e.g. `m_ops.SaveImage = [this](bool saveAs) { m_saving->SaveImage(saveAs); };`.
struct MainWindowOperations {
    // File menu
    std::function<void()> OpenImageFile;  // 開く(&O)
    std::function<void(bool saveAs)> SaveImage;  // 上書き保存(&S) false, 名前を付けて保存 true
    std::function<void(int mode)> PrintImage;  // 印刷設定 0, 印刷(&P) 1
    std::function<void()> SaveToWorkFolder;    // 作業ﾌｫﾙﾀﾞに保存
    std::function<void()> ExploreWorkFolder;  // 作業ﾌｫﾙﾀﾞをｴｸｽﾌﾟﾛｰﾗｰで開く
    std::function<void()> OpenWorkFolderInEditor;  // 作業ﾌｫﾙﾀﾞを Pelmoで開く
    std::function<void()> EmptyWorkFolder;         // 作業ﾌｫﾙﾀﾞを空にする
    std::function<void()> ShowImageDetails;        // ﾌｧｲﾙの詳細
    std::function<void()> SaveStateAndQuit;        // 終了(&X)

    // Scan menu
    std::function<void()> StartScan;          // 実行
    std::function<void()> SelectScanSource;   // ｿｰｽの選択
    std::function<void()> BeginScanPrinting;  // a run starts: ｽｷｬﾝ後印刷 asks afresh
    std::function<void(int mode)> PrintScannedPage;  // ｽｷｬﾝ後印刷: iPrnMd 1, 2

    // Edit menu
    std::function<void()> CopyImageToClipboard;  // ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ (・最小化)
    std::function<void()> MinimiseWindow;  // after ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ・最小化
    std::function<void()> PasteFromClipboard;  // ｸﾘｯﾌﾟﾎﾞｰﾄﾞから貼付
    std::function<void()> TrimToSelection;     // ﾄﾘﾐﾝｸﾞ
    std::function<void(bool show)> ShowMarkerToolBar;  // ﾂｰﾙﾊﾞｰを表示, and the control's close
    std::function<void()> HideImagingToolBar;                // the control hides its own tool bar
    std::function<void()> SetImageResolution;                // 解像度
    std::function<void(int mode)> ShrinkToSelection;         // ﾘｻｲｽﾞ: modes 0, 1, 2
    std::function<void(const QString& caption)> RotateFlip;  // 回転 by caption
    std::function<bool()> RotateByBaseLine;                  // 詳細指定: the dialog's bOkC
    std::function<void(int direction)> JoinAcrossSelection;  // 綴じ込み 0, 1
    std::function<void(int code, bool quiet)> ConvertColourDepth;  // 色数
    std::function<void()> RefreshView;                             // the view redraws after 色数
    std::function<void()> RegisterRange;                           // 範囲の登録
    std::function<void(bool redraw)> ClearSelection;  // 範囲のｸﾘｱ (false), before loads (true)
    std::function<void(int kind)> EmphasiseSelection;    // 強調(相対) 0, 強調(ﾏｰｶｰ) 1
    std::function<void(int index)> ApplyRegisteredSize;  // a registered size of 範囲
    std::function<void(int index)> ZoomToItem;           // ｽﾞｰﾑ

    // View menu
    std::function<void(bool on)> SetScaleDisplay;  // ｽｹｰﾙ表示
    std::function<void()> RefreshWorkFolder;       // 作業ﾌｫﾙﾀﾞを再表示

    // Help menu
    std::function<void(const QString& page)> ShowHelp;

    // Load sequence
    std::function<void()> InitScanner;  // the scanner interface, at load

    // Shared by several operations
    std::function<void(bool on)> SetBusy;  // the busy pointer
    // Before the image is replaced or dropped: "変更を保存しますか?" when its pixels are in no
    // file; false when the command must not go on (UnsavedChangesQuestion).
    std::function<bool(bool saveElsewhere)> AskToSaveChanges;
    std::function<void(int code)> UpdateColourChecks;  // the 色数 ticks; 0 = from the image
    std::function<void()> ClearMarkerShape;  // before save and copy: commit the marks shown, clear
    std::function<void(const QString& list)> BuildRangeMenu;  // registered sizes into 範囲
};

// Whether a command that replaces the image may go on; yes when nobody asks.
inline bool mayReplaceImage(const MainWindowOperations& ops, bool saveElsewhere = false)
{
    return !ops.AskToSaveChanges || ops.AskToSaveChanges(saveElsewhere);
}

// Calls a slot when it is filled; an empty slot does nothing.
template <typename Slot, typename... Args> void callIfSet(const Slot& slot, Args&&... args)
{
    if (slot)
        slot(std::forward<Args>(args)...);
}

}  // namespace tavlo
