#pragma once

#include <QString>
#include <QStringList>

namespace tavlo {

// Freedesktop desktop entries (".desktop" files), the shortcuts of this desktop: a link to a URL
// (Type=Link) or a launcher of a program (Type=Application). Files are written whole through a
// temporary file, so an existing entry is replaced only by a complete one.
class DesktopEntry {
public:
    // Writes a link entry; false when the file could not be written (a missing folder included).
    static bool writeLink(const QString& file, const QString& name, const QString& url);

    // Writes a launcher of an executable. The launcher hands the executable one file ("%f": a
    // file manager starts it once per file); an icon (a theme icon name or a path) and the MIME
    // types it opens ("Open with" in a file manager) are written when given.
    static bool writeApplication(const QString& file, const QString& name,
                                 const QString& executable, const QString& icon = QString(),
                                 const QStringList& mimeTypes = {});

    // A string value as a desktop entry holds it: backslash, line breaks and tabs escaped.
    static QString escapeValue(const QString& value);

    // One argument of an Exec line: quoted when it holds a reserved character, with the
    // characters that are special inside quotes escaped, and "%" doubled.
    static QString quoteExecArgument(const QString& argument);
};

}  // namespace tavlo
