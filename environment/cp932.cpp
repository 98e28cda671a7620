#include "environment/cp932.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace tavlo {
namespace {

// One conversion descriptor for the length of a call.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (valid())
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

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

// Length of the UTF-8 sequence that starts with lead (1 for a stray byte).
size_t utf8Length(unsigned char lead)
{
    if (lead >= 0xf0)
        return 4;
    if (lead >= 0xe0)
        return 3;
    if (lead >= 0xc0)
        return 2;
    return 1;
}

}  // namespace

QString Cp932::decode(const QByteArray& bytes)
{
    Converter converter("UTF-8", "CP932");
    if (!converter.valid())
        return QString::fromLatin1(bytes);
    QByteArray utf8;
    utf8.reserve(bytes.size() + bytes.size() / 2);
    const char* in = bytes.constData();
    size_t left = size_t(bytes.size());
    while (left > 0) {
        const int error = converter.run(in, left, utf8);
        if (error == 0)
            break;
        utf8.append("\xEF\xBF\xBD");  // U+FFFD for the byte that is not code page 932
        if (error == EINVAL)          // a lead byte cut off at the end
            break;
        ++in;
        --left;
    }
    return QString::fromUtf8(utf8);
}

QByteArray Cp932::encode(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    Converter converter("CP932", "UTF-8");
    if (!converter.valid())
        return text.toLatin1();
    QByteArray out;
    out.reserve(utf8.size());
    const char* in = utf8.constData();
    size_t left = size_t(utf8.size());
    while (left > 0) {
        const int error = converter.run(in, left, out);
        if (error == 0)
            break;
        out.append('?');  // one "?" per character, whatever its UTF-8 length
        const size_t skip = std::min(left, utf8Length(static_cast<unsigned char>(*in)));
        in += skip;
        left -= skip;
    }
    return out;
}

}  // namespace tavlo
