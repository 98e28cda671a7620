#pragma once

#include <QByteArray>
#include <QString>

namespace tavlo {

// The bytes of "User.xml" and its text. The program writes code page 932; a file an editor saved
// as UTF-8 (with or without a byte-order mark) or UTF-16 (with a mark, or starting with "<" in
// either byte order) is read as such and written back in the same encoding, so no character the
// user put there is lost to "?".
class SettingsFileText {
public:
    enum class Encoding { Cp932, Utf8, Utf8WithMark, Utf16LE, Utf16BE };

    struct Decoded {
        QString text;
        Encoding encoding = Encoding::Cp932;
        // Bytes that are not text in the encoding (they read as U+FFFD), or control characters
        // other than tab, CR and LF: the file is damaged or not a settings file at all.
        bool damaged = false;
    };

    static Decoded decode(const QByteArray& bytes);

    // The text in the encoding, with the byte-order mark the encoding calls for.
    static QByteArray encode(const QString& text, Encoding encoding);
};

}  // namespace tavlo
