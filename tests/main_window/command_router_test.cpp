#include "main_window/command_router.h"
#include "main_window/document_state.h"
#include "main_window/main_window_operations.h"
#include "main_window/main_window_state.h"
#include "main_window/menu_tree.h"

#include "tests/support/qt_printers.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <type_traits>

namespace tavlo {
namespace {

QString argText(int v) { return QString::number(v); }
QString argText(bool v) { return QLatin1String(v ? "true" : "false"); }
QString argText(const QString& v) { return v; }

// A router over the real menu tree whose every operation only writes its name and arguments into
// a log, so a test sees exactly what a command reached.
class CommandRouterTest : public ::testing::Test {
protected:
    CommandRouterTest()
    {
#define REC(op) record(ops.op, #op)
        REC(OpenImageFile); REC(SaveImage); REC(PrintImage); REC(SaveToWorkFolder);
        REC(ExploreWorkFolder); REC(OpenWorkFolderInEditor); REC(EmptyWorkFolder);
        REC(ShowImageDetails); REC(SaveStateAndQuit); REC(StartScan); REC(SelectScanSource);
        REC(CopyImageToClipboard); REC(MinimiseWindow); REC(PasteFromClipboard);
        REC(TrimToSelection); REC(ShowMarkerToolBar); REC(HideImagingToolBar);
        REC(SetImageResolution); REC(ShrinkToSelection); REC(RotateFlip); REC(RotateByBaseLine);
        REC(JoinAcrossSelection); REC(ConvertColourDepth); REC(RefreshView); REC(RegisterRange);
        REC(ClearSelection); REC(EmphasiseSelection); REC(ApplyRegisteredSize); REC(mnZoom_Click);
        REC(SetScaleDisplay); REC(RefreshWorkFolder); REC(ShowHelp);
#undef REC
        router.ClipboardHasImage = [this] { return clipboardHasImage; };
        router.popUp = [this](QMenu* menu, const QPoint&) { poppedUp << menu; };
    }

    // Fills the slot with a recorder: "Name" or "Name(arg,arg)". RotateByBaseLine answers
    // baseLineConfirmed.
    template <typename R, typename... A>
    void record(std::function<R(A...)>& slot, const char* name)
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

