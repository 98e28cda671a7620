#include "environment/desktop_entry.h"
#include "environment/process_values.h"
#include "environment/settings_store.h"
#include "environment/shell_helpers.h"

#include "tests/support/qt_printers.h"
#include "tests/support/recording_desktop.h"
#include "tests/support/recording_prompt.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <QUrl>

namespace tavlo {
namespace {

QString readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// A program "tavlo" in its own folder with its own user data folder; nothing reaches the desktop.
class ShellHelpersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(program.isValid() && user.isValid());
        saved = processValues();
        processValues().programName = QStringLiteral("tavlo");
        processValues().programFolderPath = program.path() + QLatin1Char('/');
        processValues().userDataFolder = user.path() + QLatin1Char('/');
    }
    void TearDown() override { processValues() = saved; }

    QString helpUrl(const QString& page) const
    {
        return QUrl::fromLocalFile(program.path() + QStringLiteral("/help/") + page).toString();
    }

    QTemporaryDir program;
    QTemporaryDir user;
    ProcessValues saved;
    test::RecordingDesktop desktop;
    test::RecordingPrompt prompt;
};

TEST_F(ShellHelpersTest, HelpOpensThePageThatShipsBesideTheProgramThroughItsEntry)
{
    // The page name is lower-cased and gets ".htm" only without a dot.
    EXPECT_EQ(helpPageName("Tavlo.HTM"), QStringLiteral("tavlo.htm"));
    EXPECT_EQ(helpPageName("tavlo"), QStringLiteral("tavlo.htm"));
    EXPECT_EQ(helpPageName("Manual.PDF"), QStringLiteral("manual.pdf"));
    EXPECT_EQ(helpPageName("v1.2"), QStringLiteral("v1.2"));

    yIni().W_Help(QStringLiteral("Tavlo.HTM"));
    ASSERT_EQ(desktop.opened.size(), 1);
    EXPECT_EQ(desktop.opened[0].toString(), helpUrl("tavlo.htm"));
    EXPECT_TRUE(desktop.opened[0].isLocalFile());
    EXPECT_EQ(helpBaseUrl(), QUrl::fromLocalFile(program.path() + "/help/").toString());

    // The help entry of the user data folder names the same page, and a second call replaces it.
    const QString entry = user.filePath("tavlo_help.desktop");
    EXPECT_EQ(helpEntryPath(), entry);
    EXPECT_TRUE(readAll(entry).contains("URL=" + helpUrl("tavlo.htm") + "\n"));
    yIni().W_Help(QStringLiteral("index"));
    EXPECT_EQ(desktop.opened.last().toString(), helpUrl("index.htm"));
    EXPECT_TRUE(readAll(entry).contains("URL=" + helpUrl("index.htm") + "\n"));
    EXPECT_FALSE(readAll(entry).contains("tavlo.htm"));

    // Without its entry help ends silently.
    processValues().userDataFolder = user.path() + QStringLiteral("/missing/");
    yIni().W_Help(QStringLiteral("tavlo.htm"));
    EXPECT_EQ(desktop.opened.size(), 2);
    EXPECT_TRUE(prompt.shown.isEmpty());
}

TEST_F(ShellHelpersTest, HtmViewNeedsItsWrkFolder)
{
    yIni().W_HtmView(QStringLiteral("https://example.org/a b"));
    EXPECT_TRUE(desktop.opened.isEmpty());  // "Wrk" is not made here

    ASSERT_TRUE(QDir(user.path()).mkdir("Wrk"));
    yIni().W_HtmView(QStringLiteral("https://example.org/page.htm"));
    ASSERT_EQ(desktop.opened.size(), 1);
    EXPECT_EQ(desktop.opened[0], QUrl("https://example.org/page.htm"));
    EXPECT_TRUE(readAll(user.filePath("Wrk/htm_view.desktop"))
                    .contains("URL=https://example.org/page.htm\n"));

    const QString local = user.filePath("report.txt");
    yIni().W_HtmView(local);
    EXPECT_EQ(desktop.opened.last(), QUrl::fromLocalFile(local));
}

