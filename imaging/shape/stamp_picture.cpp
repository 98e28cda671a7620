#include "imaging/shape/stamp_picture.h"

#include "imaging/codecs/image_file.h"

#include <QFileInfo>

namespace tavlo {

StampPicture StampPicture::load(const QString& path)
{
    StampPicture stamp;
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        stamp.problem = QString::fromUtf8("ｽﾀﾝﾌﾟ画像がありません: ") + path;
        return stamp;
    }
    const codecs::Decoded decoded = codecs::readImageFile(path);
    if (decoded.image.isNull()) {
        stamp.problem = QString::fromUtf8("ｽﾀﾝﾌﾟ画像を読めません: ") + path;
        if (!decoded.error.isEmpty())
            stamp.problem += QStringLiteral(" (") + decoded.error + QLatin1Char(')');
        return stamp;
    }
    stamp.image = decoded.image.pixels().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return stamp;
}

}  // namespace tavlo
