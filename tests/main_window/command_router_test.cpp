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

namespace tavlo {
namespace {

// A router over the real menu tree whose every operation only writes its name and arguments into
// a log, so a test sees exactly what a command reached.
class CommandRouterTest : public ::testing::Test {
protected:
    CommandRouterTest()
    {
        auto rec = [this](const char* name) {
            return [this, name] { log << QString::fromLatin1(name); };
        };
        auto recInt = [this](const char* name) {
            return [this, name](int v) {
                log << QStringLiteral("%1(%2)").arg(QString::fromLatin1(name)).arg(v);
            };
        };
        auto recBool = [this](const char* name) {
            return [this, name](bool v) {
                log << QStringLiteral("%1(%2)").arg(QString::fromLatin1(name),
                                                     QString::fromLatin1(v ? "true" : "false"));
            };
        };
        ops.OpenImageFile = rec("OpenImageFile");
        ops.SaveImage = recBool("SaveImage");
        ops.PrintImage = recInt("PrintImage");
        ops.SaveToWorkFolder = rec("SaveToWorkFolder");
        ops.ExploreWorkFolder = rec("ExploreWorkFolder");
        ops.OpenWorkFolderInEditor = rec("OpenWorkFolderInEditor");
        ops.EmptyWorkFolder = rec("EmptyWorkFolder");
        ops.ShowImageDetails = rec("ShowImageDetails");
        ops.SaveStateAndQuit = rec("SaveStateAndQuit");
        ops.StartScan = rec("StartScan");
        ops.SelectScanSource = rec("SelectScanSource");
        ops.CopyImageToClipboard = rec("CopyImageToClipboard");
        ops.MinimiseWindow = rec("MinimiseWindow");
        ops.PasteFromClipboard = rec("PasteFromClipboard");
        ops.TrimToSelection = rec("TrimToSelection");
        ops.ShowMarkerToolBar = recBool("ShowMarkerToolBar");
        ops.HideImagingToolBar = rec("HideImagingToolBar");
        ops.SetImageResolution = rec("SetImageResolution");
        ops.ShrinkToSelection = recInt("ShrinkToSelection");
        ops.RotateFlip = [this](const QString& c) { log << QStringLiteral("RotateFlip(%1)").arg(c); };
        ops.RotateByBaseLine = [this] {
            log << QStringLiteral("RotateByBaseLine");
            return baseLineConfirmed;
        };
        ops.JoinAcrossSelection = recInt("JoinAcrossSelection");
        ops.ConvertColourDepth = [this](int code, bool quiet) {
            log << QStringLiteral("ConvertColourDepth(%1,%2)").arg(code).arg(quiet);
        };
        ops.RefreshView = rec("RefreshView");
        ops.RegisterRange = rec("RegisterRange");
        ops.ClearSelection = recBool("ClearSelection");
        ops.EmphasiseSelection = recInt("EmphasiseSelection");
        ops.ApplyRegisteredSize = recInt("ApplyRegisteredSize");
        ops.mnZoom_Click = recInt("mnZoom_Click");
        ops.SetScaleDisplay = recBool("SetScaleDisplay");
        ops.RefreshWorkFolder = rec("RefreshWorkFolder");
        ops.ShowHelp = [this](const QString& page) { log << QStringLiteral("ShowHelp(%1)").arg(page); };
        router.ClipboardHasImage = [this] { return clipboardHasImage; };
        router.popUp = [this](QMenu* menu, const QPoint&) { poppedUp << menu; };
    }

