#include "environment/tool_path_store.h"

#include <QSettings>

namespace tavlo {
namespace {

QString keyOf(const QString& programName)
{
    return QStringLiteral("Path/") + programName;
}

}  // namespace

ToolPathStore::ToolPathStore()
    : fileName_(QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("HollinTools"))
                    .fileName())
{
}

ToolPathStore::ToolPathStore(const QString& fileName) : fileName_(fileName) {}

QString ToolPathStore::read(const QString& programName, bool* ok) const
{
    const QSettings settings(fileName_, QSettings::IniFormat);
    if (ok)
        *ok = settings.status() == QSettings::NoError;
    return settings.value(keyOf(programName)).toString();
}

bool ToolPathStore::write(const QString& programName, const QString& path)
{
    QSettings settings(fileName_, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return false;
    settings.setValue(keyOf(programName), path);
    settings.sync();
    return settings.status() == QSettings::NoError && settings.isWritable();
}

QString ToolPathStore::fileName() const
{
    return fileName_;
}

}  // namespace tavlo
