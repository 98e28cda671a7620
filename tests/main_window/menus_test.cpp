#include "main_window/command_router.h"
#include "main_window/document_state.h"
#include "main_window/main_window_operations.h"
#include "main_window/main_window_state.h"
#include "main_window/menu_items.h"
#include "main_window/menu_tree.h"
#include "main_window/tool_strip.h"

#include "tests/support/qt_printers.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>

#include <set>
#include <type_traits>

namespace tavlo {
namespace {

QString argText(int v)
{
    return QString::number(v);
}
QString argText(bool v)
{
    return QLatin1String(v ? "true" : "false");
}
QString argText(const QString& v)
{
    return v;
}

// The real menu tree and a router over it whose every operation only writes its name and arguments
// into a log, so a test sees exactly what a command reached.
class MenusTest : public ::testing::Test {
protected:
    MenusTest()
    {
#define REC(op) record(ops.op, #op)
        REC(OpenImageFile);
        REC(SaveImage);
        REC(PrintImage);
        REC(SaveToWorkFolder);
        REC(ExploreWorkFolder);
        REC(OpenWorkFolderInEditor);
        REC(EmptyWorkFolder);
        REC(ShowImageDetails);
        REC(SaveStateAndQuit);
        REC(StartScan);
        REC(SelectScanSource);
        REC(CopyImageToClipboard);
        REC(MinimiseWindow);
        REC(PasteFromClipboard);
        REC(TrimToSelection);
        REC(ShowMarkerToolBar);
        REC(HideImagingToolBar);
        REC(SetImageResolution);
        REC(ShrinkToSelection);
        REC(RotateFlip);
        REC(RotateByBaseLine);
        REC(JoinAcrossSelection);
        REC(ConvertColourDepth);
        REC(RefreshView);
        REC(RegisterRange);
        REC(ClearSelection);
        REC(EmphasiseSelection);
        REC(ApplyRegisteredSize);
        REC(ZoomToItem);
        REC(SetScaleDisplay);
        REC(RefreshWorkFolder);
        REC(ShowHelp);
#undef REC
        router.ClipboardHasImage = [this] { return clipboardHasImage; };
        router.popUp = [this](QMenu* menu, const QPoint&) { poppedUp << menu; };
    }

    // Fills the slot with a recorder: "Name" or "Name(arg,arg)". RotateByBaseLine answers
    // baseLineConfirmed.
    template <typename R, typename... A> void record(std::function<R(A...)>& slot, const char* name)
    {
        slot = [this, name](A... args) -> R {
            const QStringList texts{argText(args)...};
            QString entry = QString::fromLatin1(name);
            if (!texts.isEmpty())
                entry += QLatin1Char('(') + texts.join(u',') + QLatin1Char(')');
            log << entry;
            if constexpr (std::is_same_v<R, bool>)
                return baseLineConfirmed;
        };
    }

