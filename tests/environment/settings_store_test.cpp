#include "environment/atomic_file.h"
#include "environment/file_system.h"
#include "environment/settings_store.h"
#include "tests/environment/settings_test_support.h"
#include "tests/support/recording_prompt.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <utility>

namespace tavlo {
namespace {

using test::golden;
using test::readBytes;
using Items = std::initializer_list<std::pair<QString, SettingValue>>;

const QString form = QStringLiteral("ﾌｫｰﾑ");
const QString user = QStringLiteral("ﾕｰｻﾞｰ");
const QByteArray skeleton = "<?xml version='1.0' encoding='Shift-JIS' ?>\r\n<\x89\x5e\x97\x70>\r\n";
const QByteArray rootClose = "</\x89\x5e\x97\x70>";
const QByteArray formBytes = "\xcc\xab\xb0\xd1";  // ﾌｫｰﾑ in code page 932

class SettingsFile : public ::testing::Test {
protected:
    QString path(const QString& name = QStringLiteral("User.xml")) const
    {
        return dir.path() + QLatin1Char('/') + name;
    }
    // Loads the given bytes as "User.xml"; no bytes: the file does not exist yet.
    void load(const QByteArray& bytes = {})
    {
        ASSERT_TRUE(bytes.isEmpty() || test::writeBytes(path(), bytes));
        bool ok = false;
        store.GetTxt(path(), ok);
        ASSERT_TRUE(ok);
    }
    void commit(const QString& section, Items items)
    {
        store.GetGtx(section);
        for (const auto& [key, value] : items)
            store.SetVal(key, value);
        store.SetGtx();
    }
    QByteArray save()
    {
        bool ok = false;
        store.SetTxt(ok);
        EXPECT_TRUE(ok);
        return readBytes(store.filePath());
    }
    QString read(const QString& key) { return store.vGtVal(key, QStringLiteral("-")).text(); }

