#include "imaging/file_object.h"

#include "environment/process_values.h"
#include "environment/user_prompt.h"
#include "imaging/codecs/codec_reasons.h"
#include "imaging/codecs/image_file.h"
#include "imaging/image_store.h"
#include "imaging/imaging_log.h"

#include <QFileInfo>

namespace tavlo {

namespace {

}  // namespace

FileObject::FileObject(CurrentImage& current) : m_current(current) { }

bool FileObject::CanSave(int formatCode)
{
    return codecs::saveCodeWritable(formatCode);
}

QString FileObject::noImageReason()
{
    return QStringLiteral("保存する画像がありません");
}

void FileObject::tellFailure(const QString& what, const QString& reason) const
{
    const QString name = m_fileName.isEmpty() ? QStringLiteral("(ﾌｧｲﾙ名なし)") : m_fileName;
    qCWarning(lcImaging) << what << name << reason;
    userPrompt().message(programTitle(),
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
        tellFailure(what, decoded.error.isEmpty() ? codecs::reasons::damaged() : decoded.error);
        return false;
    }
    m_current.replace(std::move(decoded.image));
    if (Loaded)
        Loaded();
    return true;
}

bool FileObject::SaveFile(int formatCode, quint32 handle)
{
    static const QString what = QStringLiteral("画像ﾌｧｲﾙを保存できませんでした。");
    if (!codecs::formatFromSaveCode(formatCode)) {
        tellFailure(what, QStringLiteral("保存形式の番号 %1 は使えません").arg(formatCode));
        return false;
    }
    const Image* image = ImageStore::instance().find(handle);
    if (!image) {
        tellFailure(what, noImageReason());
        return false;
    }
    if (m_fileName.isEmpty()) {
        tellFailure(what, QStringLiteral("ﾌｧｲﾙ名がありません"));
        return false;
    }
    codecs::WriteOptions options;
    options.jpegQuality = m_jpegQuality;
    const QString reason = codecs::saveImageFile(*image, m_fileName, formatCode, options);
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
    request.initialFolder = m_initDir;
    const QString proposedType = QFileInfo(m_fileName).suffix().toUpper();
    QStringList types;
    for (const QString& extension : m_saveFilter.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString ext = extension.trimmed().toUpper();
        if (ext == proposedType)
            request.selectedFilter = int(types.size());
        types.append(ext);
        request.filters.append(QStringLiteral("%1 ﾌｧｲﾙ|*.%2;*.%1").arg(ext, ext.toLower()));
    }
    const QString chosen = userPrompt().saveFileName(request);
    if (chosen.isEmpty())
        return false;
    m_fileName = chosen;
    m_savedType = types.value(request.selectedFilter);
    return true;
}

}  // namespace tavlo
