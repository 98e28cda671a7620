#include "main_window/image_details_report.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>

namespace tavlo {

QString ImageDetailsReport::groupedNumber(qint64 value)
{
    if (value == 0)
        return QString();
    QString separator = QLocale().groupSeparator();
    if (separator.isEmpty())
        separator = QStringLiteral(",");
    const QString digits = QString::number(value < 0 ? 0 - quint64(value) : quint64(value));
    QString out = value < 0 ? QStringLiteral("-") : QString();
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += separator;
        out += digits[i];
    }
    return out;
}

QString ImageDetailsReport::text() const
{
    const QStringList lines = {
        QStringLiteral("ｲﾒｰｼﾞｻｲｽﾞ: ") + groupedNumber(dataSize),
        QStringLiteral("巾: ") + groupedNumber(width) + QStringLiteral("ﾋﾟｸｾﾙ"),
        QStringLiteral("高さ: ") + groupedNumber(height) + QStringLiteral("ﾋﾟｸｾﾙ"),
        QString(),
        QStringLiteral("解像度巾: ") + groupedNumber(dpiX == 0 ? 72 : dpiX) +
            QStringLiteral("ﾋﾟｸｾﾙ/ｲﾝﾁ"),
        QStringLiteral("解像度高さ: ") + groupedNumber(dpiY == 0 ? 72 : dpiY) +
            QStringLiteral("ﾋﾟｸｾﾙ/ｲﾝﾁ"),
        QString(),
        // Bit counts are 1 to 32; the shift is kept in range whatever comes.
        QStringLiteral("色数: ") + groupedNumber(qint64(1) << std::clamp(bits, 0, 62)) +
            QStringLiteral(" (") + QString::number(bits) + QStringLiteral("bit)"),
        QString(),
        QStringLiteral("***  Clipboard に貼り付けました"),
    };
    return lines.join(QLatin1Char('\r'));
}

}  // namespace tavlo
