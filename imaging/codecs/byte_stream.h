#pragma once

#include <QIODevice>
#include <QtGlobal>

#include <vector>

namespace tavlo::codecs {

// Reads a device byte by byte through a fixed 64 KiB buffer, for run-length decoders that need
// one byte at a time. Never reads more than `limit` bytes in all, so a decoder cannot run past the
// data it was given; after the last byte get() returns -1 and exhausted() is true.
class ByteStream {
public:
    ByteStream(QIODevice& device, qint64 limit);

    int get()
    {
        if (m_pos == m_end && !refill())
            return -1;
        return m_buffer[m_pos++];
    }

    bool exhausted() const { return m_exhausted; }

private:
    bool refill();

    QIODevice& m_device;
    qint64 m_left;
    std::vector<uchar> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    bool m_exhausted = false;
};

}  // namespace tavlo::codecs
