#pragma once

#include "main_window/menu_group.h"

#include <QKeySequence>
#include <QObject>

#include <functional>

class QAction;
class QMenu;
class QMenuBar;

namespace tavlo {

// The main window's whole menu tree: the menu bar mnJb and every indexed item group, built from the
// captions, index gaps, separators, accelerators and initial states of main_window/menu_items.h.
// Only structure lives here; what a click does is the CommandRouter's business. Every click on an
// item, every opening of a submenu that is itself an item (mnEdt 0 "範囲", mnEdt 10 "ｽﾞｰﾑ", ...)
// and every opening of a top-level menu arrives as clicked(index) of the item's group.
class MenuTree : public QObject {
    Q_OBJECT
public:
    explicit MenuTree(QMenuBar* bar, QObject* parent = nullptr);

    MenuGroup mnJb{QStringLiteral("mnJb")};      // menu bar, 0-5
    MenuGroup mnFile{QStringLiteral("mnFile")};  // ﾌｧｲﾙ(&F)
    MenuGroup mnScan{QStringLiteral("mnScan")};  // ｽｷｬﾝ
    MenuGroup mnClp{QStringLiteral("mnClp")};    // 画像編集(&E), clipboard part
    MenuGroup mnEdt{QStringLiteral("mnEdt")};    // 画像編集(&E), edit part
    MenuGroup mnUsHn{QStringLiteral("mnUsHn")};  // registered sizes in 範囲
    MenuGroup mnRng{QStringLiteral("mnRng")};    // 範囲
    MenuGroup mnResize{QStringLiteral("mnResize")};
    MenuGroup mnCut{QStringLiteral("mnCut")};  // 綴じ込み
    MenuGroup mnRotate{QStringLiteral("mnRotate")};
    MenuGroup mnColr{QStringLiteral("mnColr")};  // 色数
    MenuGroup mnZoom{QStringLiteral("mnZoom")};
    MenuGroup mnDisp{QStringLiteral("mnDisp")};  // 表示(&D)
    MenuGroup mnUsr{QStringLiteral("mnUsr")};    // 設定(&U)
    MenuGroup mnGen{QStringLiteral("mnGen")};    // ｽｷｬﾝ後減色(&C)
    MenuGroup mnPrn{QStringLiteral("mnPrn")};    // ｽｷｬﾝ後印刷

    // Every group, in the order of the menu bar.
    QList<MenuGroup*> groups();

    // The drop-down menu of a menu-bar entry (0-4); nullptr for Help (5), which has none.
    QMenu* topMenu(int jbIndex) const;

    // The registered-size items of "範囲" (mnUsHn). Item 0 always exists; items above 0 are made
    // here on demand, just above the separator mnRng 0, and removed again.
    QAction* ensureRegisteredSizeItem(int index);
    void removeRegisteredSizeItemsFrom(int index);

private:
    // Adds the group's items of main_window/menu_items.h to the menu; fillSubmenu fills the
    // submenu of each item that holds one.
    void addItems(QMenu* menu, MenuGroup& group,
                  const std::function<void(int index, QMenu* submenu)>& fillSubmenu = {});
    QAction* addItem(QMenu* menu, MenuGroup& group, int index, const QString& caption,
                     const QKeySequence& key, int flags);
    QAction* addSeparator(QMenu* menu, MenuGroup& group, int index);
    QMenu* addSubmenu(QMenu* menu, MenuGroup& group, int index, const QString& caption, int flags);

    QMenu* m_top[5] = {};
    QMenu* m_rangeMenu = nullptr;
};

}  // namespace tavlo
