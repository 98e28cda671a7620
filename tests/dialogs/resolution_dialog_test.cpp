#include "dialogs/printer_resolution_source.h"
#include "dialogs/qt_printer_resolution_source.h"
#include "dialogs/resolution_dialog.h"

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

namespace tavlo {
namespace {

struct Outcome {
    int x = 0;
    int y = 0;
    bool ok = false;
};

ResolutionDialog* openDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<ResolutionDialog*>(w); dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

// Runs Act and lets `user` work the open dialog. A dialog the user left open is closed through
// its frame afterwards, so a failing test never waits for a person.
Outcome runAct(int x, int y, int width, int height, const std::function<void(QDialog&)>& user,
               QWidget* mainWindow = nullptr)
{
    bool reached = false;
    QTimer::singleShot(0, [&] {
        ResolutionDialog* dialog = openDialog();
        if (!dialog)
            return;
        reached = true;
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
        user(*dialog);
        if (dialog->isVisible())
            dialog->close();
    });
    Outcome outcome{x, y, true};
    ResolutionDialog::Act(outcome.x, outcome.y, width, height, outcome.ok, mainWindow);
    EXPECT_TRUE(reached);
    return outcome;
}

QLineEdit* field(QDialog& d, const char* name)
{
    return d.findChild<QLineEdit*>(QString::fromLatin1(name));
}

QString text(QDialog& d, const char* name)
{
    if (auto* label = d.findChild<QLabel*>(QString::fromLatin1(name)))
        return label->text();
    return field(d, name)->text();
}

QStringList row(QDialog& d, const char* prefix)
{
    QStringList texts;
    for (int i = 0; i < 3; ++i)
        texts << text(d, (QByteArray(prefix) + char('0' + i)).constData());
    return texts;
}

QPushButton* button(QDialog& d, const char* name)
{
    return d.findChild<QPushButton*>(QString::fromLatin1(name));
}

// Types into a field as a person does after clicking into it: the old text is replaced.
void typeInto(QDialog& d, const char* name, const QString& typed)
{
    QLineEdit* f = field(d, name);
    f->setFocus(Qt::OtherFocusReason);
    f->selectAll();
    QTest::keyClicks(f, typed);
}

void typeAndPress(QDialog& d, const char* name, const QString& typed, Qt::Key key = Qt::Key_Return)
{
    typeInto(d, name, typed);
    QTest::keyClick(field(d, name), key);
}

void clickOk(QDialog& d)
{
    QTest::mouseClick(button(d, "cmOK0"), Qt::LeftButton);
}

bool shownRed(QDialog& d, const char* name)
{
    return field(d, name)->palette().color(QPalette::Text) == QColor(255, 0, 0);
}

class AnsweringPrinterSource : public PrinterResolutionSource {
public:
    AnsweringPrinterSource() { setPrinterResolutionSource(this); }
    ~AnsweringPrinterSource() override { setPrinterResolutionSource(nullptr); }
    std::optional<PrinterResolution> choosePrinter(QWidget*) override
    {
        ++calls;
        return answer;
    }
    std::optional<PrinterResolution> answer;
    int calls = 0;
};

TEST(ResolutionDialog, OpensWithTheValuesTextsAndSizeTable)
{
    runAct(72, 72, 720, 360, [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("解像度の設定"));
        EXPECT_EQ(text(d, "txYoko"), QStringLiteral("72"));
        EXPECT_EQ(text(d, "txTate"), QStringLiteral("72"));
        EXPECT_EQ(row(d, "lbYoko"), QStringList({"720", "10.0", "25.4"}));
        EXPECT_EQ(row(d, "lbTate"), QStringList({"360", "5.0", "12.7"}));
        EXPECT_EQ(row(d, "lbPrn"), QStringList({"", "", ""}));
        auto* same = d.findChild<QCheckBox*>(QStringLiteral("chXY"));
        EXPECT_TRUE(same->isChecked());
        EXPECT_EQ(same->text(), QStringLiteral("縦･横の解像度は同一"));
        EXPECT_EQ(button(d, "cmOK0")->text(), QStringLiteral("&OK"));
        EXPECT_EQ(button(d, "cmOK1")->text(), QStringLiteral("&Cancel"));
        EXPECT_EQ(button(d, "cmPrn")->text(), QStringLiteral(".."));
        EXPECT_EQ(d.findChild<QToolButton*>(QStringLiteral("ssCom"))->toolTip(),
                  QStringLiteral("解像度を元の値に戻します"));
        QStringList fixed;
        for (QLabel* label : d.findChildren<QLabel*>())
            fixed << label->text();
        for (const char* expected :
             {"解像度", "画像ｻｲｽﾞ(ﾋﾟｸｾﾙ)", "印刷ｻｲｽﾞ(ｲﾝﾁ)", "印刷ｻｲｽﾞ(cm)", "横方向", "縦方向",
              "解像度(横)", "解像度(縦)", "GIF形式で保存する場合は､設定値は無効です"})
            EXPECT_TRUE(fixed.contains(QString::fromUtf8(expected))) << expected;
    });
}

TEST(ResolutionDialog, SizeTableWritesOneDecimalWithoutLeadingZeroOrGrouping)
{
    // 90 px at 300 dpi is 0.3 inch; 2550 px is 8.5 inches; 100000 px at 1 dpi needs no grouping.
    runAct(300, 1, 90, 100000, [](QDialog& d) {
        EXPECT_EQ(row(d, "lbYoko"), QStringList({"90", ".3", ".8"}));
        EXPECT_EQ(row(d, "lbTate"), QStringList({"100000", "100000.0", "254000.0"}));
    });
    runAct(300, 400, 2550, 100, [](QDialog& d) {
        EXPECT_EQ(row(d, "lbYoko"), QStringList({"2550", "8.5", "21.6"}));
        EXPECT_EQ(row(d, "lbTate"), QStringList({"100", ".3", ".6"}));  // 0.25 in, 0.635 cm
    });
}

TEST(ResolutionDialog, EnterWithTheCheckBoxSetsBothFieldsAndMovesToOk)
{
    const Outcome out = runAct(72, 72, 720, 360, [](QDialog& d) {
        typeAndPress(d, "txYoko", QStringLiteral("300"));
        EXPECT_TRUE(d.isVisible());  // Enter finishes the entry, it does not close the dialog
        EXPECT_EQ(text(d, "txTate"), QStringLiteral("300"));
        EXPECT_EQ(row(d, "lbYoko"), QStringList({"720", "2.4", "6.1"}));
        EXPECT_EQ(row(d, "lbTate"), QStringList({"360", "1.2", "3.0"}));
        EXPECT_TRUE(button(d, "cmOK0")->hasFocus());
        QTest::keyClick(button(d, "cmOK0"), Qt::Key_Return);  // a second Enter confirms
    });
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(out.x, 300);
    EXPECT_EQ(out.y, 300);
}

TEST(ResolutionDialog, WithoutTheCheckBoxOnlyTheEditedRowChanges)
{
    const Outcome out = runAct(72, 72, 720, 360, [](QDialog& d) {
        d.findChild<QCheckBox*>(QStringLiteral("chXY"))->setChecked(false);
        typeAndPress(d, "txTate", QStringLiteral("144"));
        EXPECT_EQ(text(d, "txYoko"), QStringLiteral("72"));
        EXPECT_EQ(row(d, "lbYoko"), QStringList({"720", "10.0", "25.4"}));
        EXPECT_EQ(row(d, "lbTate"), QStringList({"360", "2.5", "6.4"}));
        clickOk(d);
    });
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(out.x, 72);
    EXPECT_EQ(out.y, 144);
}

TEST(ResolutionDialog, CursorDownAndTabFinishTheEntryLikeEnterOtherKeysDoNot)
{
    for (Qt::Key key : {Qt::Key_Enter, Qt::Key_Down, Qt::Key_Tab}) {
        runAct(72, 72, 720, 360, [key](QDialog& d) {
            typeInto(d, "txTate", QStringLiteral("36"));
            QTest::keyClick(field(d, "txTate"), Qt::Key_End);
            EXPECT_EQ(row(d, "lbTate")[1], QStringLiteral("5.0")) << "only typed, not finished";
            QTest::keyClick(field(d, "txTate"), key);
            EXPECT_EQ(text(d, "txYoko"), QStringLiteral("36")) << key;
            EXPECT_EQ(row(d, "lbYoko")[1], QStringLiteral("20.0")) << key;
            EXPECT_TRUE(button(d, "cmOK0")->hasFocus()) << key;
        });
    }
}

TEST(ResolutionDialog, LeavingAFieldRecalculatesAndAValueTypedThenConfirmedCounts)
{
    const Outcome out = runAct(72, 72, 720, 360, [](QDialog& d) {
        d.findChild<QCheckBox*>(QStringLiteral("chXY"))->setChecked(false);
        typeInto(d, "txYoko", QStringLiteral("96"));
        clickOk(d);  // no Enter: leaving the field for OK recalculates first
    });
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(out.x, 96);
    EXPECT_EQ(out.y, 72);
}

TEST(ResolutionDialog, LeavingAnEditedFieldCopiesItPassingThroughAnUntouchedOneDoesNot)
{
    const Outcome out = runAct(300, 150, 600, 300, [](QDialog& d) {
        QTest::mouseClick(field(d, "txTate"), Qt::LeftButton);  // focus leaves untouched txYoko
        EXPECT_TRUE(field(d, "txTate")->hasFocus());
        EXPECT_EQ(text(d, "txTate"), QStringLiteral("150"));
        // The click's own cursor placement comes first; the whole text is selected after it.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return field(d, "txTate")->selectedText() == QStringLiteral("150"); }));
        QTest::keyClicks(field(d, "txTate"), QStringLiteral("1500"));
        QTest::mouseClick(field(d, "txYoko"), Qt::LeftButton);
        EXPECT_EQ(text(d, "txYoko"), QStringLiteral("1500"));
        EXPECT_EQ(row(d, "lbYoko")[1], QStringLiteral(".4"));
        clickOk(d);
    });
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(out.x, 1500);
    EXPECT_EQ(out.y, 1500);
}

TEST(ResolutionDialog, TypedNumbersRoundHalvesToEven)
{
    // 72.5 reads as 72: nothing changed, so OK counts as Cancel.
    Outcome out = runAct(72, 72, 720, 360, [](QDialog& d) {
        typeAndPress(d, "txYoko", QStringLiteral("72.5"));
        clickOk(d);
    });
    EXPECT_FALSE(out.ok);
    out = runAct(72, 72, 720, 360, [](QDialog& d) {
        typeAndPress(d, "txYoko", QStringLiteral("73.5dpi"));
        EXPECT_EQ(row(d, "lbYoko")[1], QStringLiteral("9.7"));  // 720 / 74
        clickOk(d);
    });
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(out.x, 74);
    EXPECT_EQ(out.y, 74);
}

TEST(ResolutionDialog, ZeroOrNoNumberKeepsTheRowAndIsHandedBack)
{
    const Outcome out = runAct(72, 72, 720, 360, [](QDialog& d) {
        typeAndPress(d, "txYoko", QStringLiteral("abc"));
        EXPECT_EQ(row(d, "lbYoko"), QStringList({"720", "10.0", "25.4"}));
        EXPECT_EQ(row(d, "lbTate"), QStringList({"360", "5.0", "12.7"}));
        EXPECT_FALSE(shownRed(d, "txYoko"));
        clickOk(d);
    });
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(out.x, 0);
    EXPECT_EQ(out.y, 0);
}

TEST(ResolutionDialog, AValueBeyondThe32BitRangeIsRefusedAndTheLastValidOneKept)
{
    const Outcome out = runAct(72, 72, 720, 360, [](QDialog& d) {
        d.findChild<QCheckBox*>(QStringLiteral("chXY"))->setChecked(false);
        typeAndPress(d, "txYoko", QStringLiteral("150"));
        typeAndPress(d, "txYoko", QStringLiteral("99999999999999999999"));
        EXPECT_TRUE(shownRed(d, "txYoko"));
        EXPECT_EQ(row(d, "lbYoko")[1], QStringLiteral("4.8"));  // still 720 / 150
        typeAndPress(d, "txTate", QStringLiteral("2147483648"));
        EXPECT_TRUE(shownRed(d, "txTate"));
        typeAndPress(d, "txTate", QStringLiteral("-2147483648.5"));  // rounds to the even -2^31
        EXPECT_FALSE(shownRed(d, "txTate"));
        clickOk(d);
    });
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(out.x, 150);
    EXPECT_EQ(out.y, -2147483647 - 1);

    const Outcome largest = runAct(72, 72, 1, 1, [](QDialog& d) {
        typeAndPress(d, "txYoko", QStringLiteral("2147483647"));
        EXPECT_FALSE(shownRed(d, "txYoko"));
        EXPECT_EQ(row(d, "lbYoko")[1], QStringLiteral(".0"));
        clickOk(d);
    });
    EXPECT_TRUE(largest.ok);
    EXPECT_EQ(largest.x, 2147483647);
}

TEST(ResolutionDialog, RefusedValuesAloneMakeOkACancel)
{
    const Outcome out = runAct(200, 100, 720, 360, [](QDialog& d) {
        typeAndPress(d, "txYoko", QString(30, u'9'));
        EXPECT_TRUE(shownRed(d, "txYoko"));
        EXPECT_TRUE(shownRed(d, "txTate"));  // the check box copied the text
        clickOk(d);
    });
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.x, 200);
    EXPECT_EQ(out.y, 100);
}

