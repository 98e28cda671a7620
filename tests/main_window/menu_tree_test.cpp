#include "main_window/document_state.h"
#include "main_window/menu_tree.h"

#include "tests/support/qt_printers.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <map>
#include <vector>

namespace tavlo {
namespace {

struct Row {
    const char* group;
    int index;
    const char* caption;  // "-" for a separator
    const char* key;      // "" for none
    bool enabled;         // right after the load sequence (SetDocState 0)
};

// The menu tree as the program has always had it: every group, index (gaps kept), caption,
// accelerator and enabled flag after the load sequence.
const std::vector<Row> Table = {
    {"mnJb", 0, "ﾌｧｲﾙ(&F)", "", true},
    {"mnJb", 1, "ｽｷｬﾝ", "", true},
    {"mnJb", 2, "画像編集(&E)", "", true},
    {"mnJb", 3, "表示(&D)", "", true},
    {"mnJb", 4, "設定(&U)", "", true},
    {"mnJb", 5, "ﾍﾙﾌﾟ(&H)", "", true},
    {"mnFile", 0, "開く(&O)", "Ctrl+O", true},
    {"mnFile", 1, "上書き保存(&S)", "F8", false},
    {"mnFile", 2, "名前を付けて保存", "", false},
    {"mnFile", 3, "-", "", true},
    {"mnFile", 4, "印刷設定", "", true},
    {"mnFile", 5, "印刷(&P)", "Ctrl+P", false},
    {"mnFile", 6, "-", "", true},
    {"mnFile", 7, "作業ﾌｫﾙﾀﾞに保存", "Ctrl+W", false},
    {"mnFile", 8, "作業ﾌｫﾙﾀﾞをｴｸｽﾌﾟﾛｰﾗｰで開く", "Ctrl+E", true},
    {"mnFile", 9, "作業ﾌｫﾙﾀﾞを Pelmoで開く", "Ctrl+A", true},
    {"mnFile", 10, "-", "", true},
    {"mnFile", 11, "作業ﾌｫﾙﾀﾞを空にする", "", true},
    {"mnFile", 12, "-", "", true},
    {"mnFile", 13, "ﾌｧｲﾙの詳細", "", true},
    {"mnFile", 14, "-", "", true},
    {"mnFile", 15, "終了(&X)", "", true},
    {"mnScan", 0, "実行", "", true},
    {"mnScan", 2, "-", "", true},
    {"mnScan", 3, "ｿｰｽの選択", "", true},
    {"mnClp", 0, "ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ", "Ctrl+C", false},
    {"mnClp", 1, "ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ・最小化", "", false},
    {"mnClp", 2, "-", "", true},
    {"mnClp", 3, "ｸﾘｯﾌﾟﾎﾞｰﾄﾞから貼付", "Ctrl+V", true},
    {"mnClp", 4, "-", "", true},
    {"mnEdt", 0, "範囲", "", false},
    {"mnUsHn", 0, "?", "", false},  // hidden, and so not enabled
    {"mnRng", 0, "-", "", true},
    {"mnRng", 1, "範囲の登録", "", true},
    {"mnRng", 2, "範囲のｸﾘｱ", "", true},
    {"mnRng", 3, "-", "", true},
    {"mnRng", 4, "強調(相対)", "", true},
    {"mnRng", 5, "強調(ﾏｰｶｰ)", "", true},
    {"mnEdt", 1, "ﾄﾘﾐﾝｸﾞ", "Ctrl+T", false},
    {"mnEdt", 2, "ﾘｻｲｽﾞ", "", false},
    {"mnResize", 0, "横方向を基準に縮小", "", true},
    {"mnResize", 1, "縦方向を基準に縮小", "", true},
    {"mnResize", 2, "-", "", true},
    {"mnResize", 3, "縦横比率を変えて縮小", "", true},
    {"mnEdt", 4, "綴じ込み", "", false},
    {"mnCut", 0, "縦方向", "", true},
    {"mnCut", 1, "横方向", "", true},
    {"mnEdt", 5, "回転", "", false},
    {"mnRotate", 0, "左右反転", "", true},
    {"mnRotate", 1, "上下反転", "", true},
    {"mnRotate", 2, "-", "", true},
    {"mnRotate", 3, "右90度", "Ctrl+R", true},
    {"mnRotate", 4, "右180度", "", true},
    {"mnRotate", 5, "左90度", "Ctrl+L", true},
    {"mnRotate", 6, "左180度", "", true},
    {"mnRotate", 7, "-", "", true},
    {"mnRotate", 8, "詳細指定", "", true},
    {"mnEdt", 6, "-", "", true},
    {"mnEdt", 7, "色数", "", false},
    {"mnColr", 1, "16色(4bit)", "", true},
    {"mnColr", 2, "ｸﾞﾚｰ(4bit)", "", true},
    {"mnColr", 3, "256色(8bit)", "", true},
    {"mnColr", 4, "ｸﾞﾚｰ(8bit)", "", true},
    {"mnColr", 5, "16bit", "", true},
    {"mnColr", 6, "24bit", "", true},
    {"mnColr", 7, "32bit", "", true},
    {"mnEdt", 8, "ﾂｰﾙﾊﾞｰを表示", "", false},
    {"mnEdt", 9, "-", "", true},
    {"mnEdt", 10, "ｽﾞｰﾑ", "", true},
    {"mnZoom", 0, " 50%", "", true},
    {"mnZoom", 1, " 60%", "", true},
    {"mnZoom", 2, " 70%", "", true},
    {"mnZoom", 3, " 80%", "", true},
    {"mnZoom", 4, " 90%", "", true},
    {"mnZoom", 5, "100%", "", true},
    {"mnZoom", 6, "150%", "", true},
    {"mnZoom", 7, "200%", "", true},
    {"mnZoom", 8, "300%", "", true},
    {"mnZoom", 9, "500%", "", true},
    {"mnZoom", 10, "750%", "", true},
    {"mnZoom", 11, "1000%", "", true},
    {"mnEdt", 11, "-", "", true},
    {"mnEdt", 12, "解像度", "", false},
    {"mnDisp", 0, "ｽｹｰﾙ表示", "", true},
    {"mnDisp", 2, "-", "", true},
    {"mnDisp", 3, "作業ﾌｫﾙﾀﾞを再表示", "", true},
    {"mnUsr", 0, "ｽｷｬﾝ後減色(&C)", "", true},
    {"mnGen", 0, "何もしない", "", true},
    {"mnGen", 1, "16色(4bit)", "", true},
    {"mnGen", 2, "ｸﾞﾚｰ(4bit)", "", true},
    {"mnGen", 3, "256色(8bit)", "", true},
    {"mnGen", 4, "ｸﾞﾚｰ(8bit)", "", true},
    {"mnGen", 5, "16bit", "", true},
    {"mnUsr", 1, "ｽｷｬﾝ後印刷", "", true},
    {"mnPrn", 0, "印刷しない", "", true},
    {"mnPrn", 1, "画像ｻｲｽﾞで印刷", "", true},
    {"mnPrn", 2, "用紙ｻｲｽﾞで印刷", "", true},
};

class MenuTreeTest : public ::testing::Test {
protected:
    MenuGroup& group(const char* name)
    {
        for (MenuGroup* g : menus.groups()) {
            if (g->name() == QLatin1String(name))
                return *g;
        }
        ADD_FAILURE() << "no group " << name;
        return menus.mnJb;
    }

