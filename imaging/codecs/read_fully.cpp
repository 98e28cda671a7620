#include "imaging/codecs/read_fully.h"

namespace tavlo::codecs {

qint64 readFully(QIODevice& device, void* data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const qint64 n = device.read(static_cast<char*>(data) + done, size - done);
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

}  // namespace tavlo::codecs
