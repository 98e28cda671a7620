#include "dialogs/size_registration_dialog.h"

#include "tests/support/modal_dialog.h"
#include "tests/support/recording_desktop.h"
#include "tests/support/recording_prompt.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace tavlo {
namespace {

using Dialog = SizeRegistrationDialog;

// Runs Act on list while `user` works the open dialog (see whenModalOpens).
QString run(const QString& list, const std::function<void(QDialog&)>& user, int width = 640,
            int height = 480)
{
    const auto reached = test::whenModalOpens<Dialog>(user);
    QString out = list;
    Dialog::Act(out, width, height);
    EXPECT_TRUE(*reached);
    return out;
}

template <typename T = QLineEdit> T* child(QDialog& d, const QString& name)
{
    T* found = d.findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
}

QStringList lines(QDialog& d)
{
    QStringList texts;
    auto* list = child<QListWidget>(d, "lsHani");
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

// The enabled flags of up, down, delete, modify and add as one text, "10110".
QString buttons(QDialog& d)
{
    QString flags;
    for (int i = 0; i < 5; ++i)
        flags += child<QPushButton>(d, QStringLiteral("cmLst%1").arg(i))->isEnabled() ? u'1' : u'0';
    return flags;
}

void press(QDialog& d, int index)
{
    child<QPushButton>(d, QStringLiteral("cmLst%1").arg(index))->click();
}

void pick(QDialog& d, int row)
{
    auto* list = child<QListWidget>(d, "lsHani");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

void type(QDialog& d, const QString& name, const QString& text, Qt::Key key = Qt::Key_Return)
{
    QLineEdit* field = child(d, name);
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    QTest::keyClicks(field, text);
    if (key != Qt::Key_unknown)
        QTest::keyClick(field, key);
}

bool red(QLineEdit* field)
{
    return field->palette().color(QPalette::Text) == QColor(Qt::red);
}

QString text(QDialog& d, const char* name)
{
    return child(d, QString::fromLatin1(name))->text();
}

// Opening puts Temporary with the selection's size in front unless the list holds one; the first
// line is loaded fresh: modify on, add off.
TEST(SizeDialog, OpensWithTemporaryFirst)
{
    EXPECT_EQ(run(QString(),
                  [](QDialog& d) {
                      EXPECT_EQ(lines(d), QStringList{"Temporary(640*480 px)"});
                      EXPECT_EQ(text(d, "txCap"), "Temporary");
                      EXPECT_EQ(child<QLabel>(d, "lbCap")->text(), "640 x 480px");
                      EXPECT_EQ(buttons(d), "00110");
                      EXPECT_TRUE(child<QRadioButton>(d, "opSize0")->isChecked());
                  }),
              "Temporary,640,480,px");

    // An old Temporary anywhere keeps the list as it was; modify then writes the selection's
    // size over the first entry under the name Temporary.
    const QString old = QStringLiteral("A4 50%,10.5,14.85,cm:Temporary,5,5,px");
    EXPECT_EQ(
        run(old,
            [](QDialog& d) {
                EXPECT_EQ(lines(d), (QStringList{"A4 50%(10.5*14.85 cm)", "Temporary(5*5 px)"}));
                EXPECT_EQ(buttons(d), "01110");
            }),
        old);
    EXPECT_EQ(run(old, [](QDialog& d) { press(d, 3); }), "Temporary,640,480,px:Temporary,5,5,px");
}

// Empty segments and entries of fewer than four fields are left out when the list is taken over,
// so each line stands for the entry at its position.
TEST(SizeDialog, TakesOverOnlyReadableEntries)
{
    EXPECT_EQ(run(":A,1,2,px::B,3:C,4,5,CM:",
                  [](QDialog& d) {
                      EXPECT_EQ(lines(d),
                                (QStringList{"Temporary(640*480 px)", "A(1*2 px)", "C(4*5 cm)"}));
                      pick(d, 2);
                      EXPECT_EQ(text(d, "txCap"), "C");
                      EXPECT_TRUE(child<QRadioButton>(d, "opSize1")->isChecked());
                      EXPECT_EQ(text(d, "txSizeX1"), "4");
                      EXPECT_EQ(child<QLabel>(d, "lbCap")->text(), "4 x 5cm");
                      EXPECT_EQ(buttons(d), "10100");
                  }),
              "Temporary,640,480,px:A,1,2,px:C,4,5,CM");
}

// The five list operations, each followed by every button off until a line is chosen again.
TEST(SizeDialog, ListOperations)
{
    const QString start = QStringLiteral("Temporary,1,1,px:A,1,2,px:B,3,4,cm");
    struct Step {
        int line;      // the line clicked first (-1: none)
        QString name;  // typed into the name field (null: left as it is)
        int button;
        QString list;  // the list after the operation
        int selected;
    };
    const Step steps[] = {
        {1, {}, 0, "A,1,2,px:Temporary,1,1,px:B,3,4,cm", 0},
        {1, {}, 1, "Temporary,1,1,px:B,3,4,cm:A,1,2,px", 2},
        {2, {}, 2, "Temporary,1,1,px:A,1,2,px", -1},
        {1, "D", 3, "Temporary,1,1,px:D,1,2,px:B,3,4,cm", 1},
        {2, "E", 4, "Temporary,1,1,px:A,1,2,px:E,3,4,cm:B,3,4,cm", 2},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(run(start,
                      [&](QDialog& d) {
                          pick(d, step.line);
                          if (!step.name.isNull())
                              type(d, "txCap", step.name, Qt::Key_unknown);
                          press(d, step.button);
                          EXPECT_EQ(buttons(d), "00000") << step.button;
                          EXPECT_EQ(child<QListWidget>(d, "lsHani")->currentRow(), step.selected)
                              << step.button;
                      }),
                  step.list)
            << step.button;
    }

    // Add with nothing selected puts the entry first; deleting the only entry empties the list.
    EXPECT_EQ(run(start,
                  [](QDialog& d) {
                      press(d, 2);  // Temporary, the fresh first line
                      type(d, "txCap", "F", Qt::Key_unknown);
                      press(d, 4);
                  }),
              "F,640,480,px:A,1,2,px:B,3,4,cm");
    EXPECT_EQ(run("Temporary,3,3,px", [](QDialog& d) { press(d, 2); }), QString());
}

// A registered name in any letter case cannot be added again; a name or size holding "," or ":"
// cannot enter the list at all.
TEST(SizeDialog, NamesAreCheckedBeforeTheyEnterTheList)
{
    run("Temporary,1,1,px:Card,5.5,9.1,cm", [](QDialog& d) {
        QLineEdit* name = child(d, "txCap");
        type(d, "txCap", "CARD", Qt::Key_unknown);
        EXPECT_EQ(buttons(d).mid(3), "10");
        type(d, "txCap", "Cards", Qt::Key_unknown);
        EXPECT_EQ(buttons(d).mid(3), "11");
        type(d, "txCap", "a,b", Qt::Key_unknown);
        EXPECT_EQ(buttons(d).mid(3), "00");
        EXPECT_TRUE(red(name));
        type(d, "txCap", "ok", Qt::Key_unknown);
        EXPECT_FALSE(red(name));
        type(d, "txSizeX0", "1:2");
        EXPECT_EQ(buttons(d).mid(3), "00");
        EXPECT_TRUE(red(child(d, "txSizeX0")));
        type(d, "txSizeX0", "12");
        EXPECT_EQ(buttons(d).mid(3), "11");
    });
}

// Presets: a percentage in 0 < p <= 100 scales the chosen line, others turn the field red and
// change nothing; the swap exchanges width and height; sizes stay fractional.
TEST(SizeDialog, PresetsWithPercentageAndSwap)
{
    int screenWidth = 0, screenHeight = 0;
    Dialog::ScrnSz(screenWidth, screenHeight);
    EXPECT_EQ(Dialog::screenPresetLine(1920, 1040), "ｽｸﾘｰﾝ 1,920 * 1,040");
    run(QString(), [&](QDialog& d) {
        auto* presets = child<QListWidget>(d, "lsSize0");
        ASSERT_EQ(presets->count(), 7);
        EXPECT_EQ(presets->item(6)->text(), Dialog::screenPresetLine(screenWidth, screenHeight));
        type(d, "txPsnt0", "50");
        presets->setCurrentRow(6);
        EXPECT_EQ(text(d, "txCap"), "ｽｸﾘｰﾝ 50%");
        EXPECT_EQ(text(d, "txSizeX0"), QString::number(screenWidth / 2.0));
        EXPECT_EQ(text(d, "txSizeY0"), QString::number(screenHeight / 2.0));
        child<QCheckBox>(d, "chXY0")->click();
        EXPECT_EQ(text(d, "txSizeX0"), QString::number(screenHeight / 2.0));
        EXPECT_EQ(text(d, "txSizeY0"), QString::number(screenWidth / 2.0));
        child<QCheckBox>(d, "chXY0")->click();

        type(d, "txPsnt0", "33");
        presets->setCurrentRow(1);
        EXPECT_EQ(child<QLabel>(d, "lbCap")->text(), "211.2 x 158.4 px");
        for (const char* bad : {"0", "", "150", "100.5", "-5"}) {
            type(d, "txPsnt0", QString::fromLatin1(bad));
            EXPECT_TRUE(red(child(d, "txPsnt0"))) << bad;
            EXPECT_EQ(text(d, "txSizeX0"), "211.2") << bad;
        }
        type(d, "txPsnt0", "100");
        EXPECT_FALSE(red(child(d, "txPsnt0")));
        EXPECT_EQ(text(d, "txSizeX0"), "640");

        type(d, "txPsnt1", "50");
        child<QListWidget>(d, "lsSize1")->setCurrentRow(0);
        EXPECT_TRUE(child<QRadioButton>(d, "opSize1")->isChecked());
        EXPECT_EQ(child<QLabel>(d, "lbCap")->text(), "10.5 x 14.85 cm");
        press(d, 4);
        EXPECT_EQ(lines(d).first(), "A4 50%(10.5*14.85 cm)");
    });
}

// A typed size shows in the caption only on Enter, Tab or leaving the field.
TEST(SizeDialog, TypedSizeShowsOnEnterOrLeaving)
{
    run(QString(), [](QDialog& d) {
        auto* caption = child<QLabel>(d, "lbCap");
        type(d, "txSizeX0", "123", Qt::Key_unknown);
        EXPECT_EQ(caption->text(), "640 x 480px");
        QTest::keyClick(child(d, "txSizeX0"), Qt::Key_Return);
        EXPECT_EQ(caption->text(), "123 x 480 px");
        type(d, "txSizeY0", "77", Qt::Key_unknown);
        child(d, "txCap")->setFocus(Qt::OtherFocusReason);
        EXPECT_EQ(caption->text(), "123 x 77 px");
    });
}

// The calculator: the first one found on PATH is started; with none a message says what to
// install.
TEST(SizeDialog, CalculatorFromPath)
{
    test::RecordingDesktop desktop;
    test::RecordingPrompt prompt;
    QTemporaryDir bin;
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8());
    for (const char* name : {"xcalc", "mate-calc"}) {
        QFile tool(bin.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
        tool.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    }
    run(QString(), [](QDialog& d) { child<QAbstractButton>(d, "ssCom")->click(); });
    ASSERT_EQ(desktop.started.size(), 1);
    EXPECT_EQ(desktop.started[0].program, bin.filePath("mate-calc"));

    qputenv("PATH", QTemporaryDir().path().toUtf8());
    run(QString(), [](QDialog& d) { child<QAbstractButton>(d, "ssCom")->click(); });
    qputenv("PATH", oldPath);
    EXPECT_EQ(desktop.started.size(), 1);
    ASSERT_EQ(prompt.messages().size(), 1);
    EXPECT_TRUE(prompt.messages()[0].contains("電卓")) << prompt.messages()[0].toStdString();
}

}  // namespace
}  // namespace tavlo
