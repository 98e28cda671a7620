#pragma once

#include <QStringList>
#include <QTextStream>

namespace tavlo::tools {

// `tavlo-image info FILE...`: one line per file on out,
//   PATH: WIDTHxHEIGHT code=CODE dpi=XDPIxYDPI format=FORMAT
// or, for a file that cannot be read,
//   PATH: error: REASON
// Exit status 0 when every file was read, 1 when any was not, 2 when no file was named.
int runInfo(const QStringList& paths, QTextStream& out, QTextStream& err);

}  // namespace tavlo::tools
