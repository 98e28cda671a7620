#include "app/program.h"
#include "app/scaffolding_window.h"
#include "environment/file_system.h"
#include "environment/process_values.h"
#include "environment/settings_store.h"
#include "tests/support/recording_prompt.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
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
    EXPECT_EQ(programNameFromExecutable(QStringLiteral("/opt/Hollin/tavlo")), "tavlo");
    EXPECT_EQ(programNameFromExecutable(QStringLiteral("/opt/Hollin/tavlo_dv")), "tavlo");
    EXPECT_EQ(programNameFromExecutable(QStringLiteral("/opt/Hollin/tavlo_DV")), "tavlo");
    EXPECT_EQ(programNameFromExecutable(QStringLiteral("tavlo_Dv.bin")), "tavlo");
    EXPECT_EQ(programNameFromExecutable(QStringLiteral("/opt/tavlo_dvx")), "tavlo_dvx");
    EXPECT_EQ(programNameFromExecutable(QStringLiteral("/opt/tavlo_d")), "tavlo_d");
    EXPECT_EQ(programNameFromExecutable(QStringLiteral("/opt/tavlo_dv_dv")), "tavlo_dv");
    EXPECT_EQ(programNameFromExecutable(QStringLiteral("/opt/_DV")), "");
}

TEST_F(Program, StartCreatesTheMainWindowUnderTheBusyPointerAfterTheStartedFlag)
{
    bool busy = false;
    bool started = false;
    QWidget* window = StartProgram([&] {
        busy = QGuiApplication::overrideCursor() &&
               QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
        started = processValues().started;
        return new QWidget;
    });
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(busy);
    EXPECT_TRUE(started);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(processValues().mainWindow, window);
    EXPECT_EQ(processValues().programName, "app_tests");
    EXPECT_EQ(programFolder(), QCoreApplication::applicationDirPath() + QLatin1Char('/'));

    QPointer<QWidget> watched = window;
    window->close();
    deleteClosedWindows();
    EXPECT_TRUE(watched.isNull());  // the main window goes when it closes
}

TEST_F(Program, EndClosesEveryWindowInOrderReleasesTheServicesAndEndsTheLoop)
{
    struct Recorded : QWidget {
        Recorded(QStringList& log, QString name) : log_(log), name_(std::move(name)) {}
        void closeEvent(QCloseEvent* event) override
        {
            log_.append(name_ + (processValues().ending ? QStringLiteral(" ending") : QString()));
            event->accept();
        }
        QStringList& log_;
        QString name_;
    };
    QStringList closed;
    Recorded first(closed, QStringLiteral("first"));
    Recorded second(closed, QStringLiteral("second"));
    first.show();
    second.show();
    yIni();
    EnsureFileSystem();

    EXPECT_EQ(runEventLoop([] { EndProgram(); }), 0);
    EXPECT_EQ(closed, (QStringList{QStringLiteral("first ending"), QStringLiteral("second ending")}));
    EXPECT_FALSE(first.isVisible());
    EXPECT_FALSE(second.isVisible());
    EXPECT_FALSE(settingsStoreExists());
    EXPECT_FALSE(fileSystemExists());
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

    auto* window = qobject_cast<ScaffoldingWindow*>(StartProgram(&createScaffoldingWindow));
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(prompt.shown.isEmpty()) << prompt.messages().join(u'\n').toStdString();
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                             QStringLiteral("/Hollin/app_tests/");
    EXPECT_EQ(processValues().userDataFolder, userData);
    EXPECT_EQ(processValues().appDataFolder, folder + QStringLiteral("apData/"));
    EXPECT_TRUE(QFileInfo(userData + QStringLiteral("Temp")).isDir());
    EXPECT_TRUE(QFileInfo(userData + QStringLiteral("User.xml")).isFile());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tavlo"));
    const QList<QAction*> menus = window->menuBar()->actions();
    ASSERT_EQ(menus.size(), 1);
    EXPECT_EQ(menus[0]->text(), QStringLiteral("ﾌｧｲﾙ(&F)"));
    ASSERT_NE(menus[0]->menu(), nullptr);
    EXPECT_EQ(menus[0]->menu()->actions(), QList<QAction*>{window->quitAction()});
    EXPECT_EQ(window->quitAction()->text(), QStringLiteral("終了(&X)"));
}

TEST_F(Program, QuitFromTheFileMenuAndClosingTheWindowBothEndTheProgram)
{
    for (const bool fromMenu : {true, false}) {
        processValues().ending = false;
        QPointer<ScaffoldingWindow> window =
            qobject_cast<ScaffoldingWindow*>(StartProgram(&createScaffoldingWindow));
        ASSERT_TRUE(window);
        EXPECT_EQ(runEventLoop([window, fromMenu] {
                      if (fromMenu)
                          window->quitAction()->trigger();
                      else
                          window->close();
                  }),
                  0);
        EXPECT_TRUE(processValues().ending);
        EXPECT_FALSE(settingsStoreExists());
        deleteClosedWindows();
        EXPECT_TRUE(window.isNull());
    }
    EXPECT_TRUE(prompt.shown.isEmpty());
}

}  // namespace
}  // namespace tavlo