    QStringList take()
    {
        return std::exchange(log, {});
    }

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
    MainWindowState state;
    MainWindowOperations ops;
    CommandRouter router{menus, doc, state, ops};
    QStringList log;
    QList<QMenu*> poppedUp;
    bool clipboardHasImage = false;
    bool baseLineConfirmed = false;
};

TEST_F(MenusTest, EveryItemHasItsCaptionIndexAcceleratorAndMark)
{
    int groups = 0;
    for (const MenuGroupTexts& texts : menuTexts()) {
        const char* name = texts.name;
        MenuGroup& g = group(QString::fromLatin1(name));
        QList<int> indexes;
        for (const MenuItemText& entry : texts.items) {
            const int i = entry.index;
            SCOPED_TRACE(std::string(name) + " " + std::to_string(i));
            indexes.append(i);
            ASSERT_NE(g.item(i), nullptr);
            const QString caption = QString::fromUtf8(entry.caption);
            EXPECT_EQ(g.caption(i), caption);
            EXPECT_EQ(g.item(i)->isSeparator(), caption == QLatin1String("-"));
            EXPECT_EQ(g.item(i)->shortcut(), QKeySequence(QString::fromLatin1(entry.shortcut)));
            EXPECT_EQ(g.item(i)->menu() != nullptr, (entry.flags & MenuItemText::Submenu) != 0);
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

TEST_F(MenusTest, RegisteredSizeItemsGoAboveTheSeparatorAndCanBeRemoved)
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

// SetDocState: "上書き保存(&S)" only for a changed image, the image commands for any image, every
// other item always (the hidden registered-size placeholder never).
TEST_F(MenusTest, SetDocStateEnablesExactlyTheImageCommands)
{
    const std::set<std::pair<QString, int>> imageCommands = {
        {"mnFile", 2}, {"mnFile", 5}, {"mnFile", 7}, {"mnClp", 0}, {"mnClp", 1},
        {"mnEdt", 0},  {"mnEdt", 1},  {"mnEdt", 2},  {"mnEdt", 4}, {"mnEdt", 5},
        {"mnEdt", 7},  {"mnEdt", 8},  {"mnEdt", 12}};
    for (int state : {0, 1, 2, 0, 2, 1}) {
        doc.SetDocState(DocState(state));
        EXPECT_EQ(doc.state(), DocState(state));
        for (MenuGroup* g : menus.groups()) {
            for (int i : g->indexes()) {
                bool expected = imageCommands.count({g->name(), i}) ? state != 0 : true;
                if (g == &menus.mnFile && i == 1)
                    expected = state == 2;
                if (g == &menus.mnUsHn)
                    expected = false;
                EXPECT_EQ(g->isEnabled(i), expected)
                    << g->name().toStdString() << i << " " << state;
            }
        }
    }

    // Paste is not the document state's business: it keeps whatever the clipboard check set.
    menus.mnClp.setEnabled(3, false);
    doc.SetDocState(DocState::Unchanged);
    EXPECT_FALSE(menus.mnClp.isEnabled(3));
}

// The window tests reach the other commands through their menu items and check what they do.
TEST_F(MenusTest, TheRemainingMenuItemsReachTheirOperations)
{
    doc.SetDocState(DocState::Changed);  // everything enabled
    const std::tuple<MenuGroup*, int, const char*> cases[] = {
        {&menus.mnFile, 4, "PrintImage(0)"},          {&menus.mnFile, 5, "PrintImage(1)"},
        {&menus.mnCut, 0, "JoinAcrossSelection(0)"},  {&menus.mnCut, 1, "JoinAcrossSelection(1)"},
        {&menus.mnRng, 1, "RegisterRange"},           {&menus.mnRng, 2, "ClearSelection(false)"},
        {&menus.mnUsHn, 0, "ApplyRegisteredSize(0)"}, {&menus.mnDisp, 0, "SetScaleDisplay(false)"},
        {&menus.mnDisp, 3, "RefreshWorkFolder"}};
    for (const auto& [group, index, expected] : cases) {
        group->item(index)->trigger();
        EXPECT_EQ(take().value(0), QLatin1String(expected)) << group->name().toStdString() << index;
    }

    // The after-scan choices only record their index and tick.
    menus.mnGen.item(3)->trigger();
    menus.mnPrn.item(2)->trigger();
    EXPECT_TRUE(take().isEmpty());
    EXPECT_EQ(state.iGenClr, 3);
    EXPECT_EQ(state.iPrnMd, 2);
    for (int i = 0; i <= 5; ++i)
        EXPECT_EQ(menus.mnGen.isChecked(i), i == 3);
    for (int i = 0; i <= 2; ++i)
        EXPECT_EQ(menus.mnPrn.isChecked(i), i == 2);
}

// The enabled-check rule: a button or item acts only while its menu item is enabled.
TEST_F(MenusTest, ToolButtonsActAsTheirMenuItemsOnlyWhileTheseAreEnabled)
{
    // Button, operation, acts without an image. The join items stay enabled under their disabled
    // parent, so those buttons reach the join, which finds no selection by itself.
    const std::tuple<int, const char*, bool> buttons[] = {{0, "OpenImageFile", true},
                                                          {1, "SaveImage(false)", false},
                                                          {2, "SaveToWorkFolder", false},
                                                          {3, "ExploreWorkFolder", true},
                                                          {4, nullptr, false},
                                                          {5, "StartScan", true},
                                                          {6, "CopyImageToClipboard", false},
                                                          {7, "TrimToSelection", false},
                                                          {8, "JoinAcrossSelection(0)", true},
                                                          {9, "JoinAcrossSelection(1)", true},
                                                          {10, nullptr, false}};
    for (int docState : {2, 0}) {
        doc.SetDocState(DocState(docState));
        for (const auto& [button, op, withoutImage] : buttons) {
            router.imBtn_Click(button);
            const bool acts = op && (docState == 2 || withoutImage);
            EXPECT_EQ(take(), acts ? QStringList{QString::fromLatin1(op)} : QStringList())
                << button << " at " << docState;
        }
        EXPECT_EQ(doc.state(), DocState(docState));
    }
    // A disabled item does nothing even when its handler is called directly.
    router.mnFile_Click(1);
    router.mnEdt_Click(1);
    router.mnClp_Click(0);
    EXPECT_TRUE(take().isEmpty());
    EXPECT_EQ(doc.state(), DocState::NoImage);
}

// A key a tooltip names runs the button's own command; a button whose command has a key names
// it. The commands are compared by what they reach, so a key that belongs to another item fails.
TEST_F(MenusTest, EveryToolTipNamesTheKeyOfItsOwnCommandOrNone)
{
    doc.SetDocState(DocState::Changed);  // everything enabled
    for (int button : ToolStrip::ButtonIndexes) {
        const QString tip = ToolStrip::tooltipOf(button);
        SCOPED_TRACE(tip.toStdString());
        router.imBtn_Click(button);
        const QStringList reached = take();
        ASSERT_FALSE(reached.isEmpty());
        QStringList keysOfThatCommand;
        for (MenuGroup* g : menus.groups()) {
            for (int i : g->indexes()) {
                if (g->item(i)->shortcut().isEmpty())
                    continue;
                g->item(i)->trigger();
                if (take() == reached)
                    keysOfThatCommand << g->item(i)->shortcut().toString();
            }
        }
        // "Ctrl+O 画像ﾌｧｲﾙを開きます" names Ctrl+O; "ｽｷｬﾝを開始します" names none.
        static const QRegularExpression key(QStringLiteral("^(Ctrl\\+\\S|F\\d+) "));
        const QRegularExpressionMatch named = key.match(tip);
        EXPECT_EQ(keysOfThatCommand,
                  named.hasMatch() ? QStringList{named.captured(1)} : QStringList{});
    }
}

TEST_F(MenusTest, EditCommandsMarkTheDocumentChanged)
{
    // Opening "ｽﾞｰﾑ" is its click, and marks changed even without an image.
    doc.SetDocState(DocState::NoImage);
    menus.mnEdt.item(10)->menu()->popup(QPoint(0, 0));
    menus.mnEdt.item(10)->menu()->hide();
    EXPECT_EQ(doc.state(), DocState::Changed);
    EXPECT_TRUE(menus.mnFile.isEnabled(1));  // "上書き保存(&S)"
    EXPECT_TRUE(menus.mnClp.isEnabled(0));

    // Opening a submenu changes no pixel: nothing counts as unsaved.
    for (int index : {0, 1, 2, 4, 5, 7, 8, 10, 12}) {
        doc.SetDocState(DocState::Unchanged);
        router.mnEdt_Click(index);
        EXPECT_EQ(doc.state(), DocState::Changed) << index;
        EXPECT_TRUE(menus.mnFile.isEnabled(1)) << index;
        EXPECT_FALSE(doc.hasUnsavedPixels()) << index;
    }

    // The base-line dialog's OK and an edit inside the view (the marker tool bar) are edits with
    // their enabled flags, so F8 saves them.
    doc.SetDocState(DocState::Unchanged);
    router.mnRotate_Click(8);  // the base-line dialog cancelled
    EXPECT_EQ(doc.state(), DocState::Unchanged);
    EXPECT_FALSE(doc.hasUnsavedPixels());
    baseLineConfirmed = true;
    router.mnRotate_Click(8);
    EXPECT_EQ(doc.state(), DocState::Changed);
    EXPECT_TRUE(menus.mnFile.isEnabled(1));
    EXPECT_TRUE(doc.hasUnsavedPixels());
    doc.ImageMatchesFile();
    EXPECT_FALSE(doc.hasUnsavedPixels());
    router.ikImg_ImageEdited();
    EXPECT_EQ(doc.state(), DocState::Changed);
    EXPECT_TRUE(menus.mnFile.isEnabled(1));
    EXPECT_TRUE(doc.hasUnsavedPixels());
    doc.SetDocState(DocState::NoImage);  // no image: nothing left to save
    EXPECT_FALSE(doc.hasUnsavedPixels());
}

TEST_F(MenusTest, PasteFlagFollowsTheClipboardWhenAMenuOpens)
{
    EXPECT_TRUE(menus.mnClp.isEnabled(3));  // before any menu has been opened
    for (int top = 0; top <= 4; ++top) {
        clipboardHasImage = false;
        menus.topMenu(top)->popup(QPoint(0, 0));
        menus.topMenu(top)->hide();
        EXPECT_FALSE(menus.mnClp.isEnabled(3)) << top;
        clipboardHasImage = true;
        router.mnJb_Click(top);
        EXPECT_TRUE(menus.mnClp.isEnabled(3)) << top;
    }

    // Help does not look at the clipboard; it opens the help page.
    clipboardHasImage = false;
    menus.mnJb.item(5)->trigger();
    EXPECT_TRUE(menus.mnClp.isEnabled(3));
    EXPECT_EQ(take(), QStringList{"ShowHelp(tavlo.htm)"});

    // The accelerator follows the flag as last computed, whatever the clipboard holds now.
    router.mnJb_Click(0);
    clipboardHasImage = true;
    router.mnClp_Click(3);
    EXPECT_TRUE(take().isEmpty());
    router.mnJb_Click(2);
    router.mnClp_Click(3);
    EXPECT_EQ(take(), QStringList{"PasteFromClipboard"});
}

TEST_F(MenusTest, PopUpsOpenTheFileAndEditMenus)
{
    router.File1_ContextMenu(QPoint(5, 5));
    router.ikImg_ImageMouseUp(1, 0, 5, 5);  // left
    router.ikImg_ImageMouseUp(4, 0, 5, 5);  // middle
    router.ikImg_ImageMouseUp(2, 0, 5, 5);  // right
    EXPECT_EQ(poppedUp, (QList<QMenu*>{menus.topMenu(0), menus.topMenu(2)}));
}

}  // namespace
}  // namespace tavlo
