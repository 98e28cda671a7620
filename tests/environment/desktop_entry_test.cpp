#include "environment/desktop_entry.h"

#include "tests/support/qt_printers.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace tavlo {
namespace {

QString readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
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
                                           "Exec=\"/opt/My Tools/tavlo\" %F\nTerminal=false\n"));
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
