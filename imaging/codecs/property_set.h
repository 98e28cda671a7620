#pragma once

#include "imaging/codecs/compound_writer.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>

namespace tavlo::codecs {

// An OLE property set stream with one section (the FlashPix property sets and the summary
// information): property ids mapped to typed values. Only the types FlashPix images use are
// read and written: 4-byte integers, 4-byte reals, blobs, strings and file times.
class PropertySet {
public:
    enum Type : quint16 {
        I2 = 2,
        I4 = 3,
        R4 = 4,
        UI4 = 19,
        LPSTR = 30,
        LPWSTR = 31,
        FILETIME = 64,
        BLOB = 65,
    };

    explicit PropertySet(const ClassId& formatId = {}) : m_formatId(formatId) { }

    // The first section of a property set stream. Nothing when the stream is not one (wrong byte
    // order mark, offsets outside the stream, a value running past its section). Values of other
    // types are skipped, as are properties whose value lies outside the section.
    static std::optional<PropertySet> parse(const QByteArray& stream);

    const ClassId& formatId() const { return m_formatId; }

    void setUInt(quint32 id, quint32 value, Type type = UI4);
    void setReal(quint32 id, float value);
    void setBlob(quint32 id, const QByteArray& bytes);
    void setText(quint32 id, const QString& text);         // as LPWSTR (UTF-16)
    void setAnsiText(quint32 id, const QByteArray& text);  // as LPSTR (the set's code page)
    void setFileTime(quint32 id, quint64 hundredNanoseconds);

    // The values, when present with a fitting type (I2, I4 and UI4 for integers).
    std::optional<quint32> uint(quint32 id) const;
    std::optional<float> real(quint32 id) const;
    std::optional<QByteArray> blob(quint32 id) const;

    // The whole stream: header, one section.
    QByteArray serialise() const;

private:
    struct Value {
        quint16 type = 0;
        QByteArray data;  // the bytes after the type word, padded to 4
    };
    ClassId m_formatId;
    std::map<quint32, Value> m_values;
};

}  // namespace tavlo::codecs
