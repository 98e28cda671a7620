#include "dialogs/resolution_dialog.h"

#include "tests/support/modal_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <ostream>

namespace tavlo {
namespace {

struct Outcome {
    int x, y;
    bool ok;
    bool operator==(const Outcome&) const = default;
};
void PrintTo(const Outcome& o, std::ostream* os)
{
    *os << o.x << " x " << o.y << (o.ok ? " OK" : " cancelled");
}

// Runs Act while `user` works the open dialog (see whenModalOpens).
Outcome runAct(int x, int y, int width, int height, const std::function<void(QDialog&)>& user)
{
    const auto reached = test::whenModalOpens<ResolutionDialog>(user);
    Outcome out{x, y, true};
    ResolutionDialog::Act(out.x, out.y, width, height, out.ok);
    EXPECT_TRUE(*reached);
    return out;
}

template <typename T = QLineEdit> T* child(QDialog& d, const char* name)
{
    return d.findChild<T*>(QString::fromLatin1(name));
}

QStringList row(QDialog& d, const char* prefix)
{
    QStringList texts;
    for (char i : {'0', '1', '2'})
        texts << child<QLabel>(d, (QByteArray(prefix) + i).constData())->text();
    return texts;
}

// Types into a field as a person does: the old text is replaced. Then presses key, if any.
void type(QDialog& d, const char* name, const QString& typed, Qt::Key key = Qt::Key_Return)
{
    QLineEdit* f = child(d, name);
    f->setFocus(Qt::OtherFocusReason);
    f->selectAll();
    QTest::keyClicks(f, typed);
    if (key != Qt::Key_unknown)
        QTest::keyClick(f, key);
}

void click(QDialog& d, const char* name)
{
    QTest::mouseClick(d.findChild<QAbstractButton*>(QString::fromLatin1(name)), Qt::LeftButton);
}

bool red(QDialog& d, const char* name)
{
    return child(d, name)->palette().color(QPalette::Text) == QColor(255, 0, 0);
}

TEST(ResolutionDialog, OpensWithTheValuesAndTheSizeTableInOneDecimal)
{
    runAct(72, 72, 720, 360, [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("解像度の設定"));
        EXPECT_EQ(child(d, "txYoko")->text(), QStringLiteral("72"));
        EXPECT_EQ(row(d, "lbYoko"), QStringList({"720", "10.0", "25.4"}));
        EXPECT_EQ(row(d, "lbTate"), QStringList({"360", "5.0", "12.7"}));
        EXPECT_EQ(row(d, "lbPrn"), QStringList({"", "", ""}));
        EXPECT_TRUE(child<QCheckBox>(d, "chXY")->isChecked());
        EXPECT_EQ(child<QToolButton>(d, "ssCom")->toolTip(),
                  QStringLiteral("解像度を元の値に戻します"));
    });
    // The heights by the vertical resolution; 0.3 inch has no digit before the point, 100000 is
    // not grouped (the rounding itself is one_decimal_text_test's).
    runAct(300, 1, 90, 100000, [](QDialog& d) {
        EXPECT_EQ(row(d, "lbYoko"), QStringList({"90", ".3", ".8"}));
        EXPECT_EQ(row(d, "lbTate"), QStringList({"100000", "100000.0", "254000.0"}));
    });
}

// Enter, cursor down and Tab finish an entry: with the check box the other field follows, the
// rows are recalculated and OK takes the focus, so a second Enter is OK.
TEST(ResolutionDialog, FinishingAnEntrySetsBothFieldsWithTheCheckBoxAndMovesToOk)
{
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Down, Qt::Key_Tab}) {
        const Outcome out = runAct(72, 72, 720, 360, [key](QDialog& d) {
            type(d, "txYoko", QStringLiteral("300"), Qt::Key_End);
            EXPECT_EQ(row(d, "lbYoko")[1], QStringLiteral("10.0")) << "only typed, not finished";
            QTest::keyClick(child(d, "txYoko"), key);
            EXPECT_TRUE(d.isVisible());  // it does not close the dialog
            EXPECT_EQ(child(d, "txTate")->text(), QStringLiteral("300"));
            EXPECT_EQ(row(d, "lbYoko"), QStringList({"720", "2.4", "6.1"}));
            EXPECT_EQ(row(d, "lbTate"), QStringList({"360", "1.2", "3.0"}));
            EXPECT_TRUE(child<QPushButton>(d, "cmOK0")->hasFocus());
            QTest::keyClick(child<QPushButton>(d, "cmOK0"), Qt::Key_Return);
        });
        EXPECT_EQ(out, (Outcome{300, 300, true})) << key;
    }

    // Without the check box only the edited row changes.
    const Outcome out = runAct(72, 72, 720, 360, [](QDialog& d) {
        child<QCheckBox>(d, "chXY")->setChecked(false);
        type(d, "txTate", QStringLiteral("144"));
        EXPECT_EQ(child(d, "txYoko")->text(), QStringLiteral("72"));
        EXPECT_EQ(row(d, "lbYoko"), QStringList({"720", "10.0", "25.4"}));
        EXPECT_EQ(row(d, "lbTate"), QStringList({"360", "2.5", "6.4"}));  // 6.35 rounds up
        click(d, "cmOK0");
    });
    EXPECT_EQ(out, (Outcome{72, 144, true}));
}

