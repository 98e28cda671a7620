#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace tavlo::test {

// The folder of the shared test fixtures (tests/data).
inline QString testDataFolder()
{
    const QByteArray fromCtest = qgetenv("TAVLO_TEST_DATA");
    return fromCtest.isEmpty() ? QStringLiteral(TAVLO_TEST_DATA_DIR)
                               : QString::fromLocal8Bit(fromCtest);
}

// The bytes of a golden settings file in tests/data/settings.
inline QByteArray golden(const QString& name)
{
    QFile file(testDataFolder() + QStringLiteral("/settings/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing golden file>");
}

inline QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace tavlo::test

#include "environment/setting_value.h"

#include <ostream>

namespace tavlo {
// How a failed expectation shows a setting value: its kind and text form.
inline void PrintTo(const SettingValue& value, std::ostream* out)
{
    *out << "kind " << int(value.kind()) << " \"" << value.text().toStdString() << '"';
}
}  // namespace tavlo