TEST(ResolutionDialog, OkWithUnchangedValuesCancelAndEscapeHandNothingBack)
{
    Outcome out = runAct(300, 150, 720, 360, [](QDialog& d) { clickOk(d); });
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.x, 300);
    EXPECT_EQ(out.y, 150);
    out = runAct(72, 72, 720, 360, [](QDialog& d) {
        typeAndPress(d, "txYoko", QStringLiteral("300"));
        QTest::mouseClick(button(d, "cmOK1"), Qt::LeftButton);
    });
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.x, 72);
    out = runAct(72, 72, 720, 360, [](QDialog& d) {
        typeAndPress(d, "txYoko", QStringLiteral("300"));
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.x, 72);
}

TEST(ResolutionDialog, RestoreBringsBackTheInitialValuesAndTable)
{
    const Outcome out = runAct(300, 150, 600, 300, [](QDialog& d) {
        typeAndPress(d, "txYoko", QStringLiteral("99999999999"));
        typeInto(d, "txTate", QStringLiteral("7"));  // half-typed, not finished
        QTest::mouseClick(d.findChild<QToolButton*>(QStringLiteral("ssCom")), Qt::LeftButton);
        EXPECT_EQ(text(d, "txYoko"), QStringLiteral("300"));
        EXPECT_EQ(text(d, "txTate"), QStringLiteral("150"));
        EXPECT_FALSE(shownRed(d, "txYoko"));
        EXPECT_EQ(row(d, "lbYoko"), QStringList({"600", "2.0", "5.1"}));
        EXPECT_EQ(row(d, "lbTate"), QStringList({"300", "2.0", "5.1"}));
        clickOk(d);
    });
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.x, 300);
    EXPECT_EQ(out.y, 150);
}