    QStringList take() { return std::exchange(log, {}); }

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

TEST_F(CommandRouterTest, EveryMenuItemReachesItsOperation)
{
    doc.SetDocState(2);  // everything enabled
    const std::tuple<MenuGroup*, int, QStringList> cases[] = {
        {&menus.mnFile, 0, {"OpenImageFile"}},     {&menus.mnFile, 1, {"SaveImage(false)"}},
        {&menus.mnFile, 2, {"SaveImage(true)"}},   {&menus.mnFile, 4, {"PrintImage(0)"}},
        {&menus.mnFile, 5, {"PrintImage(1)"}},     {&menus.mnFile, 7, {"SaveToWorkFolder"}},
        {&menus.mnFile, 8, {"ExploreWorkFolder"}}, {&menus.mnFile, 9, {"OpenWorkFolderInEditor"}},
        {&menus.mnFile, 11, {"EmptyWorkFolder"}},  {&menus.mnFile, 13, {"ShowImageDetails"}},
        {&menus.mnFile, 15, {"SaveStateAndQuit"}}, {&menus.mnScan, 0, {"StartScan"}},
        {&menus.mnScan, 3, {"SelectScanSource"}},  {&menus.mnClp, 0, {"CopyImageToClipboard"}},
        {&menus.mnClp, 1, {"CopyImageToClipboard", "MinimiseWindow"}},
        {&menus.mnClp, 3, {"PasteFromClipboard"}}, {&menus.mnEdt, 1, {"TrimToSelection"}},
        {&menus.mnEdt, 12, {"SetImageResolution"}},
        {&menus.mnResize, 0, {"ShrinkToSelection(0)"}},
        {&menus.mnResize, 1, {"ShrinkToSelection(1)"}},
        {&menus.mnResize, 3, {"ShrinkToSelection(2)"}},
        {&menus.mnCut, 0, {"JoinAcrossSelection(0)"}}, {&menus.mnCut, 1, {"JoinAcrossSelection(1)"}},
        {&menus.mnRng, 1, {"RegisterRange"}},      {&menus.mnRng, 2, {"ClearSelection(false)"}},
        {&menus.mnRng, 4, {"EmphasiseSelection(0)"}}, {&menus.mnRng, 5, {"EmphasiseSelection(1)"}},
        {&menus.mnUsHn, 0, {"ApplyRegisteredSize(0)"}}, {&menus.mnZoom, 0, {"mnZoom_Click(0)"}},
        {&menus.mnZoom, 11, {"mnZoom_Click(11)"}}, {&menus.mnDisp, 0, {"SetScaleDisplay(false)"}},
        {&menus.mnDisp, 3, {"RefreshWorkFolder"}}, {&menus.mnRotate, 8, {"RotateByBaseLine"}},
    };
    for (const auto& [group, index, expected] : cases) {
        group->item(index)->trigger();
        EXPECT_EQ(take(), expected) << group->name().toStdString() << " " << index;
    }
    const int codes[] = {4, 40, 8, 80, 16, 24, 32};  // "色数" by item
    for (int i = 1; i <= 7; ++i) {
        menus.mnColr.item(i)->trigger();
        EXPECT_EQ(take(), (QStringList{QStringLiteral("ConvertColourDepth(%1,false)").arg(codes[i - 1]),
                                       "RefreshView"}));
    }
    for (int i : {0, 1, 3, 4, 5, 6}) {  // the turns go by their captions
        menus.mnRotate.item(i)->trigger();
        EXPECT_EQ(take(), QStringList{"RotateFlip(" + menus.mnRotate.caption(i) + ")"});
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
TEST_F(CommandRouterTest, ToolButtonsActAsTheirMenuItemsOnlyWhileTheseAreEnabled)
{
    // Button, operation, acts without an image. The join items stay enabled under their disabled
    // parent, so those buttons reach the join, which finds no selection by itself.
    const std::tuple<int, const char*, bool> buttons[] = {
        {0, "OpenImageFile", true},           {1, "SaveImage(false)", false},
        {2, "SaveToWorkFolder", false},       {3, "ExploreWorkFolder", true},
        {4, nullptr, false},                  {5, "StartScan", true},
        {6, "CopyImageToClipboard", false},   {7, "TrimToSelection", false},
        {8, "JoinAcrossSelection(0)", true},  {9, "JoinAcrossSelection(1)", true},
        {10, nullptr, false}};
    for (int docState : {2, 0}) {
        doc.SetDocState(docState);
        for (const auto& [button, op, withoutImage] : buttons) {
            router.imBtn_Click(button);
            const bool acts = op && (docState == 2 || withoutImage);
            EXPECT_EQ(take(), acts ? QStringList{QString::fromLatin1(op)} : QStringList())
                << button << " at " << docState;
        }
        EXPECT_EQ(doc.state(), docState);
    }
    // A disabled item does nothing even when its handler is called directly.
    router.mnFile_Click(1);
    router.mnEdt_Click(1);
    router.mnClp_Click(0);
    EXPECT_TRUE(take().isEmpty());
    EXPECT_EQ(doc.state(), 0);
}

TEST_F(CommandRouterTest, EditCommandsMarkTheDocumentChanged)
{
    // Opening "ｽﾞｰﾑ" is its click, and marks changed even without an image.
    doc.SetDocState(0);
    menus.mnEdt.item(10)->menu()->popup(QPoint(0, 0));
    menus.mnEdt.item(10)->menu()->hide();
    EXPECT_EQ(doc.state(), 2);
    EXPECT_TRUE(menus.mnFile.isEnabled(1));  // "上書き保存(&S)"
    EXPECT_TRUE(menus.mnClp.isEnabled(0));

    for (int index : {0, 1, 2, 4, 5, 7, 8, 10, 12}) {
        doc.SetDocState(1);
        router.mnEdt_Click(index);
        EXPECT_EQ(doc.state(), 2) << index;
        EXPECT_TRUE(menus.mnFile.isEnabled(1)) << index;
    }

    // Rotations set the state field only; the flags are not recomputed.
    doc.SetDocState(1);
    router.mnRotate_Click(3);
    EXPECT_EQ(doc.state(), 2);
    EXPECT_FALSE(menus.mnFile.isEnabled(1));
    doc.SetDocState(1);
    router.mnRotate_Click(8);  // the base-line dialog cancelled
    EXPECT_EQ(doc.state(), 1);
    baseLineConfirmed = true;
    router.mnRotate_Click(8);
    EXPECT_EQ(doc.state(), 2);
}

TEST_F(CommandRouterTest, MarkerToolBarItemTogglesByItsMark)
{
    doc.SetDocState(1);
    router.mnEdt_Click(8);
    EXPECT_EQ(take(), QStringList{"ShowMarkerToolBar(true)"});
    menus.mnEdt.setChecked(8, true);
    router.mnEdt_Click(8);
    EXPECT_EQ(take(), (QStringList{"HideImagingToolBar", "ShowMarkerToolBar(false)"}));

    router.ikImg_ToolBarVisibleChanged(true);
    EXPECT_TRUE(take().isEmpty());
    router.ikImg_ToolBarVisibleChanged(false);
    EXPECT_EQ(take(), QStringList{"ShowMarkerToolBar(false)"});
}

TEST_F(CommandRouterTest, PasteFlagFollowsTheClipboardWhenAMenuOpens)
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

TEST_F(CommandRouterTest, PopUpsOpenTheFileAndEditMenus)
{
    router.File1_ContextMenu(QPoint(5, 5));
    router.ikImg_ImageMouseUp(1, 0, 5, 5);  // left
    router.ikImg_ImageMouseUp(4, 0, 5, 5);  // middle
    router.ikImg_ImageMouseUp(2, 0, 5, 5);  // right
    EXPECT_EQ(poppedUp, (QList<QMenu*>{menus.topMenu(0), menus.topMenu(2)}));
}

TEST(CommandRouterEmptySlots, CommandsWithoutTheirOperationAreInert)
{
    // A command whose operation is not filled in does nothing (and never calls an empty slot),
    // whatever the document state.
    QMenuBar bar;
    MenuTree menus{&bar};
    DocumentState doc{menus};
    MainWindowState state;
    MainWindowOperations none;
    bool minimised = false;
    none.MinimiseWindow = [&] { minimised = true; };  // the window's own part of a command
    CommandRouter router(menus, doc, state, none);
    for (int docState : {0, 2}) {
        doc.SetDocState(docState);
        for (MenuGroup* g : menus.groups()) {
            for (int i : g->indexes())
                g->item(i)->menu() ? emit g->clicked(i) : g->item(i)->trigger();
        }
        for (int b = 0; b < 10; ++b)
            router.imBtn_Click(b);
    }
    EXPECT_FALSE(minimised);  // "ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ・最小化" does not minimise without its copy
    EXPECT_EQ(state.iPrnMd, 2);  // the last "ｽｷｬﾝ後印刷" item triggered
}

}  // namespace
}  // namespace tavlo
