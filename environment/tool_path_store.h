#pragma once

#include <QString>

namespace tavlo {

// The per-user store of executable paths shared by the program and its companion tools:
// application "HollinTools", section "Path", one value per program name
// (~/.config/HollinTools.ini). Every program of the family registers its own executable here and
// finds the others through it.
class ToolPathStore {
public:
    // The store in the user's configuration folder.
    ToolPathStore();
    // A store in the given ini file (tests).
    explicit ToolPathStore(const QString& fileName);

    // The stored path of a program, "" when absent. False in *ok when the store cannot be read.
    QString read(const QString& programName, bool* ok = nullptr) const;

    // Stores a program's path; false when the store could not be written.
    bool write(const QString& programName, const QString& path);

    // The ini file that holds the store.
    QString fileName() const;

private:
    QString m_fileName;
};

}  // namespace tavlo