TEST(ResolutionDialog, CloseBoxIsCancelAlsoAfterAnEarlierAcceptedOk)
{
    const Outcome first = runAct(72, 72, 720, 360, [](QDialog& d) {
        typeAndPress(d, "txYoko", QStringLiteral("300"));
        clickOk(d);
    });
    ASSERT_TRUE(first.ok);
    const Outcome second = runAct(72, 72, 720, 360, [](QDialog& d) {
        typeAndPress(d, "txYoko", QStringLiteral("600"));
        d.close();  // the window frame's close box
    });
    EXPECT_FALSE(second.ok);
    EXPECT_EQ(second.x, 72);
    EXPECT_EQ(second.y, 72);
}

TEST(ResolutionDialog, FieldsSelectTheirWholeTextOnFocus)
{
    runAct(72, 96, 720, 360, [](QDialog& d) {
        button(d, "cmOK0")->setFocus(Qt::OtherFocusReason);
        field(d, "txTate")->setFocus(Qt::OtherFocusReason);
        EXPECT_EQ(field(d, "txTate")->selectedText(), QStringLiteral("96"));
    });
}

TEST(ResolutionDialog, PrinterReferenceShowsTheChosenPrinterAndChangesNothingElse)
{
    AnsweringPrinterSource printers;
    const Outcome out = runAct(72, 72, 720, 360, [&](QDialog& d) {
        QTest::mouseClick(button(d, "cmPrn"), Qt::LeftButton);  // cancelled: nothing shown
        EXPECT_EQ(row(d, "lbPrn"), QStringList({"", "", ""}));
        printers.answer = PrinterResolution{QStringLiteral("Office Laser"), 600, 1200};
        QTest::mouseClick(button(d, "cmPrn"), Qt::LeftButton);
        EXPECT_EQ(row(d, "lbPrn"), QStringList({"Office Laser", "600", "1200"}));
        EXPECT_EQ(text(d, "txYoko"), QStringLiteral("72"));
        clickOk(d);
    });
    EXPECT_EQ(printers.calls, 2);
    EXPECT_FALSE(out.ok);
}

