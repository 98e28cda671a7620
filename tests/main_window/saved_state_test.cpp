#include "environment/cp932.h"
#include "environment/number_text.h"
#include "environment/settings_store.h"
#include "main_window/clickable_picture.h"
#include "main_window/document_state.h"
#include "main_window/menu_tree.h"
#include "main_window/tool_strip.h"
#include "main_window/twips_scale.h"
#include "main_window/window_placement.h"

#include "tests/main_window/main_window_fixture.h"
#include "tests/support/qt_printers.h"
#include "tests/support/user_close.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

namespace tavlo::test {
namespace {

// The stored place 100, 60, 600 x 400 pixels (in twips at 96 dots per inch), actual-size display,
// a prefix, TIFF, "ｸﾞﾚｰ(8bit)" after scanning and two registered sizes.
const QList<QPair<QString, QString>> StoredForm = {
    {"Left", "1500"}, {"Top", "900"}, {"Width", "9000"}, {"Height", "6000"}};
const QList<QPair<QString, QString>> StoredUser = {
    {"ｽｹｰﾙ表示", "実寸"}, {"保存ﾌｧｲﾙ", "scan-007"}, {"保存形式", "TIF"}, {"ｽｷｬﾝ後減色", "4"},
    {"PC_RNG", "A4,21,29.7,cm:Card,85,54,px"}};

TEST_F(MainWindowTest, FirstRunOpensAtTenAndSeventyPercentOfTheScreenAndQuitWritesTheDefaults)
{
    auto w = start();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const TwipsScale s = TwipsScale::of(QGuiApplication::primaryScreen());
    const auto px = [&](double twips) { return s.toPixels(roundHalfEven(twips)); };
    EXPECT_EQ(w->geometry(), QRect(px(s.toTwips(screen.width()) * 0.1),
                                   px(s.toTwips(screen.height()) * 0.1),
                                   px(s.toTwips(screen.width()) * 0.7),
                                   px(s.toTwips(screen.height()) * 0.7)));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Tavlo"));
    EXPECT_EQ(w->state().nDspMd, 1);
    EXPECT_TRUE(w->strip().chDsp()->isChecked());
    EXPECT_TRUE(w->menus().mnDisp.isChecked(0));
    EXPECT_FALSE(w->strip().imZoom()->isVisibleTo(w.get()));
    EXPECT_EQ(w->strip().cbKak()->currentIndex(), 0);
    EXPECT_EQ(w->document().state(), 0);
    EXPECT_EQ(w->state().sWrkFld, workFolder());
    EXPECT_TRUE(QFileInfo(workFolder()).isDir());
    EXPECT_TRUE(QFileInfo(userXml()).isFile());  // created empty while loading
    EXPECT_TRUE(prompt.shown.isEmpty()) << prompt.messages().join("|").toStdString();

    // The defaults go out as they came in.
    const QRect g = w->geometry();
    const auto twips = [&](int pixels) { return QString::number(s.toTwips(pixels)); };
    w->menus().mnFile.item(15)->trigger();  // 終了(&X)
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(readUserXml(), Cp932::encode(settingsText(
                                 {{"Left", twips(g.x())}, {"Top", twips(g.y())},
                                  {"Width", twips(g.width())}, {"Height", twips(g.height())}},
                                 {{"ｽｹｰﾙ表示", "ｽｹｰﾙ"}, {"保存ﾌｧｲﾙ", ""}, {"保存形式", "BMP"},
                                  {"ｽｷｬﾝ後減色", "0"}, {"PC_RNG", ""}})));
}

TEST_F(MainWindowTest, EverySavedValueComesBackAndGoesOutUnchanged)
{
    const QString text = settingsText(StoredForm, StoredUser);
    writeUserXml(text);
    auto w = start();
    EXPECT_EQ(w->geometry(), QRect(100, 60, 600, 400));
    EXPECT_EQ(w->state().nDspMd, 3);
    EXPECT_FALSE(w->strip().chDsp()->isChecked());
    EXPECT_FALSE(w->menus().mnDisp.isChecked(0));
    EXPECT_TRUE(w->strip().imZoom()->isVisibleTo(w.get()));
    EXPECT_EQ(w->strip().txPfx()->text(), QStringLiteral("scan-007"));
    EXPECT_EQ(w->strip().cbKak()->currentIndex(), 1);
    EXPECT_FALSE(w->state().bSvBmp);
    EXPECT_EQ(w->state().iGenClr, 4);
    for (int i = 0; i <= 5; ++i)
        EXPECT_EQ(w->menus().mnGen.isChecked(i), i == 4);
    EXPECT_EQ(w->state().sRangeList, QStringLiteral("A4,21,29.7,cm:Card,85,54,px"));

    w->menus().mnFile.item(15)->trigger();
    EXPECT_EQ(readUserXml(), Cp932::encode(text));
}

TEST_F(MainWindowTest, ChangesMadeWhileRunningAreRestoredAtTheNextStart)
{
    writeUserXml(settingsText(StoredForm, StoredUser));
    {
        auto w = start();
        w->setGeometry(120, 80, 500, 300);
        w->strip().txPfx()->setText(QStringLiteral("abc-002"));
        w->strip().cbKak()->setCurrentIndex(0);
        w->menus().mnGen.item(2)->trigger();
        w->menus().mnPrn.item(1)->trigger();
        w->strip().chDsp()->click();  // scaled display on
        w->menus().mnFile.item(15)->trigger();
    }
    releaseSettingsStore();
    auto again = start();
    EXPECT_EQ(again->geometry(), QRect(120, 80, 500, 300));
    EXPECT_EQ(again->strip().txPfx()->text(), QStringLiteral("abc-002"));
    EXPECT_TRUE(again->state().bSvBmp);
    EXPECT_EQ(again->state().iGenClr, 2);
    EXPECT_EQ(again->state().nDspMd, 1);
    // The after-scan print choice is never kept.
    EXPECT_EQ(again->state().iPrnMd, 0);
    EXPECT_TRUE(again->menus().mnPrn.isChecked(0));
}

TEST_F(MainWindowTest, StoredValuesAreComparedExactly)
{
    writeUserXml(settingsText(StoredForm, {{"ｽｹｰﾙ表示", "ｽｹｰﾙ "},
                                           {"保存形式", "bmp"},
                                           {"ｽｷｬﾝ後減色", "99999"}}));
    auto w = start();
    EXPECT_EQ(w->state().nDspMd, 3);  // a trailing blank is another word
    EXPECT_FALSE(w->state().bSvBmp);  // "bmp" is not "BMP": TIFF
    EXPECT_EQ(w->strip().cbKak()->currentIndex(), 1);
    // A number no menu item has checks none and does not fail the start.
    EXPECT_EQ(w->state().iGenClr, 32767);
    for (int i = 0; i <= 5; ++i)
        EXPECT_FALSE(w->menus().mnGen.isChecked(i));
}

TEST_F(MainWindowTest, AZeroSizeIsCentredAndAPlaceOffEveryScreenIsBroughtBack)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    writeUserXml(settingsText({{"Left", "1500"}, {"Top", "900"}, {"Width", "0"}, {"Height", "6000"}},
                              {}));
    EXPECT_EQ(start()->geometry(),
              QRect((screen.width() - 640) / 2, (screen.height() - 480) / 2, 640, 480));

