// The sequential work-file names: every branch of the name computation, the advance after a
// write, and the guards that keep the counter from overwriting pages or passing 32767. Filling a
// gap without landing on the next file is checked through the window's scan and save.
#include "main_window/work_file_sequence.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavlo {
namespace {

class WorkFileSequenceTest : public ::testing::Test {
protected:
    QString folder() const { return m_dir.path(); }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString next(const QString& prefixText, int extension = 0)
    {
        return sequence.NextWorkFileName(prefixText, extension, m_dir.path());
    }
    void touch(const QString& name)
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
    }

    // What the window does for one page: name, write, advance; returns the name written.
    QString writeOne(const QString& prefixText)
    {
        const QString name = next(prefixText);
        if (name.isEmpty())
            return QString();
        QFile file(name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        text = sequence.AdvanceSequence();
        return QFileInfo(name).fileName();
    }

    WorkFileSequence sequence;
    QString text;

private:
    QTemporaryDir m_dir;
};

TEST_F(WorkFileSequenceTest, AnEmptyFieldStartsAtOneAndNeverOverwrites)
{
    EXPECT_EQ(next(QString()), path(QStringLiteral("-001.bmp")));
    EXPECT_EQ(sequence.prefix(), QString());
    EXPECT_EQ(sequence.number(), 1);
    EXPECT_EQ(sequence.AdvanceSequence(), QStringLiteral("-002"));
    // An existing -001 is not overwritten by an empty field: the first free number is taken.
    touch(QStringLiteral("-001.tif"));
    EXPECT_EQ(next(QString(), 1), path(QStringLiteral("-002.tif")));
}

TEST_F(WorkFileSequenceTest, ATypedNumberSelectsThatFileRoundedHalvesToEven)
{
    touch(QStringLiteral("abc-001.bmp"));
    touch(QStringLiteral("abc-007.bmp"));
    // Typed after the first dash, and whether the number was typed (the window asks before it
    // writes over an existing file) or found free.
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"abc-7", "abc-007.bmp", true},  // the user's number, even though the file exists
        {"abc-0", "abc-001.bmp", true},
        {"abc--5", "abc-001.bmp", true},
        {"abc-2.5", "abc-002.bmp", true},
        {"abc-3.5", "abc-004.bmp", true},
        {"abc- 12", "abc-012.bmp", true},
        {"abc-12xyz", "abc-012.bmp", true},
        {"abc-.5e1", "abc-005.bmp", true},
        {"abc-1234", "abc-1234.bmp", true},
        // No number after the dash: the first free one, never abc-001 by default.
        {"abc-x", "abc-002.bmp", false},
        {"abc-", "abc-002.bmp", false},
        {"abc-x7", "abc-002.bmp", false},
        {"abc- -", "abc-002.bmp", false},
        {"my-scan-5", "my-001.bmp", false},  // the first dash splits
        {"-5", "-005.bmp", true},
    };
    for (const auto& [typed, name, numberTyped] : cases) {
        EXPECT_EQ(next(QString::fromUtf8(typed)), path(QString::fromUtf8(name))) << typed;
        EXPECT_EQ(sequence.numberTyped(), numberTyped) << typed;
    }
    EXPECT_EQ(sequence.prefix(), QString());
    EXPECT_EQ(sequence.number(), 5);
}

TEST_F(WorkFileSequenceTest, TheExtensionBoxChoosesTifAndTheFolderIsNeverLeft)
{
    touch(QStringLiteral("abc-001.bmp"));
    EXPECT_EQ(next(QStringLiteral("abc"), 1), path(QStringLiteral("abc-001.tif")));
    EXPECT_FALSE(sequence.saveAsBmp());
    EXPECT_EQ(next(QStringLiteral("abc"), -1), path(QStringLiteral("abc-001.tif")));
    EXPECT_EQ(next(QStringLiteral("abc"), 0), path(QStringLiteral("abc-002.bmp")));
    EXPECT_TRUE(sequence.saveAsBmp());

    EXPECT_TRUE(next(QStringLiteral("../escape")).isEmpty());
    EXPECT_TRUE(sequence.error().contains(QLatin1Char('/')));
    EXPECT_TRUE(next(QStringLiteral("a/b-3")).isEmpty());
    // A folder given with a trailing slash makes no double slash.
    EXPECT_EQ(sequence.NextWorkFileName(QStringLiteral("x"), 0, folder() + QLatin1Char('/')),
              path(QStringLiteral("x-001.bmp")));
}

TEST_F(WorkFileSequenceTest, NumbersFromOneThousandPrintWithFourDigits)
{
    EXPECT_EQ(writeOne(QStringLiteral("abc-999")), QStringLiteral("abc-999.bmp"));
    EXPECT_EQ(text, QStringLiteral("abc-1000"));
    EXPECT_EQ(writeOne(text), QStringLiteral("abc-1000.bmp"));

    // With 1 to 999 all taken, a prefix without a number goes on past 999.
    WorkFileSequence full([](const QString& p) { return !p.endsWith(QLatin1String("-1000.bmp")); });
    EXPECT_TRUE(full.NextWorkFileName(QStringLiteral("abc"), 0, folder())
                    .endsWith(QLatin1String("/abc-1000.bmp")));
}

// The window's scans reach the last number and the refusal of the next; these are the typed
// numbers past it and a prefix with no number left.
TEST_F(WorkFileSequenceTest, NoNameBeyond32767AndARefusalKeepsTheLastName)
{
    EXPECT_EQ(next(QStringLiteral("abc-5"), 1), path(QStringLiteral("abc-005.tif")));
    for (const char* typed :
         {"abc-32768", "abc-40000", "abc-32767.5", "abc-1e9", "abc-99999999999999999999"})
        EXPECT_TRUE(next(QString::fromUtf8(typed)).isEmpty()) << typed;
    EXPECT_TRUE(sequence.error().contains(QStringLiteral("32767")))
        << sequence.error().toStdString();
    // The next page still follows abc-005.tif in its folder.
    EXPECT_TRUE(
        sequence.NextWorkFileName(QStringLiteral("x-40000"), 0, QStringLiteral("/")).isEmpty());
    touch(QStringLiteral("abc-006.tif"));
    EXPECT_EQ(sequence.AdvanceSequence(), QStringLiteral("abc-007"));
    EXPECT_EQ(next(QStringLiteral("abc-32767.4")), path(QStringLiteral("abc-32767.bmp")));

    // The search reaches the last number itself.
    WorkFileSequence last(
        [](const QString& p) { return !p.endsWith(QLatin1String("-32767.bmp")); });
    EXPECT_TRUE(last.NextWorkFileName(QStringLiteral("abc"), 0, folder())
                    .endsWith(QLatin1String("/abc-32767.bmp")));

    WorkFileSequence taken([](const QString&) { return true; });
    EXPECT_TRUE(taken.NextWorkFileName(QStringLiteral("abc"), 0, folder()).isEmpty());
    EXPECT_FALSE(taken.error().isEmpty());
}

}  // namespace
}  // namespace tavlo
