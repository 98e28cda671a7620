#pragma once

#include <QString>

namespace tavlo {

// Names used by the shell helpers of the settings store (SettingsStore::W_Help, W_HtmView,
// W_SendTo, W_ExpFd).

// The help base: the file:// URL of the help folder that ships beside the executable
// (program folder + "help/"), ending in "/".
QString helpBaseUrl();

// A help page name as W_Help opens it: lower-cased, ".htm" appended when it holds no ".".
// "Tavlo.HTM" -> "tavlo.htm", "index" -> "index.htm", "a.txt" stays "a.txt".
QString helpPageName(const QString& sJob);

// The desktop entries the helpers write (the shortcuts of this desktop):
//   W_Help     user data folder + program name + "_help.desktop"
//   W_HtmView  user data folder + "Wrk/htm_view.desktop"
//   W_SendTo   Send To folder + "/" + program name + ".desktop"
QString helpEntryPath();
QString htmViewEntryPath();
QString sendToEntryPath();

// Tells the user that the desktop could not open something: what (first line), the path or URL
// (second line) and the program that could not be started (third line). Nothing the desktop is
// asked to open fails silently.
void tellNotOpened(const QString& what, const QString& target, const QString& program);

}  // namespace tavlo
