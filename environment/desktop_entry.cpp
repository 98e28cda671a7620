#include "environment/desktop_entry.h"

#include "environment/atomic_file.h"

namespace tavlo {
namespace {

bool writeWhole(const QString& file, const QString& text)
{
    return AtomicFile::writeWhole(file, text.toUtf8());
}

}  // namespace

QString DesktopEntry::escapeValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\t': out += QLatin1String("\\t"); break;
        default: out += c; break;
        }
    }
    return out;
}

QString DesktopEntry::quoteExecArgument(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = argument.isEmpty();
    for (const QChar c : argument)
        needsQuotes = needsQuotes || reserved.contains(c);
    QString out;
    for (const QChar c : argument) {
        if (c == QLatin1Char('%'))
            out += QLatin1String("%%");
        else if (needsQuotes && (c == QLatin1Char('"') || c == QLatin1Char('`') ||
                                 c == QLatin1Char('$') || c == QLatin1Char('\\')))
            out += QLatin1Char('\\') + QString(c);
        else
            out += c;
    }
    return needsQuotes ? QLatin1Char('"') + out + QLatin1Char('"') : out;
}

bool DesktopEntry::writeLink(const QString& file, const QString& name, const QString& url)
{
    const QString text = QStringLiteral("[Desktop Entry]\nType=Link\nName=%1\nURL=%2\n")
                             .arg(escapeValue(name), escapeValue(url));
    return writeWhole(file, text);
}

bool DesktopEntry::writeApplication(const QString& file, const QString& name,
                                    const QString& executable, const QString& icon,
                                    const QStringList& mimeTypes)
{
    // The Exec line is itself a string value, so its backslashes are escaped a second time.
    const QString exec = quoteExecArgument(executable) + QStringLiteral(" %f");
    QString text =
        QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\nTerminal=false\n")
            .arg(escapeValue(name), escapeValue(exec));
    if (!icon.isEmpty())
        text += QStringLiteral("Icon=%1\n").arg(escapeValue(icon));
    if (!mimeTypes.isEmpty())
        text += QStringLiteral("MimeType=%1;\n").arg(mimeTypes.join(QLatin1Char(';')));
    return writeWhole(file, text);
}

}  // namespace tavlo
