#pragma once

#include <QString>
#include <QStringList>

namespace tavlo {

// What the command line asks of the program: `tavlo [FILE...]`, `tavlo --help`,
// `tavlo --version`. The first file is opened as the open dialog opens one; any further files
// are passed over without a word (a file manager's "Open with" may hand over several).
struct CommandLine {
    // True when the program answers on the terminal and ends without a window.
    bool exitAtOnce = false;
    int exitCode = 0;
    QString standardOutput;  // for --help and --version
    QString standardError;   // for an unknown option
    // The absolute path of the file to open, "" for none.
    QString fileToOpen;
};

// Reads the arguments as main() received them (the first is the program). "-h"/"--help" and
// "-v"/"--version" answer at once; any other argument starting with "-" is an unknown option
// (exit code 2), except "--", after which every argument is a file. A "file://" URL stands for
// its local file; a relative path is taken from workingFolder.
CommandLine readCommandLine(const QStringList& arguments, const QString& workingFolder,
                            const QString& version);

}  // namespace tavlo
