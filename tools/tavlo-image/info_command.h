#pragma once

#include <QStringList>
#include <QTextStream>

namespace tavlo::tools {

// `tavlo-image info [--skew] FILE...`: one line per file on out,
//   PATH: WIDTHxHEIGHT code=CODE dpi=XDPIxYDPI format=FORMAT [skew=D]
// With --skew (anywhere among the files) each line ends in the page's skew (process/skew_finder.h):
// D in degrees with two decimals, the turn to the left that levels the lines (positive when they
// fall to the right), or "none" when no direction is found.
// or, for a file that cannot be read,
//   PATH: error: REASON
// Exit status 0 when every file was read, 1 when any was not, 2 when no file was named.
int runInfo(const QStringList& arguments, QTextStream& out, QTextStream& err);

}  // namespace tavlo::tools