TEST(ResolutionDialog, TypedNumbersRoundHalvesToEvenAndNoNumberReadsAsZero)
{
    // 72.5 is 72: unchanged, so OK counts as Cancel.
    EXPECT_EQ(runAct(72, 72, 720, 360,
                     [](QDialog& d) {
                         type(d, "txYoko", QStringLiteral("72.5"));
                         click(d, "cmOK0");
                     }),
              (Outcome{72, 72, false}));
    EXPECT_EQ(runAct(72, 72, 720, 360,
                     [](QDialog& d) {
                         type(d, "txYoko", QStringLiteral("73.5dpi"));
                         EXPECT_EQ(row(d, "lbYoko")[1], QStringLiteral("9.7"));  // 720 / 74
                         click(d, "cmOK0");
                     }),
              (Outcome{74, 74, true}));
    EXPECT_EQ(runAct(72, 72, 720, 360,
                     [](QDialog& d) {
                         type(d, "txYoko", QStringLiteral("abc"));  // 0: the rows keep their sizes
                         EXPECT_EQ(row(d, "lbYoko"), QStringList({"720", "10.0", "25.4"}));
                         EXPECT_FALSE(red(d, "txYoko"));
                         click(d, "cmOK0");
                     }),
              (Outcome{0, 0, true}));
}

TEST(ResolutionDialog, CancelEscapeRestoreAndTheCloseBoxHandNothingBack)
{
    for (const char* ending : {"cmOK1", "Escape", "ssCom"}) {
        const Outcome out = runAct(300, 150, 600, 300, [ending](QDialog& d) {
            type(d, "txYoko", QStringLiteral("99999999999"));
            type(d, "txTate", QStringLiteral("7"), Qt::Key_unknown);  // half-typed
            if (QByteArray(ending) == "Escape")
                QTest::keyClick(&d, Qt::Key_Escape);
            else
                click(d, ending);
            if (QByteArray(ending) != "ssCom")
                return;
            EXPECT_EQ(child(d, "txYoko")->text(), QStringLiteral("300"));
            EXPECT_EQ(child(d, "txTate")->text(), QStringLiteral("150"));
            EXPECT_FALSE(red(d, "txYoko"));
            EXPECT_EQ(row(d, "lbYoko"), QStringList({"600", "2.0", "5.1"}));
            EXPECT_EQ(row(d, "lbTate"), QStringList({"300", "2.0", "5.1"}));
            click(d, "cmOK0");
        });
        EXPECT_EQ(out, (Outcome{300, 150, false})) << ending;
    }

    // The close box is Cancel, also after an earlier dialog was accepted.
    ASSERT_EQ(runAct(72, 72, 720, 360,
                     [](QDialog& d) {
                         type(d, "txYoko", QStringLiteral("300"));
                         click(d, "cmOK0");
                     }),
              (Outcome{300, 300, true}));
    EXPECT_EQ(runAct(72, 72, 720, 360,
                     [](QDialog& d) {
                         type(d, "txYoko", QStringLiteral("600"));
                         d.close();
                     }),
              (Outcome{72, 72, false}));
}

}  // namespace
}  // namespace tavlo
