#include "main_window/document_state.h"
#include "main_window/menu_tree.h"

#include "tests/support/qt_printers.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <set>

namespace tavlo {
namespace {

// The menu tree as the program has always had it: each group's captions by index, "|" between
// indexes, an empty caption for an index gap, "-" for a separator and a tab before an accelerator.
const std::pair<const char*, const char*> Captions[] = {
    {"mnJb", "ﾌｧｲﾙ(&F)|ｽｷｬﾝ|画像編集(&E)|表示(&D)|設定(&U)|ﾍﾙﾌﾟ(&H)"},
    {"mnFile", "開く(&O)\tCtrl+O|上書き保存(&S)\tF8|名前を付けて保存|-|印刷設定|印刷(&P)\tCtrl+P|-|"
               "作業ﾌｫﾙﾀﾞに保存\tCtrl+W|作業ﾌｫﾙﾀﾞをｴｸｽﾌﾟﾛｰﾗｰで開く\tCtrl+E|"
               "作業ﾌｫﾙﾀﾞを Pelmoで開く\tCtrl+A|-|作業ﾌｫﾙﾀﾞを空にする|-|ﾌｧｲﾙの詳細|-|終了(&X)"},
    {"mnScan", "実行||-|ｿｰｽの選択"},
    {"mnClp", "ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ\tCtrl+C|ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ・最小化|-|ｸﾘｯﾌﾟﾎﾞｰﾄﾞから貼付\tCtrl+V|-"},
    {"mnEdt", "範囲|ﾄﾘﾐﾝｸﾞ\tCtrl+T|ﾘｻｲｽﾞ||綴じ込み|回転|-|色数|ﾂｰﾙﾊﾞｰを表示|-|ｽﾞｰﾑ|-|解像度"},
    {"mnUsHn", "?"},
    {"mnRng", "-|範囲の登録|範囲のｸﾘｱ|-|強調(相対)|強調(ﾏｰｶｰ)"},
    {"mnResize", "横方向を基準に縮小|縦方向を基準に縮小|-|縦横比率を変えて縮小"},
    {"mnCut", "縦方向|横方向"},
    {"mnRotate", "左右反転|上下反転|-|右90度\tCtrl+R|右180度|左90度\tCtrl+L|左180度|-|詳細指定"},
    {"mnColr", "|16色(4bit)|ｸﾞﾚｰ(4bit)|256色(8bit)|ｸﾞﾚｰ(8bit)|16bit|24bit|32bit"},
    {"mnZoom", " 50%| 60%| 70%| 80%| 90%|100%|150%|200%|300%|500%|750%|1000%"},
    {"mnDisp", "ｽｹｰﾙ表示||-|作業ﾌｫﾙﾀﾞを再表示"},
    {"mnUsr", "ｽｷｬﾝ後減色(&C)|ｽｷｬﾝ後印刷"},
    {"mnGen", "何もしない|16色(4bit)|ｸﾞﾚｰ(4bit)|256色(8bit)|ｸﾞﾚｰ(8bit)|16bit"},
    {"mnPrn", "印刷しない|画像ｻｲｽﾞで印刷|用紙ｻｲｽﾞで印刷"},
};

class MenuTreeTest : public ::testing::Test {
protected:
    MenuGroup& group(const QString& name)
    {
        for (MenuGroup* g : menus.groups()) {
            if (g->name() == name)
                return *g;
        }
        ADD_FAILURE() << "no group " << name.toStdString();
        return menus.mnJb;
    }

