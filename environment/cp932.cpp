#include "environment/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace tavlo {
namespace {

// One conversion descriptor for the length of a call.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) { }
    ~Converter()
    {
        if (valid())
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Back to the initial state after a failed conversion.
    void reset() { iconv(m_cd, nullptr, nullptr, nullptr, nullptr); }

    // Converts as much of [in, in + inLeft) as it can into out; returns errno of the stop (0 when
    // everything was converted).
    int run(const char*& in, size_t& inLeft, QByteArray& out)
    {
        char buffer[4096];
        while (inLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            char* src = const_cast<char*>(in);
            const size_t rc = iconv(m_cd, &src, &inLeft, &dst, &dstLeft);
            const int error = rc == size_t(-1) ? errno : 0;
            in = src;
            out.append(buffer, qsizetype(sizeof buffer - dstLeft));
            if (error == E2BIG)
                continue;
            if (error != 0)
                return error;
        }
        return 0;
    }

private:
    iconv_t m_cd;
};

constexpr quint16 kNotEncodable = 0xffff;

// The code page 932 bytes of every character of the basic plane: one byte (0x00-0xff) or two
// (lead << 8 | trail), kNotEncodable where code page 932 has none. Built once from iconv, one
// character at a time, so encoding is a table look-up per character: iconv itself slows to
// minutes on a long text with many characters it cannot convert, since each failure makes it
// convert the pending input again.
struct EncodeTable {
    bool valid = false;
    std::vector<quint16> codes;

    EncodeTable() : codes(0x10000, kNotEncodable)
    {
        Converter converter("CP932", "UTF-16LE");
        if (!converter.valid())
            return;
        valid = true;
        for (unsigned c = 0; c < 0x10000; ++c) {
            if (c >= 0xd800 && c < 0xe000)
                continue;  // a surrogate alone is no character
            const char in[2] = {char(c & 0xff), char(c >> 8)};
            const char* src = in;
            size_t left = 2;
            QByteArray out;
            if (converter.run(src, left, out) == 0 && (out.size() == 1 || out.size() == 2))
                codes[c] = out.size() == 1 ? quint16(uchar(out[0]))
                                           : quint16(uchar(out[0]) << 8 | uchar(out[1]));
            converter.reset();
        }
    }
};

const EncodeTable& encodeTable()
{
    static const EncodeTable table;
    return table;
}

constexpr char16_t kNoCharacter = 0xffff;
constexpr char16_t kLeadByte = 0xfffe;

// The character of every byte and every two-byte sequence of code page 932, built once from
// iconv for the same reason as EncodeTable. A single byte is a character, kNoCharacter, or
// kLeadByte (the first of two); pairs holds the characters of lead bytes 0x80-0xff.
struct DecodeTable {
    bool valid = false;
    char16_t singles[256] = {};
    std::vector<char16_t> pairs;

    DecodeTable() : pairs(128 * 256, kNoCharacter)
    {
        Converter converter("UTF-16LE", "CP932");
        if (!converter.valid())
            return;
        valid = true;
        for (unsigned byte = 0; byte < 256; ++byte) {
            const char in[1] = {char(byte)};
            const int result = convert(converter, in, 1, singles[byte]);
            if (result == EINVAL)
                singles[byte] = kLeadByte;
        }
        for (unsigned lead = 0x80; lead < 0x100; ++lead) {
            if (singles[lead] != kLeadByte)
                continue;
            for (unsigned trail = 0; trail < 0x100; ++trail) {
                const char in[2] = {char(lead), char(trail)};
                convert(converter, in, 2, pairs[(lead - 0x80) * 256 + trail]);
            }
        }
    }

    // One character from length bytes; its errno (0 when it gave exactly one character, which
    // lands in out; out is kNoCharacter otherwise).
    static int convert(Converter& converter, const char* in, size_t length, char16_t& out)
    {
        const char* src = in;
        size_t left = length;
        QByteArray utf16;
        const int error = converter.run(src, left, utf16);
        converter.reset();
        out = kNoCharacter;
        if (error == 0 && utf16.size() == 2)
            out = char16_t(uchar(utf16[0]) | uchar(utf16[1]) << 8);
        else if (error == 0)
            return EILSEQ;
        return error;
    }
};

const DecodeTable& decodeTable()
{
    static const DecodeTable table;
    return table;
}

}  // namespace

QString Cp932::decode(const QByteArray& bytes)
{
    const DecodeTable& table = decodeTable();
    if (!table.valid)
        return QString::fromLatin1(bytes);
    QString text;
    text.reserve(bytes.size());
    const auto* in = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype length = bytes.size();
    for (qsizetype i = 0; i < length; ++i) {
        const uchar byte = in[i];
        const char16_t single = table.singles[byte];
        if (single == kLeadByte) {
            if (i + 1 == length) {
                text.append(QChar::ReplacementCharacter);  // a lead byte cut off at the end
                break;
            }
            const char16_t pair = table.pairs[size_t(byte - 0x80) * 256 + in[i + 1]];
            if (pair != kNoCharacter) {
                text.append(QChar(pair));
                ++i;
                continue;
            }
            // A lead byte without a valid second byte: only the lead byte is passed over.
            text.append(QChar::ReplacementCharacter);
        } else {
            text.append(single == kNoCharacter ? QChar(QChar::ReplacementCharacter)
                                               : QChar(single));
        }
    }
    return text;
}

QByteArray Cp932::encode(const QString& text)
{
    const EncodeTable& table = encodeTable();
    if (!table.valid)
        return text.toLatin1();
    // At most two bytes a character; written through a pointer and cut to length at the end.
    QByteArray out(text.size() * 2, Qt::Uninitialized);
    char* o = out.data();
    const char16_t* units = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype length = text.size();
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t unit = units[i];
        if (QChar::isHighSurrogate(unit) && i + 1 < length && QChar::isLowSurrogate(units[i + 1])) {
            *o++ = '?';  // beyond the basic plane: nothing in code page 932
            ++i;
            continue;
        }
        const quint16 code = table.codes[unit];
        if (code == kNotEncodable) {
            *o++ = '?';
        } else if (code > 0xff) {
            *o++ = char(code >> 8);
            *o++ = char(code & 0xff);
        } else {
            *o++ = char(code);
        }
    }
    out.truncate(o - out.constData());
    return out;
}

}  // namespace tavlo
