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
    : m_fileName(
          QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("HollinTools"))
              .fileName())
{
}

ToolPathStore::ToolPathStore(const QString& fileName) : m_fileName(fileName) { }

QString ToolPathStore::read(const QString& programName, bool* ok) const
{
    const QSettings settings(m_fileName, QSettings::IniFormat);
    if (ok)
        *ok = settings.status() == QSettings::NoError;
    return settings.value(keyOf(programName)).toString();
}

bool ToolPathStore::write(const QString& programName, const QString& path)
{
    QSettings settings(m_fileName, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return false;
    settings.setValue(keyOf(programName), path);
    settings.sync();
    return settings.status() == QSettings::NoError && settings.isWritable();
}

QString ToolPathStore::fileName() const
{
    return m_fileName;
}

}  // namespace tavlo
