#include "environment/settings_store.h"
#include "tests/environment/settings_test_support.h"
#include "tests/support/recording_prompt.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

namespace tavlo {
namespace {

using test::golden;
using test::readBytes;
using test::writeBytes;

const QString form = QStringLiteral("ﾌｫｰﾑ");
const QString user = QStringLiteral("ﾕｰｻﾞｰ");
const QByteArray skeleton = "<?xml version='1.0' encoding='Shift-JIS' ?>\r\n<\x89\x5e\x97\x70>\r\n";
const QByteArray rootClose = "</\x89\x5e\x97\x70>";
// "ﾌｫｰﾑ" and "ﾕｰｻﾞｰ" in code page 932.
const QByteArray formBytes = "\xcc\xab\xb0\xd1";
const QByteArray userBytes = "\xd5\xb0\xbb\xde\xb0";

class SettingsFile : public ::testing::Test {
protected:
    QString path(const QString& name = QStringLiteral("User.xml")) const
    {
        return dir.path() + QLatin1Char('/') + name;
    }
    // Loads the given bytes as "User.xml".
    void load(const QByteArray& bytes)
    {
        ASSERT_TRUE(writeBytes(path(), bytes));
        bool ok = false;
        store.GetTxt(path(), ok);
        ASSERT_TRUE(ok);
    }
    QByteArray save()
    {
        bool ok = false;
        store.SetTxt(ok);
        EXPECT_TRUE(ok);
        return readBytes(store.filePath());
    }

