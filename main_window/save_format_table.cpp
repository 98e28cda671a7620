#include "main_window/save_format_table.h"

#include "imaging/codecs/image_format.h"

namespace tavlo {
namespace {

// Where the file name starts: after the last "/".
qsizetype fileNameStart(const QString& path)
{
    return path.lastIndexOf(QLatin1Char('/')) + 1;
}

// The position of the last "." of the file name, or -1.
qsizetype extensionDot(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot >= fileNameStart(path) ? dot : -1;
}

}  // namespace

QString FileExtOf(const QString& path)
{
    const qsizetype dot = extensionDot(path);
    return dot < 0 ? QString() : path.mid(dot + 1).toUpper();
}

void LowerCaseExt(QString& path)
{
    const qsizetype dot = extensionDot(path);
    if (dot >= 0)
        path = path.left(dot + 1) + path.mid(dot + 1).toLower();
}

SaveFormatRule saveFormatRule(const QString& upperExt)
{
    const QString photo = QStringLiteral("80.24.");
    const QString palettes = QStringLiteral("1.4.40.8.80.24.");
    SaveFormatRule rule;
    if (upperExt == QLatin1String("JPG") || upperExt == QLatin1String("JPEG"))
        rule = {codecs::SaveCode::Jpeg, photo, 24, true, {}};
    else if (upperExt == QLatin1String("TIF") || upperExt == QLatin1String("TIFF"))
        rule = {codecs::SaveCode::Tiff, {}, 0, false, {}};
    else if (upperExt == QLatin1String("PNG"))
        rule = {codecs::SaveCode::Png, palettes, 24, false, {}};
    else if (upperExt == QLatin1String("FPX"))
        rule = {codecs::SaveCode::FlashPix, photo, 24, true, {}};
    else if (upperExt == QLatin1String("PCX"))
        rule = {codecs::SaveCode::Pcx, palettes, 24, false, {}};
    else if (upperExt == QLatin1String("GIF"))
        rule = {codecs::SaveCode::Gif, QStringLiteral("1.4.40.8.80."), 8, false, {}};
    else if (upperExt == QLatin1String("JP2"))
        rule = {codecs::SaveCode::Jpeg2000, {}, 0, false, {}};
    else if (upperExt == QLatin1String("J2K") || upperExt == QLatin1String("JPC"))
        rule.refusal = QStringLiteral("JPEG 2000 のｺｰﾄﾞｽﾄﾘｰﾑ形式(.j2k .jpc)では保存できません。"
                                      "JPEG 2000 で保存するときは .jp2 の名前にしてください");
    return rule;
}

}  // namespace tavlo