TEST_F(ShellHelpersTest, SendToPutsALauncherOfTheProgramIntoTheApplicationsFolder)
{
    yIni().W_SendTo();
    const QString folder = yIni().FsGtSpFld(9);
    ASSERT_FALSE(folder.isEmpty());
    const QString entry = folder + QStringLiteral("/tavlo.desktop");
    const QString executable = program.path() + QStringLiteral("/tavlo");
    // One file per start, as the program opens one; offered for every format it reads.
    const QString text = readAll(entry);
    EXPECT_TRUE(text.contains("Exec=" + DesktopEntry::quoteExecArgument(executable) + " %f\n"));
    EXPECT_TRUE(text.contains("\nIcon=scanner\n"));
    // Every type is one the desktop knows, and together they cover every extension we read.
    const QString types = text.section(QStringLiteral("\nMimeType="), 1).section(u'\n', 0, 0);
    ASSERT_TRUE(types.endsWith(u';'));
    QStringList suffixes;
    for (const QString& name : types.split(u';', Qt::SkipEmptyParts)) {
        const QMimeType type = QMimeDatabase().mimeTypeForName(name);
        EXPECT_TRUE(type.isValid() && type.name() == name) << name.toStdString();
        suffixes += type.suffixes();
    }
    for (const char* suffix :
         {"bmp", "jpg", "jpeg", "tif", "png", "gif", "pcx", "jp2", "j2k", "jpc"})
        EXPECT_TRUE(suffixes.contains(QLatin1String(suffix))) << suffix;
    EXPECT_EQ(prompt.messages(), QStringList{executable + QString::fromUtf8(" のｼｮｰﾄｶｯﾄを ") +
                                             folder + QString::fromUtf8(" に作成しました")});
    ASSERT_EQ(prompt.shown.size(), 1);
    EXPECT_EQ(prompt.shown[0].title, programTitle());
    EXPECT_TRUE(desktop.opened.isEmpty());
}

TEST_F(ShellHelpersTest, ExploreOpensOnlyAnExistingFolderAndOpenAsksAnyway)
{
    const QString missing = user.filePath("nothing-here");
    yIni().W_ExpFd(QString(), false);
    yIni().W_ExpFd(QString(), true);
    yIni().W_ExpFd(missing, false);
    EXPECT_TRUE(desktop.opened.isEmpty());

    yIni().W_ExpFd(missing, true);
    yIni().W_ExpFd(user.path(), false);
    EXPECT_EQ(desktop.opened,
              (QList<QUrl>{QUrl::fromLocalFile(missing), QUrl::fromLocalFile(user.path())}));
    EXPECT_TRUE(prompt.shown.isEmpty());
}

TEST(DesktopEntry, LinkAndApplicationEntriesAreWrittenWholeAndOnlyIntoAnExistingFolder)
{
    QTemporaryDir dir;
    const QString link = dir.filePath("tavlo_help.desktop");
    ASSERT_TRUE(DesktopEntry::writeLink(link, "tavlo_help", "file:///opt/t/help/tavlo.htm"));
    ASSERT_TRUE(DesktopEntry::writeLink(link, "tavlo_help", "file:///x/a.htm"));  // replaced
    EXPECT_EQ(readAll(link), QStringLiteral("[Desktop Entry]\nType=Link\nName=tavlo_help\n"
                                            "URL=file:///x/a.htm\n"));
    const QString app = dir.filePath("tavlo.desktop");
    ASSERT_TRUE(DesktopEntry::writeApplication(app, "tavlo", "/opt/My Tools/tavlo"));
    EXPECT_EQ(readAll(app), QStringLiteral("[Desktop Entry]\nType=Application\nName=tavlo\n"
                                           "Exec=\"/opt/My Tools/tavlo\" %f\nTerminal=false\n"));
    EXPECT_FALSE(DesktopEntry::writeLink(dir.filePath("Wrk/htm_view.desktop"), "v", "x"));
    EXPECT_FALSE(QFile::exists(dir.filePath("Wrk")));
}

TEST(DesktopEntry, ExecArgumentsEscapeWhatIsSpecial)
{
    EXPECT_EQ(DesktopEntry::quoteExecArgument("/usr/bin/tavlo"), QStringLiteral("/usr/bin/tavlo"));
    EXPECT_EQ(DesktopEntry::quoteExecArgument("/a b"), QStringLiteral("\"/a b\""));
    EXPECT_EQ(DesktopEntry::quoteExecArgument("/a$b"), QStringLiteral("\"/a\\$b\""));
    EXPECT_EQ(DesktopEntry::quoteExecArgument("/100%"), QStringLiteral("/100%%"));
    EXPECT_EQ(DesktopEntry::quoteExecArgument("/a\"b"), QStringLiteral("\"/a\\\"b\""));
    EXPECT_EQ(DesktopEntry::escapeValue("a\\b\nc"), QStringLiteral("a\\\\b\\nc"));
}

}  // namespace
}  // namespace tavlo