    QTemporaryDir dir;
    test::RecordingPrompt prompt;
    SettingsStore store;
};

TEST_F(SettingsFile, FirstStartCreatesAnEmptyFileAndLaterSavesTheSkeleton)
{
    bool ok = false;
    store.GetTxt(path(), ok);
    EXPECT_TRUE(ok);
    ASSERT_TRUE(QFile::exists(path()));
    EXPECT_EQ(readBytes(path()).size(), 0);  // nothing is written before SetTxt
    EXPECT_EQ(save(), golden(QStringLiteral("fresh.xml")));
    EXPECT_TRUE(prompt.shown.isEmpty());
}

TEST_F(SettingsFile, SectionsStandInCommitOrderAndReadBack)
{
    bool ok = false;
    store.GetTxt(path(), ok);
    store.GetGtx(form);
    store.SetVal(QStringLiteral("Left"), 900.0f);
    store.SetVal(QStringLiteral("Top"), 600.0f);
    store.SetGtx();
    store.GetGtx(user);
    store.SetVal(QStringLiteral("保存形式"), QStringLiteral("BMP"));
    store.SetGtx();
    EXPECT_EQ(save(), golden(QStringLiteral("two_sections.xml")));

    SettingsStore again;
    again.GetTxt(path(), ok);
    ASSERT_TRUE(ok);
    again.GetGtx(form);
    EXPECT_EQ(again.vGtVal(QStringLiteral("Top"), 0.0), SettingValue(600.0));
    again.GetGtx(user);
    EXPECT_EQ(again.vGtVal(QStringLiteral("保存形式"), QStringLiteral("TIF")).text(), "BMP");
}

TEST_F(SettingsFile, AnItemSetAgainKeepsItsFirstPlaceWithTheLastValue)
{
    bool ok = false;
    store.GetTxt(path(), ok);
    store.GetGtx(form);
    store.SetVal(QStringLiteral("Left"), 900);
    store.SetVal(QStringLiteral("Top"), 600);
    store.SetVal(QStringLiteral("Left"), 1000);
    store.SetGtx();
    store.GetGtx(form);  // a second round replaces the committed section's body
    store.SetVal(QStringLiteral("Left"), 1200);
    store.SetGtx();
    EXPECT_EQ(save(), golden(QStringLiteral("item_set_twice.xml")));
}

TEST_F(SettingsFile, DaggerBreaksTheLineOnlyInANewItem)
{
    bool ok = false;
    store.GetTxt(path(), ok);
    store.GetGtx(user);
    store.SetVal(QStringLiteral("Old"), QStringLiteral("x"));
    store.SetGtx();
    store.GetGtx(user);
    store.SetVal(QStringLiteral("Old"), QStringLiteral("c‡d"));
    store.SetVal(QStringLiteral("New"), QStringLiteral("a‡b"));
    store.SetGtx();
    EXPECT_EQ(save(), golden(QStringLiteral("dagger.xml")));
    store.GetGtx(user);
    EXPECT_EQ(store.vGtVal(QStringLiteral("New"), QStringLiteral("-")).text(), "a\r\nb");
    EXPECT_EQ(store.vGtVal(QStringLiteral("Old"), QStringLiteral("-")).text(), "c‡d");
}

TEST_F(SettingsFile, ANewSectionGoesJustBeforeTheRootClosingTag)
{
    load(golden(QStringLiteral("two_sections.xml")));
    store.GetGtx(QStringLiteral("追加"));
    store.SetVal(QStringLiteral("Width"), 7200);
    store.SetGtx();
    EXPECT_EQ(save(), golden(QStringLiteral("inserted_section.xml")));
}

TEST_F(SettingsFile, HalfWidthKatakanaSurvivesAReadAndWriteRound)
{
    load(golden(QStringLiteral("hankaku.xml")));
    store.GetGtx(form);
    const SettingValue left = store.vGtVal(QStringLiteral("Left"), 0.0);
    EXPECT_EQ(left, SettingValue(1440.5));
    store.SetVal(QStringLiteral("Left"), float(left.toDouble()));
    store.SetGtx();

    store.GetGtx(user);
    const SettingValue scale = store.vGtVal(QStringLiteral("ｽｹｰﾙ表示"), QStringLiteral("ｽｹｰﾙ"));
    const SettingValue prefix = store.vGtVal(QStringLiteral("保存ﾌｧｲﾙ"), QString());
    const SettingValue reduce = store.vGtVal(QStringLiteral("ｽｷｬﾝ後減色"), short(0));
    EXPECT_EQ(scale.text(), QStringLiteral("実寸"));
    EXPECT_EQ(prefix.text(), QStringLiteral("ｽｷｬﾝﾍﾟｰｼﾞ"));
    EXPECT_EQ(reduce, SettingValue(2.0));  // numbers always read as double precision
    store.SetVal(QStringLiteral("ｽｹｰﾙ表示"), scale);
    store.SetVal(QStringLiteral("保存ﾌｧｲﾙ"), prefix);
    store.SetVal(QStringLiteral("ｽｷｬﾝ後減色"), short(reduce.toDouble()));
    store.SetGtx();
    EXPECT_EQ(save(), golden(QStringLiteral("hankaku.xml")));
}

TEST_F(SettingsFile, DvFileNameMeansTheOrdinaryFile)
{
    ASSERT_TRUE(writeBytes(path(), golden(QStringLiteral("two_sections.xml"))));
    for (const QString& name : {QStringLiteral("User_dv.xml"), QStringLiteral("User_DV.XML")}) {
        bool ok = false;
        store.GetTxt(path(name), ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(store.filePath(), path());
        store.GetGtx(form);
        EXPECT_EQ(store.vGtVal(QStringLiteral("Left"), 0), SettingValue(900.0));
    }
    EXPECT_EQ(save(), golden(QStringLiteral("two_sections.xml")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("User.xml")});
}

TEST_F(SettingsFile, EmptyFirstLineLoadsAsEmptyAndTheNextSaveReplacesTheFile)
{
    load("\r\n" + golden(QStringLiteral("two_sections.xml")));
    store.GetGtx(form);
    EXPECT_EQ(store.vGtVal(QStringLiteral("Left"), 77), SettingValue(77));
    EXPECT_EQ(save(), golden(QStringLiteral("fresh.xml")));
}

TEST_F(SettingsFile, ReadsGiveDefaultsForMissingEmptyAndStoredEmptyItems)
{
    load(skeleton + "   <S>\r\n      <Empty></Empty>\r\n      <LEFT>5</LEFT>\r\n   </S>\r\n" +
         rootClose);
    store.GetGtx(QStringLiteral("S"));
    EXPECT_EQ(store.vGtVal(QStringLiteral("Absent"), QStringLiteral("d")).text(), "d");
    EXPECT_EQ(store.vGtVal(QStringLiteral("Empty"), 3), SettingValue(3));
    EXPECT_EQ(store.vGtVal(QStringLiteral("Left"), 9), SettingValue(9));  // names match exactly
    store.SetVal(QStringLiteral("Stored"), QString());
    EXPECT_EQ(store.vGtVal(QStringLiteral("Stored"), true), SettingValue(true));
    store.GetGtx(QStringLiteral("Missing section"));
    EXPECT_EQ(store.vGtVal(QStringLiteral("LEFT"), 1.5), SettingValue(1.5));
    EXPECT_TRUE(prompt.shown.isEmpty());
}

TEST_F(SettingsFile, ValuesReadInTheKindOfTheirDefault)
{
    load(skeleton +
         "   <S>\r\n"
         "      <N1>12abc</N1>\r\n      <N2>abc</N2>\r\n      <N3> -1 2.5e1</N3>\r\n"
         "      <B1>true</B1>\r\n      <B2>FALSE</B2>\r\n      <B3>-1</B3>\r\n      <B4>0</B4>\r\n"
         "      <B5>yes</B5>\r\n"
         "      <D1>2024/03/09 13:05:09</D1>\r\n      <D2>soon</D2>\r\n"
         "      <C>x</C>y</C>\r\n"
         "   </S>\r\n" +
         rootClose);
    store.GetGtx(QStringLiteral("S"));
    EXPECT_EQ(store.vGtVal(QStringLiteral("N1"), 0), SettingValue(12.0));
    EXPECT_EQ(store.vGtVal(QStringLiteral("N2"), 5), SettingValue(0.0));
    EXPECT_EQ(store.vGtVal(QStringLiteral("N3"), 0.0f), SettingValue(-125.0));
    EXPECT_EQ(store.vGtVal(QStringLiteral("N1"), SettingValue()), SettingValue(12.0));
    EXPECT_EQ(store.vGtVal(QStringLiteral("B1"), false), SettingValue(true));
    EXPECT_EQ(store.vGtVal(QStringLiteral("B2"), true), SettingValue(false));
    EXPECT_EQ(store.vGtVal(QStringLiteral("B3"), false), SettingValue(true));
    EXPECT_EQ(store.vGtVal(QStringLiteral("B4"), true), SettingValue(false));
    // A text that is no boolean reads as the default instead of failing.
    EXPECT_EQ(store.vGtVal(QStringLiteral("B5"), true), SettingValue(true));
    EXPECT_EQ(store.vGtVal(QStringLiteral("B5"), false), SettingValue(false));
    const QDateTime fallback(QDate(2000, 1, 1), QTime(0, 0));
    EXPECT_EQ(store.vGtVal(QStringLiteral("D1"), fallback),
              SettingValue(QDateTime(QDate(2024, 3, 9), QTime(13, 5, 9))));
    EXPECT_EQ(store.vGtVal(QStringLiteral("D2"), fallback), SettingValue(fallback));
    // A value holding its own closing tag is cut there on reading.
    EXPECT_EQ(store.vGtVal(QStringLiteral("C"), QString()).text(), "x");
    EXPECT_TRUE(prompt.shown.isEmpty());
}

TEST_F(SettingsFile, AValueHoldingItsClosingTagIsWrittenVerbatim)
{
    load(golden(QStringLiteral("fresh.xml")));
    store.GetGtx(QStringLiteral("S"));
    store.SetVal(QStringLiteral("K"), QStringLiteral("a</K>b"));
    store.SetGtx();
    EXPECT_TRUE(save().contains("      <K>a</K>b</K>\r\n"));
    store.GetGtx(QStringLiteral("S"));
    EXPECT_EQ(store.vGtVal(QStringLiteral("K"), QString()).text(), "a");
}

TEST_F(SettingsFile, DamagedTagPairsAreReportedAtEveryReadAndGiveTheDefault)
{
    load(skeleton + "   <" + formBytes + ">\r\n      <Left>900\r\n      </Top>1<Top>\r\n   </" +
         formBytes + ">\r\n   </" + userBytes + ">\r\n" + rootClose);
    store.GetGtx(form);
    EXPECT_EQ(store.vGtVal(QStringLiteral("Left"), 5), SettingValue(5));
    EXPECT_EQ(store.vGtVal(QStringLiteral("Left"), 5), SettingValue(5));
    EXPECT_EQ(store.vGtVal(QStringLiteral("Top"), 6), SettingValue(6));
    store.GetGtx(user);
    EXPECT_TRUE(store.sectionText().isEmpty());
    const QString tail = QStringLiteral("> の設定が読み込めません\rﾕｰｻﾞｰ環境ﾌｧｲﾙ(") + path() +
                         QStringLiteral(") が破損しています");
    EXPECT_EQ(prompt.messages(), (QStringList{QStringLiteral("<Left") + tail,
                                              QStringLiteral("<Left") + tail,
                                              QStringLiteral("<Top") + tail,
                                              QStringLiteral("<ﾕｰｻﾞｰ") + tail}));
    EXPECT_EQ(prompt.shown.front().title, QStringLiteral("Tavlo"));
}

TEST_F(SettingsFile, ASectionWithoutRoomForItsLayoutReadsAsEmpty)
{
    load(skeleton + "<S></S><T>\r\n</T>" + rootClose);
    store.GetGtx(QStringLiteral("S"));
    EXPECT_TRUE(store.sectionText().isEmpty());
    store.GetGtx(QStringLiteral("T"));
    EXPECT_TRUE(store.sectionText().isEmpty());
    store.SetVal(QStringLiteral("K"), 1);
    store.SetGtx();
    store.GetGtx(QStringLiteral("T"));
    EXPECT_EQ(store.vGtVal(QStringLiteral("K"), 0), SettingValue(1.0));
}

TEST_F(SettingsFile, TextLengthIsNotLimited)
{
    // Far beyond the 32,767 characters a 16-bit position could reach.
    const QString longValue(40000, QLatin1Char('x'));
    bool ok = false;
    store.GetTxt(path(), ok);
    store.GetGtx(QStringLiteral("A"));
    store.SetVal(QStringLiteral("Long"), longValue);
    store.SetVal(QStringLiteral("After"), 42);
    store.SetGtx();
    store.GetGtx(QStringLiteral("B"));
    store.SetVal(QStringLiteral("Late"), QStringLiteral("found"));
    store.SetGtx();
    save();

    SettingsStore again;
    again.GetTxt(path(), ok);
    again.GetGtx(QStringLiteral("A"));
    EXPECT_EQ(again.vGtVal(QStringLiteral("Long"), QString()).text(), longValue);
    EXPECT_EQ(again.vGtVal(QStringLiteral("After"), 0), SettingValue(42.0));
    again.GetGtx(QStringLiteral("B"));
    EXPECT_EQ(again.vGtVal(QStringLiteral("Late"), QString()).text(), "found");
}

TEST_F(SettingsFile, ATextWithoutRootClosingTagGetsTheSectionAndANewClosingTag)
{
    const QByteArray cut = skeleton + "   <A>\r\n      <K>1</K>\r\n   </A>";
    load(cut);
    store.GetGtx(QStringLiteral("B"));
    store.SetVal(QStringLiteral("K"), 2);
    store.SetGtx();
    EXPECT_EQ(save(), cut + "\r\n   <B>\r\n      <K>2</K>\r\n   </B>\r\n" + rootClose);
}

TEST_F(SettingsFile, CharactersOutsideCodePage932BecomeQuestionMarks)
{
    bool ok = false;
    store.GetTxt(path(), ok);
    store.GetGtx(QStringLiteral("S"));
    store.SetVal(QStringLiteral("K"), QStringLiteral("a\u00e9\U0001F600b‡"));
    store.SetVal(QStringLiteral("L"), QStringLiteral("表"));
    store.SetGtx();
    EXPECT_EQ(save(), skeleton + "   <S>\r\n      <K>a??b\r\n</K>\r\n      <L>\x95\x5c</L>\r\n"
                                 "   </S>\r\n" + rootClose);
}

TEST_F(SettingsFile, AFailedSaveLeavesTheOldFileWholeAndSaysSo)
{
    load(golden(QStringLiteral("two_sections.xml")));
    store.GetGtx(form);
    store.SetVal(QStringLiteral("Note"), QString(400, QLatin1Char('n')));
    store.SetGtx();

    // The disk refuses files beyond 100 bytes part-way through the write.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{100, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool ok = true;
    store.SetTxt(ok);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(ok);
    EXPECT_EQ(readBytes(path()), golden(QStringLiteral("two_sections.xml")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("User.xml")});
}

TEST_F(SettingsFile, AFileThatCannotBeCreatedOrWrittenIsReported)
{
    bool ok = true;
    store.GetTxt(dir.path() + QStringLiteral("/missing/User.xml"), ok);
    EXPECT_FALSE(ok);
    store.GetGtx(form);
    store.SetVal(QStringLiteral("Left"), 1);
    store.SetGtx();  // builds the skeleton around the section
    EXPECT_TRUE(store.text().startsWith(QStringLiteral("<?xml")));
    ok = true;
    store.SetTxt(ok);
    EXPECT_FALSE(ok);

    SettingsStore unloaded;
    ok = true;
    unloaded.SetTxt(ok);  // no file loaded: nothing happens
    EXPECT_TRUE(ok);
}

TEST(SharedSettingsStore, IsCreatedOnFirstUseAndReleasedAtTheEnd)
{
    releaseSettingsStore();
    EXPECT_FALSE(settingsStoreExists());
    yIni().GetGtx(QStringLiteral("S"));
    EXPECT_TRUE(settingsStoreExists());
    EXPECT_EQ(&yIni(), &yIni());
    releaseSettingsStore();
    EXPECT_FALSE(settingsStoreExists());
}

}  // namespace
}  // namespace tavlo
