#include "imaging/file_object.h"

#include "environment/user_prompt.h"
#include "environment/atomic_file.h"
#include "imaging/codecs/image_file.h"
#include "imaging/codecs/jpeg2000_codec.h"
#include "imaging/image_store.h"

#include <QCoreApplication>

namespace tavlo {

namespace {

// JPEG 2000 through the same replace-when-complete file as every other format; the general
// dispatch does not offer it, since the control's classic save codes have no number for it.
QString writeJpeg2000File(const Image& image, const QString& path)
{
    AtomicFile file(path);
    if (!file.open())
        return file.error();
    const QString reason = codecs::writeJpeg2000(image, file.device());
    if (!reason.isEmpty())
        return reason;
    return file.commit() ? QString() : file.error();
}

}  // namespace

FileObject::FileObject(CurrentImage& current) : m_current(current) {}

bool FileObject::CanSave(int formatCode)
{
    if (formatCode == kSaveJpeg2000)
        return true;
    const std::optional<codecs::ImageFormat> format = codecs::formatFromSaveCode(formatCode);
    return format && codecs::formatWritable(*format);
}

void FileObject::tellFailure(const QString& what, const QString& reason) const
{
    const QString name = m_fileName.isEmpty() ? QStringLiteral("(ﾌｧｲﾙ名なし)") : m_fileName;
    userPrompt().message(QCoreApplication::applicationName(),
                         what + QLatin1Char('\r') + name + QLatin1Char('\r') + reason);
}

bool FileObject::LoadFile()
{
    static const QString what = QStringLiteral("画像ﾌｧｲﾙを読み込めませんでした。");
    if (m_fileName.isEmpty()) {
        tellFailure(what, QStringLiteral("ﾌｧｲﾙ名がありません"));
        return false;
    }
    codecs::Decoded decoded = codecs::readImageFile(m_fileName);
    if (!decoded.ok()) {
        tellFailure(what, decoded.error.isEmpty() ? QStringLiteral("ﾌｧｲﾙが壊れています") : decoded.error);
        return false;
    }
    m_current.replace(std::move(decoded.image));
    return true;
}

bool FileObject::SaveFile(int formatCode, quint32 handle)
{
    static const QString what = QStringLiteral("画像ﾌｧｲﾙを保存できませんでした。");
    const std::optional<codecs::ImageFormat> format = formatCode == kSaveJpeg2000
                                                          ? codecs::ImageFormat::Jpeg2000
                                                          : codecs::formatFromSaveCode(formatCode);
    if (!format) {
        tellFailure(what, QStringLiteral("保存形式の番号 %1 は使えません").arg(formatCode));
        return false;
    }
    const Image* image = ImageStore::instance().find(handle);
    if (!image) {
        tellFailure(what, QStringLiteral("保存する画像がありません"));
        return false;
    }
    if (m_fileName.isEmpty()) {
        tellFailure(what, QStringLiteral("ﾌｧｲﾙ名がありません"));
        return false;
    }
    codecs::WriteOptions options;
    options.jpegQuality = m_jpegQuality;
    const QString reason = *format == codecs::ImageFormat::Jpeg2000
                               ? writeJpeg2000File(*image, m_fileName)
                               : codecs::writeImageFile(*image, m_fileName, *format, options);
    if (!reason.isEmpty()) {
        tellFailure(what, reason);
        return false;
    }
    return true;
}

bool FileObject::ShowSaveDialog()
{
    FileDialogRequest request;
    request.title = QStringLiteral("名前を付けて保存");
    request.initialName = m_fileName;
    for (const QString& extension : m_saveFilter.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString ext = extension.trimmed();
        request.filters.append(
            QStringLiteral("%1 ﾌｧｲﾙ|*.%2;*.%1").arg(ext.toUpper(), ext.toLower()));
    }
    const QString chosen = userPrompt().saveFileName(request);
    if (chosen.isEmpty())
        return false;
    m_fileName = chosen;
    return true;
}

}  // namespace tavlo