TEST(ResolutionDialog, IsCentredOverTheMainWindow)
{
    QWidget mainWindow;
    mainWindow.setGeometry(100, 80, 1000, 700);
    mainWindow.show();
    runAct(72, 72, 720, 360, [&](QDialog& d) {
        const QRect main = mainWindow.frameGeometry();
        EXPECT_NEAR(d.frameGeometry().center().x(), main.center().x(), 2);
        EXPECT_NEAR(d.frameGeometry().center().y(), main.center().y(), 2);
    }, &mainWindow);
}

// The real print-setup dialog, answered by the test: Cancel gives nothing, OK names the chosen
// printer (Qt's PDF writer where no print system runs) with a resolution.
TEST(QtPrinterResolutionSource, CancelGivesNothingAndOkGivesTheChosenPrinter)
{
    QtPrinterResolutionSource source;
    QString title;
    auto answer = [&title](bool ok) {
        QTimer::singleShot(0, [&title, ok] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            title = dialog->windowTitle();
            ok ? dialog->accept() : dialog->reject();
            if (dialog->isVisible())
                dialog->reject();
        });
    };
    answer(false);
    EXPECT_FALSE(source.choosePrinter(nullptr).has_value());
    EXPECT_EQ(title, QtPrinterResolutionSource::dialogTitle());
    answer(true);
    const std::optional<PrinterResolution> chosen = source.choosePrinter(nullptr);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_FALSE(chosen->name.isEmpty());
    EXPECT_GT(chosen->horizontal, 0);
    EXPECT_GT(chosen->vertical, 0);
}

}  // namespace
}  // namespace tavlo