    writeUserXml(settingsText(
        {{"Left", "-480000"}, {"Top", "-480000"}, {"Width", "9000"}, {"Height", "6000"}}, {}));
    releaseSettingsStore();
    EXPECT_EQ(start()->geometry(), QRect(screen.width() / 10, screen.height() / 10, 600, 400));
}

TEST(WindowPlacement, KeepsAVisiblePlaceAndMovesALostOne)
{
    const QRect primary(0, 0, 1000, 800);
    const QList<QRect> screens = {primary, QRect(1000, 0, 1000, 800)};
    const auto place = [&](QRect saved, QSize present = {}) {
        return WindowPlacement::place(saved, present, screens, primary);
    };
    // Partly visible, or on the second screen: kept.
    EXPECT_EQ(place(QRect(-50, -20, 300, 200)), QRect(-50, -20, 300, 200));
    EXPECT_EQ(place(QRect(1500, 100, 300, 200)), QRect(1500, 100, 300, 200));
    // Saved on a third screen that is gone: back on the primary one, cut to fit.
    EXPECT_EQ(place(QRect(2500, 100, 300, 200)), QRect(100, 80, 300, 200));
    EXPECT_EQ(place(QRect(-32000, -32000, 5000, 5000)), QRect(100, 80, 900, 720));
    // No usable size: the present size, centred.
    EXPECT_EQ(place(QRect(10, 10, 0, 50), QSize(400, 300)), QRect(300, 250, 400, 300));
}

TEST_F(MainWindowTest, OnlyTheUsersQuitOrCloseSavesAndOnlyOnce)
{
    auto w = start();
    w->show();
    w->close();  // the program closes it
    EXPECT_FALSE(w->closeRequested(fmMain::CloseReason::Session));
    EXPECT_EQ(ended, 0);
    EXPECT_TRUE(readUserXml().isEmpty());

    w->show();
    closeThroughTheFrame(*w);  // the close box
    EXPECT_EQ(ended, 1);
    ASSERT_FALSE(readUserXml().isEmpty());

    // The program closing its windows afterwards, the user's close arriving late or a quit from
    // the menu do not save again.
    writeFile(userXml(), "changed since");
    processValues().ending = true;
    w->close();
    closeThroughTheFrame(*w);
    w->menus().mnFile.item(15)->trigger();
    EXPECT_EQ(readUserXml(), QByteArray("changed since"));
    EXPECT_EQ(ended, 1);
}

}  // namespace
}  // namespace tavlo::test
