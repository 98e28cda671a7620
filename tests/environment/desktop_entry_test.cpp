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

TEST(DesktopEntry, LinkEntryNamesItsTarget)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("tavlo_help.desktop");
    ASSERT_TRUE(DesktopEntry::writeLink(file, "tavlo_help", "file:///opt/t/help/tavlo.htm"));
    EXPECT_EQ(readAll(file), QStringLiteral("[Desktop Entry]\nType=Link\nName=tavlo_help\n"
                                            "URL=file:///opt/t/help/tavlo.htm\n"));
    // Written again, the entry is replaced whole.
    ASSERT_TRUE(DesktopEntry::writeLink(file, "tavlo_help", "file:///x/a.htm"));
    EXPECT_TRUE(readAll(file).endsWith(QStringLiteral("URL=file:///x/a.htm\n")));
}

TEST(DesktopEntry, AMissingFolderFailsAndWritesNothing)
{
    QTemporaryDir dir;
    EXPECT_FALSE(DesktopEntry::writeLink(dir.filePath("Wrk/htm_view.desktop"), "v", "x"));
    EXPECT_FALSE(QFile::exists(dir.filePath("Wrk/htm_view.desktop")));
}

TEST(DesktopEntry, ApplicationEntryQuotesThePathOnce)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("tavlo.desktop");
    ASSERT_TRUE(DesktopEntry::writeApplication(file, "tavlo", "/opt/My Tools/tavlo"));
    EXPECT_EQ(readAll(file),
              QStringLiteral("[Desktop Entry]\nType=Application\nName=tavlo\n"
                             "Exec=\"/opt/My Tools/tavlo\" %F\nTerminal=false\n"));
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
