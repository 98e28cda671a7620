#pragma once

#include "imaging/scan/scan_message.h"

#include <QMutex>

#include <optional>

namespace tavlo::scan {

// One end of the socket pair between the window and the scan helper (SOCK_SEQPACKET, so every
// message is one datagram and a descriptor travels with the message it belongs to).
//
// Threading: send() may be called from any thread (a mutex keeps messages whole); receive() from
// one thread only. The channel owns its descriptor and closes it when destroyed.
class ScanChannel {
public:
    // Makes a connected pair, both ends close-on-exec; false when the system refuses.
    static bool makePair(int& first, int& second);

    explicit ScanChannel(int fd);
    ~ScanChannel();
    ScanChannel(const ScanChannel&) = delete;
    ScanChannel& operator=(const ScanChannel&) = delete;

    int fd() const { return m_fd; }

    // Sends the message and its descriptor (when fd >= 0; the caller keeps its own copy). false
    // when the other end is gone.
    bool send(const ScanMessage& message);

    enum class Received { Message, Nothing, Closed };
    // Takes the next message. Nothing: none waiting (a non-blocking channel). Closed: the other end
    // is gone or sent something that is not a message. A descriptor that came with it is owned
    // by the caller.
    Received receive(ScanMessage& message);

    void setNonBlocking(bool on);

private:
    int m_fd = -1;
    QMutex m_sendLock;
};

}  // namespace tavlo::scan
