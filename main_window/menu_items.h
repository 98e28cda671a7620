#pragma once

#include <QStringView>

#include <span>

namespace tavlo {

// The indexes of the main window's menu items, one enum per indexed group, shared by MenuTree
// (which places each caption at its index) and CommandRouter (which switches on them). Indexes
// missing from an enum are separators or gaps the program has always had; groups whose index is
// itself the value (mnColr 1-7, mnZoom 0-11, mnGen = iGenClr, mnPrn = iPrnMd, mnUsHn = the
// registered size) have no enum.
struct JbItem {
    enum : int { File = 0, Scan = 1, Edit = 2, View = 3, Settings = 4, Help = 5 };
};
struct FileItem {
    enum : int {
        Open = 0,
        Overwrite = 1,
        SaveAs = 2,
        PrintSetup = 4,
        Print = 5,
        SaveToWorkFolder = 7,
        ExploreWorkFolder = 8,
        OpenInEditor = 9,
        EmptyWorkFolder = 11,
        Details = 13,
        Quit = 15
    };
};
struct ScanItem {
    enum : int { Run = 0, SelectSource = 3 };
};
struct ClpItem {
    enum : int { Copy = 0, CopyAndMinimise = 1, Paste = 3 };
};
struct EdtItem {
    enum : int {
        Range = 0,
        Trim = 1,
        Resize = 2,
        Join = 4,
        Rotate = 5,
        Colours = 7,
        ToolBar = 8,
        Zoom = 10,
        Resolution = 12
    };
};
struct RngItem {
    enum : int { Register = 1, Clear = 2, EmphasiseRelative = 4, EmphasiseMarker = 5 };
};
struct ResizeItem {
    enum : int { KeepWidth = 0, KeepHeight = 1, Free = 3 };
};
struct CutItem {
    enum : int { Vertical = 0, Horizontal = 1 };
};
struct RotateItem {
    enum : int {
        MirrorLeftRight = 0,
        MirrorUpDown = 1,
        Right90 = 3,
        Right180 = 4,
        Left90 = 5,
        Left180 = 6,
        BaseLine = 8
    };
};
struct DispItem {
    enum : int { ScaleDisplay = 0, RefreshWorkFolder = 3 };
};
struct UsrItem {
    enum : int { ReduceAfterScan = 0, PrintAfterScan = 1 };
};

// One item of a group as the menu shows it.
struct MenuItemText {
    enum Flag : int {
        Plain = 0,
        Disabled = 1,
        Checkable = 2,
        Checked = 4,
        Hidden = 8,
        Submenu = 16
    };
    int index;
    const char* caption;   // UTF-8; "-" for a separator
    const char* shortcut;  // portable text ("Ctrl+O"); "" for none
    int flags;             // Flag values or-ed; the state right after the menu is built
};

// The captions of one indexed group, in the order they appear in its menu.
struct MenuGroupTexts {
    const char* name;  // the group's name, "mnFile"
    std::span<const MenuItemText> items;
};

// Every indexed group, in the order of MenuTree::groups().
std::span<const MenuGroupTexts> menuTexts();

// The items of the group with that name; empty for an unknown name.
std::span<const MenuItemText> menuItemTexts(QStringView group);

}  // namespace tavlo
