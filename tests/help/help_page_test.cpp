#include "main_window/menu_tree.h"
#include "main_window/tool_strip.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QMenuBar>
#include <QStringDecoder>

namespace tavlo {
namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The help page as it ships beside the executable: the source's bytes, UTF-8 Japanese HTML that
// names every menu command (captions as the menus show them), tool button and dialog.
TEST(HelpPage, ShipsBesideTheExecutableAndDescribesEveryCommandButtonAndDialog)
{
    const QByteArray built = readAll(QStringLiteral(TAVLO_HELP_BUILD_DIR "/tavlo.htm"));
    ASSERT_FALSE(built.isEmpty()) << "help page missing beside the executable";
    EXPECT_EQ(built, readAll(QStringLiteral(TAVLO_HELP_SOURCE_DIR "/tavlo.htm")));
    QStringDecoder decode(QStringConverter::Utf8, QStringDecoder::Flag::Stateless);
    QString page = decode(built);
    EXPECT_FALSE(decode.hasError());
    EXPECT_TRUE(page.contains(QStringLiteral("<html lang=\"ja\">")));
    EXPECT_TRUE(page.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    page.replace(QStringLiteral("&amp;"), QStringLiteral("&"));

    QStringList named = {QStringLiteral("解像度の設定"), QStringLiteral("選択･切取ｻｲｽﾞの登録"),
                         QStringLiteral("画像の回転")};
    QMenuBar bar;
    MenuTree menus(&bar);
    for (MenuGroup* group : menus.groups()) {
        for (int i : group->indexes()) {
            const QString caption = group->caption(i).trimmed();
            if (caption != QLatin1String("-") && caption != QLatin1String("?"))
                named << caption;
        }
    }
    for (int button : ToolStrip::ButtonIndexes)
        named << ToolStrip::tooltipOf(button);
    EXPECT_GT(named.size(), 80);
    for (const QString& text : named)
        EXPECT_TRUE(page.contains(text)) << text.toStdString();
}

}  // namespace
}  // namespace tavlo
