#include "main_window/unwritten_pages.h"

#include "environment/user_prompt.h"
#include "main_window/main_window_log.h"
#include "main_window/work_file_sequence.h"
#include "main_window/work_file_writer.h"

#include <QDir>
#include <QFileInfo>

namespace tavlo {

void UnwrittenPages::stopped(const QString& text, const QString& prefix, int number,
                             const QString& extension, codecs::ImageFormat format)
{
    m_text = text;
    m_prefix = prefix;
    m_number = number;
    m_extension = extension;
    m_format = format;
}

QString UnwrittenPages::nameAfter(int k) const
{
    return m_prefix + QLatin1Char('-') + WorkFileSequence::formatNumber(m_number + k) + m_extension;
}

void UnwrittenPages::report(const QList<Image>& later, WorkFileWriter& writer, const QString& title,
                            QWidget* parent)
{
    const QString text = std::exchange(m_text, QString());
    if (text.isEmpty())
        return;
    if (later.isEmpty()) {
        userPrompt().message(title, text);
        return;
    }
    QStringList names;
    for (int k = 1; k <= later.size(); ++k)
        names.append(nameAfter(k));
    qCWarning(lcWindow) << "pages read but not written:" << names;
    const QString question =
        text +
        QStringLiteral("\r\r読み取り済みで保存されていないﾍﾟｰｼﾞが、ほかに %1 ﾍﾟｰｼﾞあります:\r%2"
                       "\rﾌｫﾙﾀﾞを選んで保存しますか?")
            .arg(later.size())
            .arg(names.join(QStringLiteral("\r")));
    const QStringList buttons = {QStringLiteral("ﾌｫﾙﾀﾞに保存"), QStringLiteral("保存しない")};
    if (userPrompt().choose(title, question, buttons) != 0)
        return;
    FileDialogRequest request;
    request.title = QStringLiteral("ﾍﾟｰｼﾞを保存するﾌｫﾙﾀﾞ");
    request.parent = parent;
    const QString folder = userPrompt().folderName(request);
    if (folder.isEmpty())
        return;
    QStringList failed;
    int saved = 0;
    for (int k = 0; k < later.size(); ++k) {
        const QDir dir(folder);
        QString name = names[k];
        for (int copy = 2; QFileInfo::exists(dir.filePath(name)); ++copy)
            name = QFileInfo(names[k]).completeBaseName() + QStringLiteral(" (%1)").arg(copy) +
                   m_extension;
        const QString reason = writer.write(later[k], dir.filePath(name), m_format);
        if (reason.isEmpty())
            ++saved;
        else
            failed.append(name + QStringLiteral(": ") + reason);
    }
    if (!failed.isEmpty())
        userPrompt().message(title, QStringLiteral("次のﾍﾟｰｼﾞを保存できませんでした。\r") +
                                        failed.join(QLatin1Char('\r')));
    qCInfo(lcWindow) << saved << "unwritten pages saved into" << folder;
}

}  // namespace tavlo
