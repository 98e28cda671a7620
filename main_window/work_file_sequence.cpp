#include "main_window/work_file_sequence.h"

#include "environment/number_text.h"

#include <QFileInfo>

#include <cmath>

namespace tavlo {

WorkFileSequence::WorkFileSequence(ExistsFunction exists) : m_exists(std::move(exists)) { }

QString WorkFileSequence::formatNumber(int number)
{
    return QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0'));
}

bool WorkFileSequence::exists(const QString& path) const
{
    return m_exists ? m_exists(path) : QFileInfo::exists(path);
}

QString WorkFileSequence::pathFor(const QString& prefix, int number) const
{
    QString folder = m_folder;
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder + QLatin1Char('/') + prefix + QLatin1Char('-') + formatNumber(number) +
           m_extension;
}

QString WorkFileSequence::noFreeNumber(const QString& prefix)
{
    m_error = QStringLiteral("作業ﾌｫﾙﾀﾞに「%1-」で始まる連番の空きがありません(上限 %2)。")
                  .arg(prefix)
                  .arg(kMaxNumber);
    return QString();
}

int WorkFileSequence::firstFree(const QString& prefix, int from) const
{
    for (int n = std::max(from, 1); n <= kMaxNumber; ++n) {
        if (!exists(pathFor(prefix, n)))
            return n;
    }
    return 0;
}

QString WorkFileSequence::NextWorkFileName(const QString& prefixText, int extensionIndex,
                                           const QString& workFolder)
{
    m_error.clear();
    const bool bmp = extensionIndex == 0;
    const QString savedFolder = m_folder;
    const QString savedExtension = m_extension;
    m_folder = workFolder;
    m_extension = bmp ? QStringLiteral(".bmp") : QStringLiteral(".tif");
    const auto refuse = [&](const QString& reason) {
        m_folder = savedFolder;
        m_extension = savedExtension;
        m_error = reason;
        return QString();
    };

    const qsizetype dash = prefixText.indexOf(QLatin1Char('-'));
    const QString prefix = dash < 0 ? prefixText : prefixText.left(dash);
    if (prefix.contains(QLatin1Char('/')) || prefix.contains(QChar(0)))
        return refuse(
            QStringLiteral("保存ﾌｧｲﾙ名「%1」に使えない文字 / が含まれています。").arg(prefix));

    int number = 0;
    const bool typed = dash >= 0 && hasLeadingNumber(prefixText.mid(dash + 1));
    if (!typed) {
        // No number given (also an empty field, or a word after the dash): the first free one.
        number = firstFree(prefix, 1);
        if (number == 0) {
            refuse(QString());
            return noFreeNumber(prefix);
        }
    } else {
        // The number typed after the first dash selects that file, rounded halves to even.
        const double typed = leadingNumber(prefixText.mid(dash + 1));
        if (!std::isfinite(typed) || typed >= kMaxNumber + 0.5)
            return refuse(QStringLiteral("連番「%1」が上限の %2 を超えています。\r"
                                         "保存ﾌｧｲﾙ名の連番を小さくしてください。")
                              .arg(prefixText.mid(dash + 1).trimmed())
                              .arg(kMaxNumber));
        number = roundHalfEven(typed);
        if (number <= 0)
            number = 1;
    }
    m_prefix = prefix;
    m_number = number;
    m_bmp = bmp;
    m_typed = typed;
    return pathFor(m_prefix, m_number);
}

QString WorkFileSequence::TakeFirstFree()
{
    m_error.clear();
    const int free = firstFree(m_prefix, m_number);
    if (free == 0)
        return noFreeNumber(m_prefix);
    m_number = free;
    return pathFor(m_prefix, m_number);
}

QString WorkFileSequence::fieldText() const
{
    return m_prefix + QLatin1Char('-') + formatNumber(m_number);
}

QString WorkFileSequence::AdvanceSequence()
{
    m_error.clear();
    int next = m_number + 1;
    if (!m_folder.isEmpty())
        next = next > kMaxNumber ? 0 : firstFree(m_prefix, next);
    if (next == 0 || next > kMaxNumber) {
        m_error = QStringLiteral("連番が上限の %1 に達しました。\r保存ﾌｧｲﾙ名を変えてください。")
                      .arg(kMaxNumber);
        return m_prefix + QLatin1Char('-') + QString::number(kMaxNumber + 1);
    }
    m_number = next;
    return fieldText();
}

}  // namespace tavlo
