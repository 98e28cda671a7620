#include <gtest/gtest.h>

#include <QFile>
#include <QStringConverter>
#include <QStringDecoder>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The page as a reader sees its text: UTF-8, with the one entity the captions need resolved.
QString pageText(const QByteArray& bytes, bool* valid)
{
    QStringDecoder decode(QStringConverter::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decode(bytes);
    *valid = !decode.hasError();
    return text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
}

TEST(HelpPage, ShipsBesideTheExecutableAsUtf8JapaneseHtml)
{
    const QByteArray built = readAll(QStringLiteral(TAVLO_HELP_BUILD_DIR "/tavlo.htm"));
    ASSERT_FALSE(built.isEmpty()) << "help page missing beside the executable";
    EXPECT_EQ(built, readAll(QStringLiteral(TAVLO_HELP_SOURCE_DIR "/tavlo.htm")));
    bool valid = false;
    const QString page = pageText(built, &valid);
    EXPECT_TRUE(valid);
    EXPECT_TRUE(page.contains(QStringLiteral("<html lang=\"ja\">")));
    EXPECT_TRUE(page.contains(QStringLiteral("<meta charset=\"utf-8\">")));
}

TEST(HelpPage, DescribesEveryMenuCommandToolButtonAndDialog)
{
    bool valid = false;
    const QString page =
        pageText(readAll(QStringLiteral(TAVLO_HELP_BUILD_DIR "/tavlo.htm")), &valid);
    const char* const named[] = {
        // The menu bar and every command under it.
        "ﾌｧｲﾙ(&F)", "開く(&O)", "上書き保存(&S)", "名前を付けて保存", "印刷設定", "印刷(&P)",
        "作業ﾌｫﾙﾀﾞに保存", "作業ﾌｫﾙﾀﾞをｴｸｽﾌﾟﾛｰﾗｰで開く", "作業ﾌｫﾙﾀﾞを Pelmoで開く",
        "作業ﾌｫﾙﾀﾞを空にする", "ﾌｧｲﾙの詳細", "終了(&X)",
        "ｽｷｬﾝ", "実行", "ｿｰｽの選択",
        "画像編集(&E)", "ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ", "ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ・最小化", "ｸﾘｯﾌﾟﾎﾞｰﾄﾞから貼付",
        "範囲", "範囲の登録", "範囲のｸﾘｱ", "強調(相対)", "強調(ﾏｰｶｰ)", "ﾄﾘﾐﾝｸﾞ", "ﾘｻｲｽﾞ",
        "横方向を基準に縮小", "縦方向を基準に縮小", "縦横比率を変えて縮小", "綴じ込み", "縦方向",
        "横方向", "回転", "左右反転", "上下反転", "右90度", "右180度", "左90度", "左180度",
        "詳細指定", "色数", "16色(4bit)", "ｸﾞﾚｰ(4bit)", "256色(8bit)", "ｸﾞﾚｰ(8bit)", "16bit",
        "24bit", "32bit", "ﾂｰﾙﾊﾞｰを表示", "ｽﾞｰﾑ", "50%", "1000%", "解像度",
        "表示(&D)", "ｽｹｰﾙ表示", "作業ﾌｫﾙﾀﾞを再表示",
        "設定(&U)", "ｽｷｬﾝ後減色(&C)", "何もしない", "ｽｷｬﾝ後印刷", "印刷しない", "画像ｻｲｽﾞで印刷",
        "用紙ｻｲｽﾞで印刷", "ﾍﾙﾌﾟ(&H)",
        // The tool buttons' tooltips.
        "Ctrl+O 画像ﾌｧｲﾙを開きます", "Ctrl+S 上書き保存", "Ctrl+W 作業ﾌｫﾙﾀﾞに保存",
        "Ctrl+W 作業ﾌｫﾙﾀﾞをｴｸｽﾌﾟﾛｰﾗｰで開きます", "Ctrl+R ｽｷｬﾝを開始します",
        "Ctrl+C 現在の画像をｸﾘｯﾌﾟﾎﾞｰﾄﾞに貼り付けます", "Ctrl+X 画像をﾄﾘﾐﾝｸﾞします",
        "Ctrl+T 縦方向に綴じこめます", "Ctrl+Y 横方向に綴じこめます",
        // The dialogs.
        "解像度の設定", "選択･切取ｻｲｽﾞの登録", "画像の回転",
    };
    for (const char* caption : named)
        EXPECT_TRUE(page.contains(QString::fromUtf8(caption))) << caption;
}

}  // namespace