    QMenuBar bar;
    MenuTree menus{&bar};
    DocumentState doc{menus};
};

TEST_F(MenuTreeTest, EveryItemHasItsCaptionAcceleratorAndInitialState)
{
    doc.SetDocState(0);
    std::map<QString, int> counted;
    for (const Row& row : Table) {
        SCOPED_TRACE(std::string(row.group) + " " + std::to_string(row.index));
        MenuGroup& g = group(row.group);
        QAction* action = g.item(row.index);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(g.caption(row.index), QString::fromUtf8(row.caption));
        EXPECT_EQ(action->isSeparator(), QByteArray(row.caption) == "-");
        EXPECT_EQ(action->shortcut(), QKeySequence(QString::fromLatin1(row.key)));
        EXPECT_EQ(action->isEnabled(), row.enabled);
        ++counted[g.name()];
    }
    // No group holds an item the table does not list: the gaps are real.
    for (MenuGroup* g : menus.groups())
        EXPECT_EQ(g->count(), counted[g->name()]) << g->name().toStdString();
}

TEST_F(MenuTreeTest, MarksAndVisibilityStartAsDesigned)
{
    EXPECT_TRUE(menus.mnDisp.isChecked(0));
    EXPECT_TRUE(menus.mnGen.isChecked(0));
    EXPECT_TRUE(menus.mnPrn.isChecked(0));
    for (int i = 1; i <= 5; ++i)
        EXPECT_FALSE(menus.mnGen.isChecked(i));
    EXPECT_FALSE(menus.mnEdt.isChecked(8));
    EXPECT_TRUE(menus.mnEdt.item(8)->isCheckable());
    // The registered-size placeholder exists but is hidden until sizes are registered.
    EXPECT_FALSE(menus.mnUsHn.item(0)->isVisible());
    EXPECT_EQ(menus.topMenu(5), nullptr);  // Help has no drop-down
}

TEST_F(MenuTreeTest, ItemsLieInTheirMenusInTableOrder)
{
    const QList<QAction*> file = menus.topMenu(0)->actions();
    ASSERT_EQ(file.size(), 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(file[i], menus.mnFile.item(i));

    // The Edit menu holds the clipboard items first, then the edit items.
    const QList<QAction*> edit = menus.topMenu(2)->actions();
    const QList<QAction*> expected = {
        menus.mnClp.item(0),  menus.mnClp.item(1),  menus.mnClp.item(2),  menus.mnClp.item(3),
        menus.mnClp.item(4),  menus.mnEdt.item(0),  menus.mnEdt.item(1),  menus.mnEdt.item(2),
        menus.mnEdt.item(4),  menus.mnEdt.item(5),  menus.mnEdt.item(6),  menus.mnEdt.item(7),
        menus.mnEdt.item(8),  menus.mnEdt.item(9),  menus.mnEdt.item(10), menus.mnEdt.item(11),
        menus.mnEdt.item(12)};
    EXPECT_EQ(edit, expected);
    EXPECT_EQ(menus.mnEdt.item(10)->menu(), menus.mnZoom.item(0)->parent());
}

TEST_F(MenuTreeTest, RegisteredSizeItemsGoAboveTheSeparatorAndCanBeRemoved)
{
    menus.ensureRegisteredSizeItem(2);
    ASSERT_NE(menus.mnUsHn.item(1), nullptr);
    ASSERT_NE(menus.mnUsHn.item(2), nullptr);
    QMenu* range = menus.mnEdt.item(0)->menu();
    const QList<QAction*> actions = range->actions();
    EXPECT_EQ(actions.indexOf(menus.mnUsHn.item(2)) + 1, actions.indexOf(menus.mnRng.item(0)));

    int clicked = -1;
    QObject::connect(&menus.mnUsHn, &MenuGroup::clicked, [&](int i) { clicked = i; });
    menus.mnUsHn.item(2)->trigger();
    EXPECT_EQ(clicked, 2);

    menus.removeRegisteredSizeItemsFrom(1);
    EXPECT_EQ(menus.mnUsHn.count(), 1);
    EXPECT_NE(menus.mnUsHn.item(0), nullptr);  // item 0 always stays
}

TEST_F(MenuTreeTest, AClickLeavesTheCheckMarkToTheHandler)
{
    // Qt would flip a checkable item by itself; the program's handlers decide every mark.
    bool markWhenClicked = false;
    QObject::connect(&menus.mnDisp, &MenuGroup::clicked,
                     [&] { markWhenClicked = menus.mnDisp.isChecked(0); });
    menus.mnDisp.item(0)->trigger();
    EXPECT_TRUE(markWhenClicked);
    EXPECT_TRUE(menus.mnDisp.isChecked(0));
}

TEST_F(MenuTreeTest, SetDocStateEnablesExactlyTheImageCommands)
{
    struct Item {
        MenuGroup* g;
        int i;
    };
    const std::vector<Item> withImage = {
        {&menus.mnFile, 2}, {&menus.mnFile, 5}, {&menus.mnFile, 7}, {&menus.mnClp, 0},
        {&menus.mnClp, 1},  {&menus.mnEdt, 0},  {&menus.mnEdt, 1},  {&menus.mnEdt, 2},
        {&menus.mnEdt, 4},  {&menus.mnEdt, 5},  {&menus.mnEdt, 7},  {&menus.mnEdt, 8},
        {&menus.mnEdt, 12}};
    const std::vector<Item> always = {
        {&menus.mnFile, 0}, {&menus.mnFile, 4}, {&menus.mnFile, 8},  {&menus.mnFile, 9},
        {&menus.mnFile, 11}, {&menus.mnFile, 13}, {&menus.mnFile, 15}, {&menus.mnScan, 0},
        {&menus.mnScan, 3}, {&menus.mnEdt, 10}, {&menus.mnDisp, 0}, {&menus.mnDisp, 3}};

    for (int state : {1, 2, 0, 2, 1}) {
        SCOPED_TRACE(state);
        doc.SetDocState(state);
        EXPECT_EQ(doc.state(), state);
        EXPECT_EQ(menus.mnFile.isEnabled(1), state == 2);
        for (const Item& it : withImage)
            EXPECT_EQ(it.g->isEnabled(it.i), state != 0) << it.g->name().toStdString() << it.i;
        for (const Item& it : always)
            EXPECT_TRUE(it.g->isEnabled(it.i)) << it.g->name().toStdString() << it.i;
    }

    // Paste is not the document state's business: it keeps whatever the clipboard check set.
    menus.mnClp.setEnabled(3, false);
    doc.SetDocState(1);
    EXPECT_FALSE(menus.mnClp.isEnabled(3));

    // Setting the field alone leaves every flag as it was.
    doc.setStateField(2);
    EXPECT_EQ(doc.state(), 2);
    EXPECT_FALSE(menus.mnFile.isEnabled(1));
}

}  // namespace
}  // namespace tavlo