    QTemporaryDir dir;
    test::RecordingPrompt prompt;
    SettingsStore store;
};

TEST_F(SettingsFile, GoldenLayouts)
{
    load();  // the first start creates an empty file; nothing is written before SetTxt
    EXPECT_TRUE(QFile::exists(path()));
    EXPECT_EQ(readBytes(path()).size(), 0);
    EXPECT_EQ(save(), golden(QStringLiteral("fresh.xml")));

    commit(form, {{QStringLiteral("Left"), 900.0f}, {QStringLiteral("Top"), 600.0f}});
    commit(user, {{QStringLiteral("保存形式"), QStringLiteral("BMP")}});
    EXPECT_EQ(save(), golden(QStringLiteral("two_sections.xml")));

    // A section committed later goes just before </運用>.
    commit(QStringLiteral("追加"), {{QStringLiteral("Width"), 7200}});
    EXPECT_EQ(save(), golden(QStringLiteral("inserted_section.xml")));
}

TEST_F(SettingsFile, AnItemSetAgainKeepsItsFirstPlaceWithTheLastValue)
{
    load();
    commit(form, {{QStringLiteral("Left"), 900},
                  {QStringLiteral("Top"), 600},
                  {QStringLiteral("Left"), 1000}});
    commit(form, {{QStringLiteral("Left"), 1200}});  // replaces the committed section's body
    EXPECT_EQ(save(), golden(QStringLiteral("item_set_twice.xml")));
}

TEST_F(SettingsFile, DaggerBreaksTheLineOnlyInANewItem)
{
    load();
    commit(user, {{QStringLiteral("Old"), QStringLiteral("x")}});
    commit(user, {{QStringLiteral("Old"), QStringLiteral("c‡d")},
                  {QStringLiteral("New"), QStringLiteral("a‡b")}});
    EXPECT_EQ(save(), golden(QStringLiteral("dagger.xml")));
    EXPECT_EQ(read(QStringLiteral("New")), "a\r\nb");
}

TEST_F(SettingsFile, HalfWidthKatakanaSurvivesAReadAndWriteRound)
{
    load(golden(QStringLiteral("hankaku.xml")));
    store.GetGtx(form);
    const SettingValue left = store.vGtVal(QStringLiteral("Left"), 0.0);
    EXPECT_EQ(left, SettingValue(1440.5));
    store.GetGtx(user);
    const QString scale = read(QStringLiteral("ｽｹｰﾙ表示"));
    const QString prefix = read(QStringLiteral("保存ﾌｧｲﾙ"));
    const SettingValue reduce = store.vGtVal(QStringLiteral("ｽｷｬﾝ後減色"), short(0));
    EXPECT_EQ(scale, QStringLiteral("実寸"));
    EXPECT_EQ(prefix, QStringLiteral("ｽｷｬﾝﾍﾟｰｼﾞ"));
    EXPECT_EQ(reduce, SettingValue(2.0));  // numbers always read as double precision
    commit(form, {{QStringLiteral("Left"), float(left.toDouble())}});
    commit(user, {{QStringLiteral("ｽｹｰﾙ表示"), scale},
                  {QStringLiteral("保存ﾌｧｲﾙ"), prefix},
                  {QStringLiteral("ｽｷｬﾝ後減色"), short(reduce.toDouble())}});
    EXPECT_EQ(save(), golden(QStringLiteral("hankaku.xml")));
}

TEST_F(SettingsFile, DvFileNameMeansTheOrdinaryFileAndAnEmptyFirstLineLoadsAsEmpty)
{
    ASSERT_TRUE(test::writeBytes(path(), golden(QStringLiteral("two_sections.xml"))));
    for (const QString& name : {QStringLiteral("User_dv.xml"), QStringLiteral("User_DV.XML")}) {
        bool ok = false;
        store.GetTxt(path(name), ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(store.filePath(), path());
    }
    store.GetGtx(form);
    EXPECT_EQ(store.vGtVal(QStringLiteral("Left"), 0), SettingValue(900.0));
    EXPECT_EQ(save(), golden(QStringLiteral("two_sections.xml")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("User.xml")});

    // The next save replaces a file whose first line is empty.
    load("\r\n" + golden(QStringLiteral("two_sections.xml")));
    store.GetGtx(form);
    EXPECT_EQ(store.vGtVal(QStringLiteral("Left"), 77), SettingValue(77));
    EXPECT_EQ(save(), golden(QStringLiteral("fresh.xml")));
}

TEST_F(SettingsFile, ValuesReadInTheKindOfTheirDefault)
{
    load(skeleton +
         "   <S>\r\n"
         "      <N1>12abc</N1>\r\n      <N2>abc</N2>\r\n      <N3> -1 2.5e1</N3>\r\n"
         "      <B1>true</B1>\r\n      <B2>FALSE</B2>\r\n"
         "      <B3>-1</B3>\r\n      <B4>yes</B4>\r\n"
         "      <D1>2024/03/09 13:05:09</D1>\r\n      <D2>soon</D2>\r\n"
         "      <C>x</C>y</C>\r\n      <Empty></Empty>\r\n      <LEFT>5</LEFT>\r\n"
         "   </S>\r\n" +
         rootClose);
    store.GetGtx(QStringLiteral("S"));
    EXPECT_EQ(store.vGtVal(QStringLiteral("N1"), 0), SettingValue(12.0));
    EXPECT_EQ(store.vGtVal(QStringLiteral("N2"), 5), SettingValue(0.0));
    EXPECT_EQ(store.vGtVal(QStringLiteral("N3"), 0.0f), SettingValue(-125.0));
    EXPECT_EQ(store.vGtVal(QStringLiteral("B1"), false), SettingValue(true));
    EXPECT_EQ(store.vGtVal(QStringLiteral("B2"), true), SettingValue(false));
    EXPECT_EQ(store.vGtVal(QStringLiteral("B3"), false), SettingValue(true));
    // A text that is no boolean reads as the default instead of failing.
    EXPECT_EQ(store.vGtVal(QStringLiteral("B4"), true), SettingValue(true));
    const QDateTime fallback(QDate(2000, 1, 1), QTime(0, 0));
    EXPECT_EQ(store.vGtVal(QStringLiteral("D1"), fallback),
              SettingValue(QDateTime(QDate(2024, 3, 9), QTime(13, 5, 9))));
    EXPECT_EQ(store.vGtVal(QStringLiteral("D2"), fallback), SettingValue(fallback));
    // A value holding its own closing tag is cut there on reading.
    EXPECT_EQ(read(QStringLiteral("C")), "x");
    // Missing, empty, stored empty and differently cased items give the default.
    EXPECT_EQ(read(QStringLiteral("Absent")), "-");
    EXPECT_EQ(store.vGtVal(QStringLiteral("Empty"), 3), SettingValue(3));
    EXPECT_EQ(store.vGtVal(QStringLiteral("Left"), 9), SettingValue(9));
    store.SetVal(QStringLiteral("Stored"), QString());
    EXPECT_EQ(store.vGtVal(QStringLiteral("Stored"), true), SettingValue(true));
    store.GetGtx(QStringLiteral("Missing section"));
    EXPECT_EQ(store.vGtVal(QStringLiteral("LEFT"), 1.5), SettingValue(1.5));
    EXPECT_TRUE(prompt.shown.isEmpty());
}

TEST_F(SettingsFile, DamagedTagPairsAreReportedAtEveryReadAndGiveTheDefault)
{
    load(skeleton + "   <" + formBytes + ">\r\n      <Left>900\r\n      </Top>1<Top>\r\n   </" +
         formBytes + ">\r\n   </Z>\r\n" + rootClose);
    store.GetGtx(form);
    EXPECT_EQ(store.vGtVal(QStringLiteral("Left"), 5), SettingValue(5));
    EXPECT_EQ(store.vGtVal(QStringLiteral("Left"), 5), SettingValue(5));
    EXPECT_EQ(store.vGtVal(QStringLiteral("Top"), 6), SettingValue(6));
    store.GetGtx(QStringLiteral("Z"));
    EXPECT_TRUE(store.sectionText().isEmpty());
    const QString tail = QStringLiteral("> の設定が読み込めません\rﾕｰｻﾞｰ環境ﾌｧｲﾙ(") + path() +
                         QStringLiteral(") が破損しています");
    EXPECT_EQ(prompt.messages(),
              (QStringList{"<Left" + tail, "<Left" + tail, "<Top" + tail, "<Z" + tail}));
    EXPECT_EQ(prompt.shown.front().title, QStringLiteral("Tavlo"));

    // Fewer than five characters between a section's tags: an empty section, no failure.
    load(skeleton + "<S></S><T>\r\n</T>" + rootClose);
    store.GetGtx(QStringLiteral("T"));
    EXPECT_TRUE(store.sectionText().isEmpty());
}

TEST_F(SettingsFile, LongTextsAMissingRootCloseAndCharactersOutsideCodePage932)
{
    // Far beyond the 32,767 characters a 16-bit position could reach.
    const QString longValue(40000, QLatin1Char('x'));
    load();
    commit(QStringLiteral("A"), {{QStringLiteral("Long"), longValue}});
    commit(QStringLiteral("B"), {{QStringLiteral("Late"), QStringLiteral("found")}});
    store.loadFileBytes(save());
    store.GetGtx(QStringLiteral("B"));
    EXPECT_EQ(read(QStringLiteral("Late")), "found");
    store.GetGtx(QStringLiteral("A"));
    EXPECT_EQ(read(QStringLiteral("Long")), longValue);

    // A text without </運用> gets the section and a new closing tag.
    const QByteArray cut = skeleton + "   <A>\r\n      <K>1</K>\r\n   </A>";
    load(cut);
    commit(QStringLiteral("B"), {{QStringLiteral("K"), 2}});
    EXPECT_EQ(save(), cut + "\r\n   <B>\r\n      <K>2</K>\r\n   </B>\r\n" + rootClose);

    // Each character code page 932 lacks becomes one "?".
    load(skeleton + rootClose);
    commit(QStringLiteral("S"), {{QStringLiteral("K"), QStringLiteral("a\u00e9\U0001F600b")},
                                 {QStringLiteral("L"), QStringLiteral("表")}});
    EXPECT_EQ(save(), skeleton +
                          "   <S>\r\n      <K>a??b</K>\r\n      <L>\x95\x5c</L>\r\n"
                          "   </S>\r\n" +
                          rootClose);
}

TEST_F(SettingsFile, AFailedSaveLeavesTheOldFileWholeAndSaysSo)
{
    load(golden(QStringLiteral("two_sections.xml")));
    commit(form, {{QStringLiteral("Note"), QString(400, QLatin1Char('n'))}});

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

    // A file that cannot be created is reported too; a later save builds the skeleton.
    store.GetTxt(dir.path() + QStringLiteral("/missing/User.xml"), ok);
    EXPECT_FALSE(ok);
    commit(form, {});
    EXPECT_TRUE(store.text().startsWith(QStringLiteral("<?xml")));
    ok = true;
    store.SetTxt(ok);
    EXPECT_FALSE(ok);
}

// A file an editor saved as UTF-8 or UTF-16 reads as such, and goes back in the same encoding, so a
// character code page 932 lacks (Hangul here) is not turned into "?".
TEST_F(SettingsFile, Utf8AndUtf16FilesAreReadAndWrittenBackInTheirEncoding)
{
    const QString text =
        QStringLiteral("<?xml version='1.0' encoding='Shift-JIS' ?>\r\n<運用>\r\n   <") + user +
        QStringLiteral(">\r\n      <K>스캔-001</K>\r\n   </") + user +
        QStringLiteral(">\r\n</運用>");
    const auto utf16 = [&](QStringConverter::Encoding encoding, bool mark) {
        QStringEncoder encoder(encoding, mark ? QStringConverter::Flag::WriteBom
                                              : QStringConverter::Flag::Default);
        return QByteArray(encoder.encode(text));
    };
    const std::pair<const char*, QByteArray> files[] = {
        {"UTF-8", text.toUtf8()},
        {"UTF-8 with mark", "\xEF\xBB\xBF" + text.toUtf8()},
        {"UTF-16LE with mark", utf16(QStringConverter::Utf16LE, true)},
        {"UTF-16BE with mark", utf16(QStringConverter::Utf16BE, true)},
        {"UTF-16LE without mark", utf16(QStringConverter::Utf16LE, false)},
    };
    for (const auto& [what, bytes] : files) {
        SCOPED_TRACE(what);
        load(bytes);
        store.GetGtx(user);
        EXPECT_EQ(read(QStringLiteral("K")), QStringLiteral("스캔-001"));
        commit(user, {{QStringLiteral("L"), QStringLiteral("한")}});
        const SettingsFileText::Decoded back = SettingsFileText::decode(save());
        EXPECT_FALSE(back.damaged);
        EXPECT_TRUE(back.text.contains(QStringLiteral("<K>스캔-001</K>")));
        EXPECT_TRUE(back.text.contains(QStringLiteral("<L>한</L>")));
    }
    EXPECT_TRUE(prompt.shown.isEmpty());
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("User.xml.bak"))));
}

