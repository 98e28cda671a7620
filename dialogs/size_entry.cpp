#include "dialogs/size_entry.h"

#include "environment/number_text.h"

namespace tavlo {

std::optional<SizeEntry> parseSizeEntry(const QString& text)
{
    const QStringList fields = text.split(u',');
    if (fields.size() < 4)
        return std::nullopt;
    SizeEntry entry;
    entry.name = fields[0];
    entry.width = float(leadingNumber(fields[1]));
    entry.height = float(leadingNumber(fields[2]));
    entry.centimetres = fields[3].toLower() == QLatin1String("cm");
    return entry;
}

QString sizeText(float value)
{
    return shortestNumberText(double(value), 7);
}

bool fitsSizeEntry(const QString& field)
{
    return !field.contains(u',') && !field.contains(u':');
}

QStringList readableSizeEntries(const QString& list)
{
    QStringList entries;
    for (const QString& segment : list.split(u':')) {
        if (!segment.isEmpty() && parseSizeEntry(segment))
            entries << segment;
    }
    return entries;
}

}  // namespace tavlo
