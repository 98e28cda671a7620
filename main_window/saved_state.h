#pragma once

#include "main_window/twips_scale.h"

#include <QString>

class QWidget;

namespace tavlo {

class MenuTree;
class SettingsStore;
class ToolStrip;
struct MainWindowOperations;
struct MainWindowState;

// The options and window geometry that survive from one run to the next, in "User.xml":
//
//   section  key          value form          default            applied to
//   ﾌｫｰﾑ     Left         twips               screen width 10 %   window left
//   ﾌｫｰﾑ     Top          twips               screen height 10 %  window top
//   ﾌｫｰﾑ     Width        twips               screen width 70 %   window width
//   ﾌｫｰﾑ     Height       twips               screen height 70 %  window height
//   ﾕｰｻﾞｰ    ｽｹｰﾙ表示     "ｽｹｰﾙ" or "実寸"    "ｽｹｰﾙ"              nDspMd (1 only for exactly
//   "ｽｹｰﾙ") ﾕｰｻﾞｰ    保存ﾌｧｲﾙ     text                ""                  the prefix field txPfx
//   ﾕｰｻﾞｰ    保存形式     "BMP" or "TIF"      "BMP"               bSvBmp (true only for exactly
//   "BMP") ﾕｰｻﾞｰ    ｽｷｬﾝ後減色   whole number 0-5    0                   iGenClr ﾕｰｻﾞｰ    PC_RNG
//   registered sizes    ""                  sRangeList (BuildRangeMenu)
//
// The screen is the whole primary screen in twips. The geometry is the window's client area
// (without the desktop's frame), so a stored place comes back exactly.
class SavedState {
public:
    SavedState(QWidget& window, MainWindowState& state, ToolStrip& strip, MenuTree& menus,
               MainWindowOperations& ops);

    // Reads every value of the table from the loaded settings store and applies it. Read once,
    // while the window loads.
    void RestoreState(SettingsStore& store);

    // Sets every value of the table into the store's sections and writes the settings file.
    // False when the file could not be written.
    bool SaveState(SettingsStore& store);

    // SaveState at quit. When the file cannot be written (a full or read-only disk), says so
    // with the reason and offers to try again (OK) or to quit without saving (Cancel), so no
    // setting is lost without a word. True when the state was saved.
    bool SaveStateAtQuit(SettingsStore& store);

    // The question asked when the state could not be saved, for reason.
    static QString saveFailedQuestion(const QString& reason);

private:
    TwipsScale scale() const;

    QWidget& m_window;
    MainWindowState& m_state;
    ToolStrip& m_strip;
    MenuTree& m_menus;
    MainWindowOperations& m_ops;
};

}  // namespace tavlo
