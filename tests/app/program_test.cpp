#include "app/program.h"
#include "app/main_window_factory.h"
#include "environment/file_system.h"
#include "environment/process_values.h"
#include "environment/settings_store.h"
#include "main_window/main_window.h"
#include "main_window/menu_tree.h"
#include "tests/support/recording_prompt.h"
#include "tests/support/user_close.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QStandardPaths>
#include <QTimer>

namespace tavlo {
namespace {

// Runs the event loop until something ends it; 99 when nothing did within 20 s.
int runEventLoop(const std::function<void()>& first)
{
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(20000);
    QTimer::singleShot(0, first);
    return QApplication::exec();
}

void deleteClosedWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class Program : public ::testing::Test {
protected:
    void SetUp() override
    {
        processValues().ending = false;
        processValues().programFolderPath.clear();
    }
    void TearDown() override
    {
        for (QWidget* window : QApplication::topLevelWidgets())
            window->close();
        deleteClosedWindows();
        processValues().ending = false;
    }
    test::RecordingPrompt prompt;
};

TEST(ProgramName, ATrailingDvInAnyCaseIsRemoved)
{
    EXPECT_EQ(programNameFromExecutable(QStringLiteral("/opt/Hollin/tavlo_DV")), "tavlo");
    EXPECT_EQ(programNameFromExecutable(QStringLiteral("tavlo_dv_Dv")), "tavlo_dv");
    EXPECT_EQ(programNameFromExecutable(QStringLiteral("/opt/tavlo_dvx")), "tavlo_dvx");
    EXPECT_EQ(programNameFromExecutable(QStringLiteral("/opt/tavlo_d")), "tavlo_d");
    EXPECT_EQ(programNameFromExecutable(QStringLiteral("/opt/_DV")), "");
}

TEST_F(Program, EndClosesEveryWindowInOrderReleasesTheServicesAndEndsTheLoop)
{
    // Records its name, marked when the process was ending, as it closes.
    struct Recorded : QWidget {
        Recorded(QStringList& log, const char* name) : log(log), name(name) { }
        void closeEvent(QCloseEvent*) override
        {
            log.append(name + (processValues().ending ? " ending" : ""));
        }
        QStringList& log;
        QString name;
    };
    QStringList closed;
    Recorded first(closed, "first");
    Recorded second(closed, "second");
    first.show();
    second.show();
    yIni();
    EnsureFileSystem();

    EXPECT_EQ(runEventLoop([] { EndProgram(); }), 0);
    EXPECT_EQ(closed, (QStringList{"first ending", "second ending"}));
    EXPECT_FALSE(first.isVisible());
    EXPECT_FALSE(second.isVisible());
    EXPECT_FALSE(settingsStoreExists());
    EXPECT_FALSE(fileSystemExists());
}

QString userDataOfTheseTests()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Hollin/app_tests/");
}

TEST_F(Program, ANormalStartWithTheShippedFilesShowsNoMessage)
{
    // The build places the shipped files beside every program, this test's included.
    const QString folder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    QFile ini(folder + QStringLiteral("UserData.ini"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(ini.readAll(), QByteArray("%usr%"));
    QFile stamp(folder + QStringLiteral("apData/Stamp.bmp"));
    ASSERT_TRUE(stamp.open(QIODevice::ReadOnly));
    EXPECT_TRUE(stamp.read(2) == "BM");

    // The window is made under the busy pointer, after the started flag.
    bool busy = false;
    bool started = false;
    auto* window = qobject_cast<fmMain*>(StartProgram([&] {
        busy = QGuiApplication::overrideCursor() &&
               QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
        started = processValues().started;
        return createMainWindow();
    }));
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(busy && started);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(processValues().mainWindow, window);
    EXPECT_EQ(processValues().programName, "app_tests");
    EXPECT_TRUE(prompt.shown.isEmpty()) << prompt.messages().join(u'\n').toStdString();
    const QString userData = userDataOfTheseTests();
    EXPECT_EQ(processValues().userDataFolder, userData);
    EXPECT_EQ(processValues().appDataFolder, folder + QStringLiteral("apData/"));
    EXPECT_TRUE(QFileInfo(userData + QStringLiteral("Temp")).isDir());
    EXPECT_TRUE(QFileInfo(userData + QStringLiteral("User.xml")).isFile());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->menuBar()->actions().size(), 6);
}

// Qt's own dialogs and message box buttons speak Japanese once the program has started, whatever
// the desktop's language (the tests run in the C locale).
TEST_F(Program, TheStandardDialogsSpeakJapanese)
{
    ASSERT_NE(StartProgram(&createMainWindow), nullptr);
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8("キャンセル"));
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const QStringList labels = {QStringLiteral("lookInLabel"), QStringLiteral("fileNameLabel"),
                                QStringLiteral("fileTypeLabel")};
    for (const QString& name : labels) {
        auto* label = dialog.findChild<QLabel*>(name);
        ASSERT_NE(label, nullptr) << name.toStdString();
        EXPECT_FALSE(label->text().contains(QRegularExpression(QStringLiteral("[A-Za-z]{3}"))))
            << label->text().toStdString();
    }
}

// Quit from the File menu and the close box save and end the program; the program closing its
// last window ends it without saving.
TEST_F(Program, QuitAndTheCloseBoxSaveAndEndTheProgramAProgrammaticCloseDoesNotSave)
{
    for (const char* how : {"menu", "close box", "program"}) {
        SCOPED_TRACE(how);
        processValues().ending = false;
        QFile::remove(userDataOfTheseTests() + QStringLiteral("User.xml"));
        QPointer<fmMain> window = qobject_cast<fmMain*>(StartProgram(&createMainWindow));
        ASSERT_TRUE(window);
        const QByteArray way(how);
        EXPECT_EQ(runEventLoop([window, way] {
                      if (way == "menu")
                          window->menus().mnFile.item(15)->trigger();
                      else if (way == "close box")
                          test::closeThroughTheFrame(*window);
                      else
                          window->close();
                  }),
                  0);
        const bool saves = way != "program";
        EXPECT_EQ(processValues().ending, saves);
        QFile written(userDataOfTheseTests() + QStringLiteral("User.xml"));
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));  // created empty while loading
        EXPECT_EQ(written.readAll().startsWith("<?xml version='1.0' encoding='Shift-JIS' ?>"),
                  saves);
        EXPECT_FALSE(saves && settingsStoreExists());
        deleteClosedWindows();
        EXPECT_TRUE(window.isNull());
    }
    EXPECT_TRUE(prompt.shown.isEmpty());
}

}  // namespace
}  // namespace tavlo
