#include "environment/settings_store.h"
#include "imaging/imaging_control.h"
#include "main_window/menu_items.h"
#include "main_window/menu_tree.h"
#include "main_window/registered_sizes.h"

#include "tests/main_window/image_commands_fixture.h"
#include "tests/support/test_images.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace tavlo::test {
namespace {

using RegisteredSizesTest = ImageCommandsTest;

// The captions of the visible registered-size items, in order.
QStringList shownItems(MenuTree& menus)
{
    QStringList captions;
    for (int i : menus.mnUsHn.indexes()) {
        if (menus.mnUsHn.item(i)->isVisible())
            captions << menus.mnUsHn.item(i)->text();
    }
    return captions;
}

QRect selectionOf(ImagingControl& c)
{
    return QRect(QPoint(c.SelLeft(), c.SelTop()), QPoint(c.SelRight(), c.SelBottom()));
}

TEST(RangeCaption, ShortestNumbersAndTheUnitInLowerCase)
{
    const std::pair<const char*, const char*> cases[] = {
        {"A4,21.0,29.70,cm", "A4(21 * 29.7 cm)"},
        {"x,08,1,Px", "x(8 * 1 px)"},
        {"n,1,2,CM,extra", "n(1 * 2 cm)"},
        {"n,1,2,inch", "n(1 * 2 px)"},
        {"n,1,2", ""},
        {",1,2,px", ""},
        {"z,0,2,px", ""},
        {"z,2,abc,px", ""},
        {"", ""},
    };
    for (const auto& [entry, caption] : cases)
        EXPECT_EQ(RegisteredSizes::FormatRangeCaption(QString::fromUtf8(entry)),
                  QString::fromUtf8(caption))
            << entry;
}

// Only readable entries become items and stay in the list; items beyond them are removed and the
// separator shows only with items.
TEST_F(RegisteredSizesTest, MenuFollowsTheReadableEntries)
{
    MenuTree& menus = w->menus();
    w->operations().BuildRangeMenu(QStringLiteral("A,10,20,px::B,0,5,px:C,1,1,cm:"));
    EXPECT_EQ(shownItems(menus), (QStringList{"A(10 * 20 px)", "C(1 * 1 cm)"}));
    EXPECT_EQ(w->state().sRangeList, QStringLiteral("A,10,20,px:C,1,1,cm"));
    EXPECT_TRUE(menus.mnRng.item(0)->isVisible());

    w->operations().BuildRangeMenu(QStringLiteral("D,1,2,px"));
    EXPECT_EQ(shownItems(menus), QStringList{"D(1 * 2 px)"});
    EXPECT_EQ(menus.mnUsHn.count(), 1);

    w->operations().BuildRangeMenu(QString());
    EXPECT_EQ(shownItems(menus), QStringList());
    EXPECT_EQ(menus.mnUsHn.count(), 1);  // item 0 always exists
    EXPECT_FALSE(menus.mnRng.item(0)->isVisible());
    EXPECT_EQ(w->state().sRangeList, QString());
}

// Applying an entry selects from (1, 1), cut at the image's edges. Pixels stay pixels whatever the
// image's resolution (which is kept); centimetres convert with the image's own resolution across
// and down; only an image without one is given 96 dots per inch. "CM" in capitals counts as pixels.
TEST_F(RegisteredSizesTest, ApplyingAnEntrySelectsItsSizeInTheImagesPixels)
{
    struct Case {
        const char* entry;
        QSize image;
        QSize dpi;
        QRect selection;
        QSize dpiAfter;
    };
    const Case cases[] = {
        {"s,10,20,px", {5, 5}, {72, 72}, QRect(QPoint(1, 1), QPoint(5, 5)), {72, 72}},
        {"s,3,4,CM", {100, 100}, {300, 300}, QRect(QPoint(1, 1), QPoint(4, 5)), {300, 300}},
        {"A4,21,29.7,cm",
         {3000, 4000},
         {300, 300},
         QRect(QPoint(1, 1), QPoint(2481, 3509)),
         {300, 300}},
        {"c,2.54,2.54,cm",
         {500, 500},
         {200, 400},
         QRect(QPoint(1, 1), QPoint(201, 401)),
         {200, 400}},
        {"c,2.54,2.54,cm", {500, 500}, {0, 0}, QRect(QPoint(1, 1), QPoint(97, 97)), {96, 96}},
    };
    for (const Case& c : cases) {
        Image image = sampleImage(ColourCode::Rgb24, c.image.width(), c.image.height());
        image.setDpi(c.dpi.width(), c.dpi.height());
        show(image);
        w->operations().BuildRangeMenu(QString::fromUtf8(c.entry));
        w->menus().mnUsHn.item(0)->trigger();
        EXPECT_EQ(selectionOf(w->ikImg()), c.selection) << c.entry;
        EXPECT_EQ(dpiOf(shown()), c.dpiAfter) << c.entry;
    }
}

// "範囲の登録" opens the dialog on the selection's size only when there is a selection; a list
// that comes back changed rebuilds the menu.
TEST_F(RegisteredSizesTest, RegisteringOpensTheDialogOnTheSelection)
{
    show(sampleImage(ColourCode::Rgb24, 120, 80));
    bool opened = false;
    auto answer = [&opened] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!d)
            return;
        opened = true;
        EXPECT_EQ(d->findChild<QLineEdit*>("txSizeX0")->text(), "40");
        EXPECT_EQ(d->findChild<QLineEdit*>("txSizeY0")->text(), "20");
        d->findChild<QLineEdit*>("txCap")->setText("Label");
        d->findChild<QPushButton*>("cmLst4")->click();
        d->findChild<QPushButton*>("cmClose")->click();
    };
    QTimer::singleShot(0, answer);
    w->menus().mnRng.item(RngItem::Register)->trigger();
    EXPECT_FALSE(opened);  // no selection yet

    select(10, 10, 50, 30);
    QTimer::singleShot(0, answer);
    w->menus().mnRng.item(RngItem::Register)->trigger();
    EXPECT_TRUE(opened);
    EXPECT_EQ(w->state().sRangeList, QStringLiteral("Label,40,20,px:Temporary,40,20,px"));
    EXPECT_EQ(shownItems(w->menus()), (QStringList{"Label(40 * 20 px)", "Temporary(40 * 20 px)"}));
}

// The list goes into "PC_RNG" at quit and comes back as the menu at the next start.
TEST_F(RegisteredSizesTest, ListIsKeptBetweenRuns)
{
    w->operations().BuildRangeMenu(QStringLiteral("Card,8.5,5.4,cm::bad:Photo,640,480,px"));
    w->menus().mnFile.item(FileItem::Quit)->trigger();
    w.reset();
    releaseSettingsStore();
    w = start();
    EXPECT_EQ(w->state().sRangeList, QStringLiteral("Card,8.5,5.4,cm:Photo,640,480,px"));
    EXPECT_EQ(shownItems(w->menus()), (QStringList{"Card(8.5 * 5.4 cm)", "Photo(640 * 480 px)"}));
}

}  // namespace
}  // namespace tavlo::test
