#pragma once

#include <QIODevice>

namespace tavlo::codecs {

// Reads size bytes into data, going on after short reads (a pipe or a socket gives what it has),
// until they are all read, the device ends or it fails. Returns the bytes read: size when
// complete, fewer when the device ended first. For the format libraries' read callbacks.
qint64 readFully(QIODevice& device, void* data, qint64 size);

}  // namespace tavlo::codecs
