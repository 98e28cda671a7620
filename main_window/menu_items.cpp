#include "main_window/menu_items.h"

#include <QString>

namespace tavlo {
namespace {

using F = MenuItemText;

const MenuItemText kJb[] = {
    {JbItem::File, "ﾌｧｲﾙ(&F)", "", F::Submenu},     {JbItem::Scan, "ｽｷｬﾝ", "", F::Submenu},
    {JbItem::Edit, "画像編集(&E)", "", F::Submenu}, {JbItem::View, "表示(&D)", "", F::Submenu},
    {JbItem::Settings, "設定(&U)", "", F::Submenu}, {JbItem::Help, "ﾍﾙﾌﾟ(&H)", "F1", F::Plain},
};

const MenuItemText kFile[] = {
    {FileItem::Open, "開く(&O)", "Ctrl+O", F::Plain},
    {FileItem::Overwrite, "上書き保存(&S)", "F8", F::Disabled},
    {FileItem::SaveAs, "名前を付けて保存", "", F::Disabled},
    {3, "-", "", F::Plain},
    {FileItem::PrintSetup, "印刷設定", "", F::Plain},
    {FileItem::Print, "印刷(&P)", "Ctrl+P", F::Disabled},
    {6, "-", "", F::Plain},
    {FileItem::SaveToWorkFolder, "作業ﾌｫﾙﾀﾞに保存", "Ctrl+W", F::Disabled},
    {FileItem::ExploreWorkFolder, "作業ﾌｫﾙﾀﾞをｴｸｽﾌﾟﾛｰﾗｰで開く", "Ctrl+E", F::Plain},
    {FileItem::OpenInEditor, "作業ﾌｫﾙﾀﾞを Pelmoで開く", "Ctrl+A", F::Plain},
    {10, "-", "", F::Plain},
    {FileItem::EmptyWorkFolder, "作業ﾌｫﾙﾀﾞを空にする", "", F::Plain},
    {12, "-", "", F::Plain},
    {FileItem::Details, "ﾌｧｲﾙの詳細", "", F::Plain},
    {14, "-", "", F::Plain},
    {FileItem::Quit, "終了(&X)", "", F::Plain},
};

const MenuItemText kScan[] = {
    {ScanItem::Run, "実行", "", F::Plain},
    {2, "-", "", F::Plain},
    {ScanItem::SelectSource, "ｿｰｽの選択", "", F::Plain},
};

const MenuItemText kClp[] = {
    {ClpItem::Copy, "ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ", "Ctrl+C", F::Disabled},
    {ClpItem::CopyAndMinimise, "ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ・最小化", "", F::Disabled},
    {2, "-", "", F::Plain},
    {ClpItem::Paste, "ｸﾘｯﾌﾟﾎﾞｰﾄﾞから貼付", "Ctrl+V", F::Plain},
    {4, "-", "", F::Plain},
};

const MenuItemText kEdt[] = {
    {EdtItem::Range, "範囲", "", F::Submenu | F::Disabled},
    {EdtItem::Trim, "ﾄﾘﾐﾝｸﾞ", "Ctrl+T", F::Disabled},
    {EdtItem::Resize, "ﾘｻｲｽﾞ", "", F::Submenu | F::Disabled},
    {EdtItem::Join, "綴じ込み", "", F::Submenu | F::Disabled},
    {EdtItem::Rotate, "回転", "", F::Submenu | F::Disabled},
    {6, "-", "", F::Plain},
    {EdtItem::Colours, "色数", "", F::Submenu | F::Disabled},
    {EdtItem::ToolBar, "ﾂｰﾙﾊﾞｰを表示", "", F::Disabled | F::Checkable},
    {9, "-", "", F::Plain},
    {EdtItem::Zoom, "ｽﾞｰﾑ", "", F::Submenu},
    {11, "-", "", F::Plain},
    {EdtItem::Resolution, "解像度", "", F::Disabled},
};

// Item 0 is the placeholder of the registered sizes; MenuTree adds the others as sizes come.
const MenuItemText kUsHn[] = {
    {0, "?", "", F::Hidden},
};

const MenuItemText kRng[] = {
    {0, "-", "", F::Plain},
    {RngItem::Register, "範囲の登録", "", F::Plain},
    {RngItem::Clear, "範囲のｸﾘｱ", "", F::Plain},
    {3, "-", "", F::Plain},
    {RngItem::EmphasiseRelative, "強調(相対)", "", F::Plain},
    {RngItem::EmphasiseMarker, "強調(ﾏｰｶｰ)", "", F::Plain},
};

const MenuItemText kResize[] = {
    {ResizeItem::KeepWidth, "横方向を基準に縮小", "", F::Plain},
    {ResizeItem::KeepHeight, "縦方向を基準に縮小", "", F::Plain},
    {2, "-", "", F::Plain},
    {ResizeItem::Free, "縦横比率を変えて縮小", "", F::Plain},
};

const MenuItemText kCut[] = {
    {CutItem::Vertical, "縦方向", "", F::Plain},
    {CutItem::Horizontal, "横方向", "", F::Plain},
};

// RotateFlip chooses the operation by these captions.
const MenuItemText kRotate[] = {
    {RotateItem::MirrorLeftRight, "左右反転", "", F::Plain},
    {RotateItem::MirrorUpDown, "上下反転", "", F::Plain},
    {2, "-", "", F::Plain},
    {RotateItem::Right90, "右90度", "Ctrl+R", F::Plain},
    {RotateItem::Right180, "右180度", "", F::Plain},
    {RotateItem::Left90, "左90度", "Ctrl+L", F::Plain},
    {RotateItem::Left180, "左180度", "", F::Plain},
    {7, "-", "", F::Plain},
    {RotateItem::BaseLine, "詳細指定", "", F::Plain},
};

// The colour-depth codes of items 1-7 are CommandRouter::colourCodeOfItem's.
const MenuItemText kColr[] = {
    {1, "16色(4bit)", "", F::Checkable},  {2, "ｸﾞﾚｰ(4bit)", "", F::Checkable},
    {3, "256色(8bit)", "", F::Checkable}, {4, "ｸﾞﾚｰ(8bit)", "", F::Checkable},
    {5, "16bit", "", F::Checkable},       {6, "24bit", "", F::Checkable},
    {7, "32bit", "", F::Checkable},
};

// The factors of items 0-11 are the zoom controller's.
const MenuItemText kZoom[] = {
    {0, " 50%", "", F::Plain}, {1, " 60%", "", F::Plain},  {2, " 70%", "", F::Plain},
    {3, " 80%", "", F::Plain}, {4, " 90%", "", F::Plain},  {5, "100%", "", F::Plain},
    {6, "150%", "", F::Plain}, {7, "200%", "", F::Plain},  {8, "300%", "", F::Plain},
    {9, "500%", "", F::Plain}, {10, "750%", "", F::Plain}, {11, "1000%", "", F::Plain},
};

const MenuItemText kDisp[] = {
    {DispItem::ScaleDisplay, "ｽｹｰﾙ表示", "", F::Checked},
    {2, "-", "", F::Plain},
    {DispItem::RefreshWorkFolder, "作業ﾌｫﾙﾀﾞを再表示", "", F::Plain},
};

const MenuItemText kUsr[] = {
    {UsrItem::ReduceAfterScan, "ｽｷｬﾝ後減色(&C)", "", F::Submenu},
    {UsrItem::PrintAfterScan, "ｽｷｬﾝ後印刷", "", F::Submenu},
};

// Indexed as iGenClr.
const MenuItemText kGen[] = {
    {0, "何もしない", "", F::Checked},   {1, "16色(4bit)", "", F::Checkable},
    {2, "ｸﾞﾚｰ(4bit)", "", F::Checkable}, {3, "256色(8bit)", "", F::Checkable},
    {4, "ｸﾞﾚｰ(8bit)", "", F::Checkable}, {5, "16bit", "", F::Checkable},
};

// Indexed as iPrnMd.
const MenuItemText kPrn[] = {
    {0, "印刷しない", "", F::Checked},
    {1, "画像ｻｲｽﾞで印刷", "", F::Checkable},
    {2, "用紙ｻｲｽﾞで印刷", "", F::Checkable},
};

const MenuGroupTexts kGroups[] = {
    {"mnJb", kJb},     {"mnFile", kFile},     {"mnScan", kScan}, {"mnClp", kClp},
    {"mnEdt", kEdt},   {"mnUsHn", kUsHn},     {"mnRng", kRng},   {"mnResize", kResize},
    {"mnCut", kCut},   {"mnRotate", kRotate}, {"mnColr", kColr}, {"mnZoom", kZoom},
    {"mnDisp", kDisp}, {"mnUsr", kUsr},       {"mnGen", kGen},   {"mnPrn", kPrn},
};

}  // namespace

std::span<const MenuGroupTexts> menuTexts()
{
    return kGroups;
}

std::span<const MenuItemText> menuItemTexts(QStringView group)
{
    for (const MenuGroupTexts& g : kGroups) {
        if (group == QLatin1String(g.name))
            return g.items;
    }
    return {};
}

}  // namespace tavlo
