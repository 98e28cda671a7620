#include "environment/settings_file_text.h"

#include "environment/cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace tavlo {
namespace {

bool startsWith(const QByteArray& bytes, const char* mark, qsizetype length)
{
    return bytes.size() >= length && bytes.left(length) == QByteArray::fromRawData(mark, length);
}

// Decodes strictly; false when any byte sequence is not valid in the encoding.
bool decodeStrictly(const QByteArray& bytes, QStringConverter::Encoding encoding, QString& text)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    text = decoder.decode(bytes);
    return !decoder.hasError();
}

bool hasForeignControls(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\r' && u != u'\n') || u == 0x7f || u == 0xfffd)
            return true;
    }
    return false;
}

}  // namespace

SettingsFileText::Decoded SettingsFileText::decode(const QByteArray& bytes)
{
    Decoded result;
    bool valid = true;
    if (startsWith(bytes, "\xEF\xBB\xBF", 3)) {
        result.encoding = Encoding::Utf8WithMark;
        valid = decodeStrictly(bytes.mid(3), QStringConverter::Utf8, result.text);
    } else if (startsWith(bytes, "\xFF\xFE", 2) || startsWith(bytes, "<\0", 2)) {
        result.encoding = Encoding::Utf16LE;
        valid = bytes.size() % 2 == 0 && decodeStrictly(bytes.mid(bytes.startsWith('<') ? 0 : 2),
                                                        QStringConverter::Utf16LE, result.text);
    } else if (startsWith(bytes, "\xFE\xFF", 2) || startsWith(bytes, "\0<", 2)) {
        result.encoding = Encoding::Utf16BE;
        valid = bytes.size() % 2 == 0 && decodeStrictly(bytes.mid(bytes.startsWith('\0') ? 0 : 2),
                                                        QStringConverter::Utf16BE, result.text);
    } else {
        // Code page 932 writes "運用" and every other kanji with bytes that are never valid
        // UTF-8, so a file that is valid UTF-8 and not plain ASCII was saved as UTF-8.
        QString utf8;
        bool ascii = true;
        for (const char byte : bytes) {
            if (uchar(byte) >= 0x80) {
                ascii = false;
                break;
            }
        }
        if (!ascii && decodeStrictly(bytes, QStringConverter::Utf8, utf8)) {
            result.encoding = Encoding::Utf8;
            result.text = utf8;
        } else {
            result.text = Cp932::decode(bytes);
        }
    }
    result.damaged = !valid || hasForeignControls(result.text);
    return result;
}

QByteArray SettingsFileText::encode(const QString& text, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Cp932: return Cp932::encode(text);
    case Encoding::Utf8: return text.toUtf8();
    case Encoding::Utf8WithMark: return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        QStringEncoder encoder(encoding == Encoding::Utf16LE ? QStringConverter::Utf16LE
                                                             : QStringConverter::Utf16BE,
                               QStringConverter::Flag::WriteBom);
        return encoder.encode(text);
    }
    }
    return Cp932::encode(text);
}

}  // namespace tavlo