    QStringList take()
    {
        QStringList out = log;
        log.clear();
        return out;
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

TEST_F(CommandRouterTest, EveryMenuItemReachesItsOperation)
{
    doc.SetDocState(2);  // everything enabled
    struct Case {
        MenuGroup* group;
        int index;
        QStringList expected;
    };
    const QList<Case> cases = {
        {&menus.mnFile, 0, {"OpenImageFile"}},
        {&menus.mnFile, 1, {"SaveImage(false)"}},
        {&menus.mnFile, 2, {"SaveImage(true)"}},
        {&menus.mnFile, 4, {"PrintImage(0)"}},
        {&menus.mnFile, 5, {"PrintImage(1)"}},
        {&menus.mnFile, 7, {"SaveToWorkFolder"}},
        {&menus.mnFile, 8, {"ExploreWorkFolder"}},
        {&menus.mnFile, 9, {"OpenWorkFolderInEditor"}},
        {&menus.mnFile, 11, {"EmptyWorkFolder"}},
        {&menus.mnFile, 13, {"ShowImageDetails"}},
        {&menus.mnFile, 15, {"SaveStateAndQuit"}},
        {&menus.mnScan, 0, {"StartScan"}},
        {&menus.mnScan, 3, {"SelectScanSource"}},
        {&menus.mnClp, 0, {"CopyImageToClipboard"}},
        {&menus.mnClp, 1, {"CopyImageToClipboard", "MinimiseWindow"}},
        {&menus.mnClp, 3, {"PasteFromClipboard"}},
        {&menus.mnEdt, 1, {"TrimToSelection"}},
        {&menus.mnEdt, 12, {"SetImageResolution"}},
        {&menus.mnResize, 0, {"ShrinkToSelection(0)"}},
        {&menus.mnResize, 1, {"ShrinkToSelection(1)"}},
        {&menus.mnResize, 3, {"ShrinkToSelection(2)"}},
        {&menus.mnCut, 0, {"JoinAcrossSelection(0)"}},
        {&menus.mnCut, 1, {"JoinAcrossSelection(1)"}},
        {&menus.mnColr, 1, {"ConvertColourDepth(4,0)", "RefreshView"}},
        {&menus.mnColr, 2, {"ConvertColourDepth(40,0)", "RefreshView"}},
        {&menus.mnColr, 3, {"ConvertColourDepth(8,0)", "RefreshView"}},
        {&menus.mnColr, 4, {"ConvertColourDepth(80,0)", "RefreshView"}},
        {&menus.mnColr, 5, {"ConvertColourDepth(16,0)", "RefreshView"}},
        {&menus.mnColr, 6, {"ConvertColourDepth(24,0)", "RefreshView"}},
        {&menus.mnColr, 7, {"ConvertColourDepth(32,0)", "RefreshView"}},
        {&menus.mnRng, 1, {"RegisterRange"}},
        {&menus.mnRng, 2, {"ClearSelection(false)"}},
        {&menus.mnRng, 4, {"EmphasiseSelection(0)"}},
        {&menus.mnRng, 5, {"EmphasiseSelection(1)"}},
        {&menus.mnUsHn, 0, {"ApplyRegisteredSize(0)"}},
        {&menus.mnZoom, 0, {"mnZoom_Click(0)"}},
        {&menus.mnZoom, 11, {"mnZoom_Click(11)"}},
        {&menus.mnDisp, 0, {"SetScaleDisplay(false)"}},
        {&menus.mnDisp, 3, {"RefreshWorkFolder"}},
        {&menus.mnRotate, 0, {"RotateFlip(左右反転)"}},
        {&menus.mnRotate, 1, {"RotateFlip(上下反転)"}},
        {&menus.mnRotate, 3, {"RotateFlip(右90度)"}},
        {&menus.mnRotate, 4, {"RotateFlip(右180度)"}},
        {&menus.mnRotate, 5, {"RotateFlip(左90度)"}},
        {&menus.mnRotate, 6, {"RotateFlip(左180度)"}},
        {&menus.mnRotate, 8, {"RotateByBaseLine"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.group->name().toStdString() + " " + std::to_string(c.index));
        c.group->item(c.index)->trigger();
        EXPECT_EQ(take(), c.expected);
    }
}

TEST_F(CommandRouterTest, ColourChoiceAfterScanOnlyRecordsTheIndex)
{
    menus.mnGen.item(3)->trigger();  // "256色(8bit)" in "ｽｷｬﾝ後減色(&C)"
    EXPECT_EQ(state.iGenClr, 3);
    EXPECT_TRUE(take().isEmpty());
    for (int i = 0; i <= 5; ++i)
        EXPECT_EQ(menus.mnGen.isChecked(i), i == 3);

    menus.mnPrn.item(2)->trigger();
    EXPECT_EQ(state.iPrnMd, 2);
    for (int i = 0; i <= 2; ++i)
        EXPECT_EQ(menus.mnPrn.isChecked(i), i == 2);
}

TEST_F(CommandRouterTest, DisabledItemsAndInertToolButtonsWithoutAnImage)
{
    doc.SetDocState(0);
    for (int button : {1, 2, 6, 7}) {
        router.imBtn_Click(button);
        EXPECT_TRUE(take().isEmpty()) << button;
    }
    router.imBtn_Click(0);
    EXPECT_EQ(take(), QStringList{"OpenImageFile"});
    router.imBtn_Click(3);
    EXPECT_EQ(take(), QStringList{"ExploreWorkFolder"});
    router.imBtn_Click(5);
    EXPECT_EQ(take(), QStringList{"StartScan"});
    // The join items stay enabled under their disabled parent, so the buttons reach the join,
    // which finds no selection by itself.
    router.imBtn_Click(8);
    EXPECT_EQ(take(), QStringList{"JoinAcrossSelection(0)"});
    router.imBtn_Click(9);
    EXPECT_EQ(take(), QStringList{"JoinAcrossSelection(1)"});
    router.imBtn_Click(4);
    router.imBtn_Click(10);
    EXPECT_TRUE(take().isEmpty());
    EXPECT_EQ(doc.state(), 0);

    // A disabled item does nothing even when its handler is called directly.
    router.mnFile_Click(1);
    router.mnEdt_Click(1);
    router.mnClp_Click(0);
    EXPECT_TRUE(take().isEmpty());
    EXPECT_EQ(doc.state(), 0);
}

TEST_F(CommandRouterTest, ToolButtonsActAsTheirMenuItemsWithAnImage)
{
    doc.SetDocState(2);
    const QList<QPair<int, QString>> cases = {
        {0, "OpenImageFile"},    {1, "SaveImage(false)"},     {2, "SaveToWorkFolder"},
        {3, "ExploreWorkFolder"}, {5, "StartScan"},           {6, "CopyImageToClipboard"},
        {7, "TrimToSelection"},  {8, "JoinAcrossSelection(0)"}, {9, "JoinAcrossSelection(1)"}};
    for (const auto& [button, expected] : cases) {
        router.imBtn_Click(button);
        EXPECT_EQ(take(), QStringList{expected}) << button;
    }
}

TEST_F(CommandRouterTest, OpeningTheZoomSubmenuMarksTheDocumentChanged)
{
    doc.SetDocState(0);
    menus.mnEdt.item(10)->menu()->popup(QPoint(0, 0));  // opening "ｽﾞｰﾑ" is its click
    menus.mnEdt.item(10)->menu()->hide();
    EXPECT_EQ(doc.state(), 2);
    EXPECT_TRUE(menus.mnFile.isEnabled(1));  // "上書き保存(&S)"
    EXPECT_TRUE(menus.mnEdt.isEnabled(1));
    EXPECT_TRUE(menus.mnClp.isEnabled(0));
}

TEST_F(CommandRouterTest, EveryEnabledEditItemMarksTheDocumentChanged)
{
    for (int index : {0, 1, 2, 4, 5, 7, 8, 10, 12}) {
        doc.SetDocState(1);
        router.mnEdt_Click(index);
        EXPECT_EQ(doc.state(), 2) << index;
        EXPECT_TRUE(menus.mnFile.isEnabled(1)) << index;
    }
}

TEST_F(CommandRouterTest, RotationsSetTheStateFieldOnly)
{
    doc.SetDocState(1);
    router.mnRotate_Click(3);
    EXPECT_EQ(doc.state(), 2);
    EXPECT_FALSE(menus.mnFile.isEnabled(1));  // flags not recomputed

    doc.SetDocState(1);
    baseLineConfirmed = false;
    router.mnRotate_Click(8);
    EXPECT_EQ(doc.state(), 1);  // dialog cancelled
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
    // Before any menu has been opened, paste is enabled.
    EXPECT_TRUE(menus.mnClp.isEnabled(3));

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
    // A command whose operation has not been built yet does nothing (and never calls an empty
    // slot), whatever the document state.
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
            for (int i : g->indexes()) {
                QAction* item = g->item(i);
                if (item->menu())
                    EXPECT_NO_THROW(emit g->clicked(i));  // opening a submenu
                else
                    EXPECT_NO_THROW(item->trigger());
            }
        }
        for (int b = 0; b < 10; ++b)
            EXPECT_NO_THROW(router.imBtn_Click(b));
    }
    EXPECT_FALSE(minimised);  // "ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ・最小化" does not minimise without its copy
    EXPECT_EQ(state.iGenClr, 5);  // the last "ｽｷｬﾝ後減色(&C)" item triggered
    EXPECT_EQ(state.iPrnMd, 2);
}

}  // namespace
}  // namespace tavlo