// A file that is there but cannot be used is told at start and kept beside the new one at the
// first save, under the name the message gave; later saves do not touch the kept file, and an
// older kept file is not replaced. (Unreadable comes through the file system: as root every file
// can be read.)
TEST_F(SettingsFile, AFileThatCannotBeUsedIsToldAndKeptOnceAsBak)
{
    struct Unreadable : FileSystem {
        std::optional<QByteArray> readFile(const QString&, qint64) override { return std::nullopt; }
    };
    QByteArray big(SettingsStore::kMaxFileBytes + 1, 'x');
    const struct {
        const char* what;
        QByteArray bytes;
        bool unreadable;
        const char* reason;
    } cases[] = {
        {"unreadable", golden(QStringLiteral("two_sections.xml")), true, "読み取りできません"},
        {"too large", big, false, "大きすぎます"},
        {"binary", QByteArray("\x01\x02\x00\xff\xfe\x81", 6), false,
         "文字として読めない部分があります"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(path(QStringLiteral("User.xml.bak")));
        QFile::remove(path(QStringLiteral("User.xml.bak2")));
        prompt.shown.clear();
        ASSERT_TRUE(test::writeBytes(path(), c.bytes));
        if (c.unreadable)
            installFileSystem(std::make_unique<Unreadable>());
        bool ok = true;
        store.GetTxt(path(), ok);
        installFileSystem(nullptr);
        const QString bak = path(QStringLiteral("User.xml.bak"));
        ASSERT_EQ(prompt.messages().size(), 1);
        EXPECT_TRUE(prompt.messages()[0].contains(path())) << prompt.messages()[0].toStdString();
        EXPECT_TRUE(prompt.messages()[0].contains(QString::fromUtf8(c.reason)));
        EXPECT_TRUE(prompt.messages()[0].contains(bak));
        EXPECT_EQ(store.backupPath(), bak);

        commit(form, {{QStringLiteral("Left"), 900}});
        save();
        EXPECT_EQ(readBytes(bak), c.bytes);
        EXPECT_TRUE(readBytes(path()).contains("<Left>900</Left>"));
        commit(form, {{QStringLiteral("Left"), 901}});
        save();
        EXPECT_EQ(readBytes(bak), c.bytes);  // kept once
        EXPECT_TRUE(readBytes(path()).contains("<Left>901</Left>"));
    }
    // With a kept file already there, the next free name is taken.
    ASSERT_TRUE(test::writeBytes(path(), "\x01\x02"));
    bool ok = true;
    store.GetTxt(path(), ok);
    EXPECT_EQ(store.backupPath(), path(QStringLiteral("User.xml.bak2")));
    save();
    EXPECT_EQ(readBytes(path(QStringLiteral("User.xml.bak"))), cases[2].bytes);
    EXPECT_EQ(readBytes(path(QStringLiteral("User.xml.bak2"))), QByteArray("\x01\x02"));

    // Behind a link, the file the link names is kept: the link's target gets the new settings.
    QDir(dir.path()).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(dir.path()));
    ASSERT_TRUE(test::writeBytes(path(QStringLiteral("real.xml")), "\x01\x03"));
    ASSERT_TRUE(QFile::link(path(QStringLiteral("real.xml")), path()));
    store.GetTxt(path(), ok);
    commit(form, {{QStringLiteral("Left"), 901}});
    save();
    EXPECT_EQ(readBytes(path(QStringLiteral("User.xml.bak"))), QByteArray("\x01\x03"));
    EXPECT_TRUE(QFileInfo(path()).isSymLink());
    EXPECT_TRUE(readBytes(path(QStringLiteral("real.xml"))).contains("<Left>901</Left>"));
}

