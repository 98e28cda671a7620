#include "app/command_line.h"

#include <gtest/gtest.h>

namespace tavlo {
namespace {

TEST(CommandLine, FilesHelpVersionAndUnknownOptions)
{
    struct Case {
        QStringList arguments;
        bool exitAtOnce;
        int exitCode;
        const char* file;    // the file to open, "" for none
        const char* output;  // the start of the standard output, then of the error output
        const char* error;
    };
    const Case cases[] = {
        {{"tavlo"}, false, 0, "", "", ""},
        {{"tavlo", "page.png"}, false, 0, "/home/u/page.png", "", ""},
        {{"tavlo", "/a/one.bmp", "two.bmp", "three.bmp"}, false, 0, "/a/one.bmp", "", ""},
        {{"tavlo", "file:///a/b%20c.tif"}, false, 0, "/a/b c.tif", "", ""},
        {{"tavlo", "../x/y.jpg"}, false, 0, "/home/x/y.jpg", "", ""},
        {{"tavlo", "--", "-odd.bmp"}, false, 0, "/home/u/-odd.bmp", "", ""},
        {{"/usr/bin/tavlo", "--help"}, true, 0, "", "使い方: tavlo [ﾌｧｲﾙ]\n", ""},
        {{"tavlo", "page.png", "-h"}, true, 0, "/home/u/page.png", "使い方: tavlo", ""},
        {{"tavlo", "--version"}, true, 0, "", "tavlo 1.2.3\n", ""},
        {{"tavlo", "-v"}, true, 0, "", "tavlo 1.2.3\n", ""},
        {{"tavlo", "--frobnicate"}, true, 2, "", "", "tavlo: 不明なｵﾌﾟｼｮﾝ --frobnicate\n使い方:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const CommandLine line =
            readCommandLine(c.arguments, QStringLiteral("/home/u"), QStringLiteral("1.2.3"));
        EXPECT_EQ(line.exitAtOnce, c.exitAtOnce);
        EXPECT_EQ(line.exitCode, c.exitCode);
        EXPECT_EQ(line.fileToOpen, QString::fromUtf8(c.file));
        const QString output = QString::fromUtf8(c.output), error = QString::fromUtf8(c.error);
        EXPECT_EQ(line.standardOutput.left(output.size()), output);
        EXPECT_EQ(line.standardOutput.isEmpty(), output.isEmpty());
        EXPECT_EQ(line.standardError.left(error.size()), error);
        EXPECT_EQ(line.standardError.isEmpty(), error.isEmpty());
    }
}

}  // namespace
}  // namespace tavlo
