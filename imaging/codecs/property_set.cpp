#include "imaging/codecs/property_set.h"

#include "imaging/codecs/little_endian.h"

#include <cstring>

namespace tavlo::codecs {
namespace {

constexpr int kHeaderBytes = 48;  // byte order .. class id, section count, one format id and offset

QByteArray le32Bytes(quint32 value)
{
    QByteArray bytes(4, '\0');
    putLe32(bytes.data(), value);
    return bytes;
}

void padTo4(QByteArray& bytes)
{
    while (bytes.size() % 4)
        bytes.append('\0');
}

}  // namespace

std::optional<PropertySet> PropertySet::parse(const QByteArray& stream)
{
    const auto* p = reinterpret_cast<const uchar*>(stream.constData());
    const qint64 size = stream.size();
    if (size < kHeaderBytes || le16(p) != 0xFFFE || le32(p + 24) < 1)
        return std::nullopt;
    ClassId formatId{};
    std::memcpy(formatId.data(), p + 28, 16);
    const qint64 section = le32(p + 44);
    if (section > size - 8)
        return std::nullopt;
    const qint64 sectionSize = le32(p + section);
    const qint64 count = le32(p + section + 4);
    if (sectionSize < 8 || sectionSize > size - section || count > (sectionSize - 8) / 8)
        return std::nullopt;
    const uchar* s = p + section;
    PropertySet set(formatId);
    for (qint64 i = 0; i < count; ++i) {
        const quint32 id = le32(s + 8 + 8 * i);
        const qint64 offset = le32(s + 12 + 8 * i);
        if (offset < 8 || offset > sectionSize - 8)
            continue;
        const quint16 type = le16(s + offset);
        const qint64 room = sectionSize - offset - 4;
        qint64 length = 4;
        switch (type) {
        case I2:
        case I4:
        case R4:
        case UI4: break;
        case FILETIME: length = 8; break;
        case BLOB:
        case LPSTR: length = 4 + qint64(le32(s + offset + 4)); break;
        case LPWSTR: length = 4 + 2 * qint64(le32(s + offset + 4)); break;
        default: continue;
        }
        if (length > room)
            return std::nullopt;
        set.m_values[id] = {
            type, QByteArray(reinterpret_cast<const char*>(s + offset + 4), qsizetype(length))};
    }
    return set;
}

void PropertySet::setUInt(quint32 id, quint32 value, Type type)
{
    m_values[id] = {type, le32Bytes(type == I2 ? (value & 0xFFFF) : value)};
}

void PropertySet::setReal(quint32 id, float value)
{
    quint32 bits = 0;
    std::memcpy(&bits, &value, 4);
    m_values[id] = {R4, le32Bytes(bits)};
}

void PropertySet::setBlob(quint32 id, const QByteArray& bytes)
{
    QByteArray data = le32Bytes(quint32(bytes.size())) + bytes;
    padTo4(data);
    m_values[id] = {BLOB, data};
}

void PropertySet::setText(quint32 id, const QString& text)
{
    QByteArray data = le32Bytes(quint32(text.size() + 1));
    for (const QChar c : text) {
        data.append(char(c.unicode() & 0xFF));
        data.append(char(c.unicode() >> 8));
    }
    data.append(2, '\0');
    padTo4(data);
    m_values[id] = {LPWSTR, data};
}

void PropertySet::setAnsiText(quint32 id, const QByteArray& text)
{
    QByteArray data = le32Bytes(quint32(text.size() + 1)) + text;
    data.append('\0');
    padTo4(data);
    m_values[id] = {LPSTR, data};
}

void PropertySet::setFileTime(quint32 id, quint64 hundredNanoseconds)
{
    m_values[id] = {FILETIME, le32Bytes(quint32(hundredNanoseconds)) +
                                  le32Bytes(quint32(hundredNanoseconds >> 32))};
}

std::optional<quint32> PropertySet::uint(quint32 id) const
{
    const auto it = m_values.find(id);
    if (it == m_values.end() ||
        (it->second.type != I2 && it->second.type != I4 && it->second.type != UI4))
        return std::nullopt;
    const quint32 value = le32(it->second.data.constData());
    return it->second.type == I2 ? (value & 0xFFFF) : value;
}

std::optional<float> PropertySet::real(quint32 id) const
{
    const auto it = m_values.find(id);
    if (it == m_values.end() || it->second.type != R4)
        return std::nullopt;
    const quint32 bits = le32(it->second.data.constData());
    float value = 0;
    std::memcpy(&value, &bits, 4);
    return value;
}

std::optional<QByteArray> PropertySet::blob(quint32 id) const
{
    const auto it = m_values.find(id);
    if (it == m_values.end() || it->second.type != BLOB)
        return std::nullopt;
    return it->second.data.mid(4, qsizetype(le32(it->second.data.constData())));
}

QByteArray PropertySet::serialise() const
{
    QByteArray values;
    QByteArray table;
    const qint64 tableEnd = 8 + 8 * qint64(m_values.size());
    for (const auto& [id, value] : m_values) {
        table += le32Bytes(id) + le32Bytes(quint32(tableEnd + values.size()));
        values += le32Bytes(value.type) + value.data;
    }
    QByteArray out(kHeaderBytes, '\0');
    auto* p = reinterpret_cast<uchar*>(out.data());
    putLe16(p, 0xFFFE);
    putLe32(p + 4, 0x00020005);  // written on a 32-bit Windows-compatible system, as readers expect
    putLe32(p + 24, 1);
    std::memcpy(p + 28, m_formatId.data(), 16);
    putLe32(p + 44, kHeaderBytes);
    out += le32Bytes(quint32(tableEnd + values.size())) + le32Bytes(quint32(m_values.size())) +
           table + values;
    return out;
}

}  // namespace tavlo::codecs