// A 100 MB settings file is never read whole: only up to the limit, after which it counts as
// damaged. (The file is sparse, so the test costs no disk space.)
TEST_F(SettingsFile, AHugeFileIsReadOnlyUpToTheLimit)
{
    QFile huge(path());
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(qint64(100) << 20));
    huge.close();
    const std::optional<QByteArray> start = fileSystem().readFile(path(), 1000);
    ASSERT_TRUE(start.has_value());
    EXPECT_EQ(start->size(), 1001);
    bool ok = true;
    store.GetTxt(path(), ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(store.fileBytes(), skeleton + rootClose);
    save();
    EXPECT_EQ(QFileInfo(path(QStringLiteral("User.xml.bak"))).size(), qint64(100) << 20);
}

// A pipe (or a link to one) where the settings file should be is neither read (which would wait
// for ever) nor replaced by a plain file.
TEST_F(SettingsFile, APipeInPlaceOfTheFileIsNeitherReadNorReplaced)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(path(QStringLiteral("pipe"))).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(path(QStringLiteral("pipe")), path()));
    bool ok = true;
    store.GetTxt(path(), ok);
    EXPECT_FALSE(ok);
    ASSERT_EQ(prompt.messages().size(), 1);
    EXPECT_TRUE(prompt.messages()[0].contains(QStringLiteral("通常のﾌｧｲﾙではありません")));
    commit(form, {{QStringLiteral("Left"), 900}});
    store.SetTxt(ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(store.lastError(), AtomicFile::notRegularFileReason());
    EXPECT_TRUE(QFileInfo(path()).isSymLink());
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("User.xml.bak"))));
}

}  // namespace
}  // namespace tavlo
