#include "imaging/codecs/byte_stream.h"

#include <algorithm>

namespace tavlo::codecs {

ByteStream::ByteStream(QIODevice& device, qint64 limit)
    : m_device(device), m_left(std::max<qint64>(0, limit)), m_buffer(64 * 1024)
{
}

bool ByteStream::refill()
{
    if (m_exhausted)
        return false;
    const qint64 wanted = std::min<qint64>(m_left, qint64(m_buffer.size()));
    const qint64 got =
        wanted > 0 ? m_device.read(reinterpret_cast<char*>(m_buffer.data()), wanted) : 0;
    if (got <= 0) {
        m_exhausted = true;
        return false;
    }
    m_left -= got;
    m_pos = 0;
    m_end = std::size_t(got);
    return true;
}

}  // namespace tavlo::codecs