    QMenuBar bar;
    MenuTree menus{&bar};
    DocumentState doc{menus};
};

TEST_F(MenuTreeTest, EveryItemHasItsCaptionIndexAcceleratorAndMark)
{
    int groups = 0;
    for (const auto& [name, captions] : Captions) {
        MenuGroup& g = group(QString::fromLatin1(name));
        const QStringList expected = QString::fromUtf8(captions).split(QLatin1Char('|'));
        QList<int> indexes;
        for (int i = 0; i < expected.size(); ++i) {
            SCOPED_TRACE(std::string(name) + " " + std::to_string(i));
            if (expected[i].isEmpty())
                continue;
            indexes.append(i);
            ASSERT_NE(g.item(i), nullptr);
            const QString caption = expected[i].section(QLatin1Char('\t'), 0, 0);
            EXPECT_EQ(g.caption(i), caption);
            EXPECT_EQ(g.item(i)->isSeparator(), caption == QLatin1String("-"));
            EXPECT_EQ(g.item(i)->shortcut(), QKeySequence(expected[i].section(QLatin1Char('\t'), 1)));
        }
        EXPECT_EQ(g.indexes(), indexes) << name;  // the gaps are real
        ++groups;
    }
    EXPECT_EQ(menus.groups().size(), groups);

    // Marks and visibility as the load sequence finds them.
    EXPECT_TRUE(menus.mnDisp.isChecked(0));
    for (int i = 0; i <= 5; ++i)
        EXPECT_EQ(menus.mnGen.isChecked(i), i == 0);
    EXPECT_TRUE(menus.mnPrn.isChecked(0));
    EXPECT_TRUE(menus.mnEdt.item(8)->isCheckable());
    EXPECT_FALSE(menus.mnEdt.isChecked(8));
    EXPECT_FALSE(menus.mnUsHn.item(0)->isVisible());  // until sizes are registered
    EXPECT_EQ(menus.topMenu(5), nullptr);             // Help has no drop-down
}

TEST_F(MenuTreeTest, ItemsLieInTheirMenusInIndexOrder)
{
    EXPECT_EQ(menus.topMenu(0)->actions().size(), 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(menus.topMenu(0)->actions().value(i), menus.mnFile.item(i));
    // The Edit menu holds the clipboard items first, then the edit items.
    QList<QAction*> edit;
    for (int i : {0, 1, 2, 3, 4})
        edit << menus.mnClp.item(i);
    for (int i : {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12})
        edit << menus.mnEdt.item(i);
    EXPECT_EQ(menus.topMenu(2)->actions(), edit);
    EXPECT_EQ(menus.mnEdt.item(10)->menu(), menus.mnZoom.item(0)->parent());
}

TEST_F(MenuTreeTest, RegisteredSizeItemsGoAboveTheSeparatorAndCanBeRemoved)
{
    menus.ensureRegisteredSizeItem(2);
    ASSERT_NE(menus.mnUsHn.item(1), nullptr);
    ASSERT_NE(menus.mnUsHn.item(2), nullptr);
    const QList<QAction*> range = menus.mnEdt.item(0)->menu()->actions();
    EXPECT_EQ(range.indexOf(menus.mnUsHn.item(2)) + 1, range.indexOf(menus.mnRng.item(0)));

    int clicked = -1;
    QObject::connect(&menus.mnUsHn, &MenuGroup::clicked, [&](int i) { clicked = i; });
    menus.mnUsHn.item(2)->trigger();
    EXPECT_EQ(clicked, 2);

    menus.removeRegisteredSizeItemsFrom(1);
    EXPECT_EQ(menus.mnUsHn.indexes(), QList<int>{0});  // item 0 always stays
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

// SetDocState: "上書き保存(&S)" only for a changed image, the image commands for any image, every
// other item always (the hidden registered-size placeholder never).
TEST_F(MenuTreeTest, SetDocStateEnablesExactlyTheImageCommands)
{
    const std::set<std::pair<QString, int>> imageCommands = {
        {"mnFile", 2}, {"mnFile", 5}, {"mnFile", 7}, {"mnClp", 0},  {"mnClp", 1},
        {"mnEdt", 0},  {"mnEdt", 1},  {"mnEdt", 2},  {"mnEdt", 4},  {"mnEdt", 5},
        {"mnEdt", 7},  {"mnEdt", 8},  {"mnEdt", 12}};
    for (int state : {0, 1, 2, 0, 2, 1}) {
        doc.SetDocState(state);
        EXPECT_EQ(doc.state(), state);
        for (MenuGroup* g : menus.groups()) {
            for (int i : g->indexes()) {
                bool expected = imageCommands.count({g->name(), i}) ? state != 0 : true;
                if (g == &menus.mnFile && i == 1)
                    expected = state == 2;
                if (g == &menus.mnUsHn)
                    expected = false;
                EXPECT_EQ(g->isEnabled(i), expected) << g->name().toStdString() << i << " " << state;
            }
        }
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
