#pragma once

#include <QByteArray>
#include <QString>

namespace tavlo {

// Code page 932 (Shift-JIS as Windows writes it), the encoding of "User.xml" and "UserData.ini".
// Conversions use tables built once from glibc's iconv ("CP932"), so a text or file full of
// characters the other side lacks converts as fast as any other.
class Cp932 {
public:
    // Bytes to text. A byte sequence that is not code page 932 becomes U+FFFD and the rest is
    // still decoded, so a damaged file never stops a load.
    static QString decode(const QByteArray& bytes);

    // Text to bytes. A character that code page 932 cannot hold becomes "?" (as the Windows
    // conversion writes it); everything else is kept.
    static QByteArray encode(const QString& text);
};

}  // namespace tavlo
