#include "imaging/scan/scan_channel.h"

#include <QMutexLocker>

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tavlo::scan {
namespace {

// The largest message we accept: an option list of a large backend is some tens of kilobytes.
constexpr ssize_t kMaxMessageBytes = 4 * 1024 * 1024;

// How long send() waits for room in a full socket buffer.
constexpr int kSendWaitMs = 5000;

}  // namespace

bool ScanChannel::makePair(int& first, int& second)
{
    int fds[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) != 0)
        return false;
    first = fds[0];
    second = fds[1];
    return true;
}

ScanChannel::ScanChannel(int fd) : m_fd(fd) { }

ScanChannel::~ScanChannel()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void ScanChannel::setNonBlocking(bool on)
{
    const int flags = ::fcntl(m_fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(m_fd, F_SETFL, on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK));
}

bool ScanChannel::send(const ScanMessage& message)
{
    QByteArray bytes;
    bytes.reserve(message.body.size() + 2);
    const quint16 kind = quint16(message.kind);
    bytes.append(reinterpret_cast<const char*>(&kind), sizeof kind);
    bytes.append(message.body);

    iovec iov{bytes.data(), size_t(bytes.size())};
    msghdr header{};
    header.msg_iov = &iov;
    header.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    if (message.fd >= 0) {
        header.msg_control = control;
        header.msg_controllen = sizeof control;
        cmsghdr* c = CMSG_FIRSTHDR(&header);
        c->cmsg_level = SOL_SOCKET;
        c->cmsg_type = SCM_RIGHTS;
        c->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(c), &message.fd, sizeof(int));
    }
    QMutexLocker lock(&m_sendLock);
    for (;;) {
        const ssize_t sent = ::sendmsg(m_fd, &header, MSG_NOSIGNAL);
        if (sent == ssize_t(bytes.size()))
            return true;
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // A non-blocking end whose peer is slow: wait a while for room rather than lose a
            // message; a peer that reads nothing for that long is treated as gone.
            pollfd writable{m_fd, POLLOUT, 0};
            if (::poll(&writable, 1, kSendWaitMs) > 0)
                continue;
            return false;
        }
        return false;
    }
}

ScanChannel::Received ScanChannel::receive(ScanMessage& message)
{
    message = ScanMessage();
    // The size of the next datagram first, so that no message is ever cut.
    char probe = 0;
    ssize_t size = 0;
    do {
        size = ::recv(m_fd, &probe, 1, MSG_PEEK | MSG_TRUNC);
    } while (size < 0 && errno == EINTR);
    if (size < 0)
        return (errno == EAGAIN || errno == EWOULDBLOCK) ? Received::Nothing : Received::Closed;
    if (size == 0 || size > kMaxMessageBytes)
        return Received::Closed;

    std::vector<char> bytes(static_cast<size_t>(size));
    iovec iov{bytes.data(), bytes.size()};
    msghdr header{};
    header.msg_iov = &iov;
    header.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 4)] = {};
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    ssize_t got = 0;
    do {
        got = ::recvmsg(m_fd, &header, MSG_CMSG_CLOEXEC);
    } while (got < 0 && errno == EINTR);
    if (got <= 0)
        return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) ? Received::Nothing
                                                                    : Received::Closed;
    int fd = -1;
    for (cmsghdr* c = CMSG_FIRSTHDR(&header); c; c = CMSG_NXTHDR(&header, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS)
            continue;
        const size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (size_t i = 0; i < count; ++i) {
            int received = -1;
            std::memcpy(&received, CMSG_DATA(c) + i * sizeof(int), sizeof(int));
            if (fd < 0)
                fd = received;
            else
                ::close(received);  // one descriptor a message; more is a fault of the sender
        }
    }
    if (got < 2 || (header.msg_flags & (MSG_TRUNC | MSG_CTRUNC))) {
        if (fd >= 0)
            ::close(fd);
        return Received::Closed;
    }
    quint16 kind = 0;
    std::memcpy(&kind, bytes.data(), sizeof kind);
    message.kind = ScanMessage::Kind(kind);
    message.body = QByteArray(bytes.data() + 2, qsizetype(got - 2));
    message.fd = fd;
    return Received::Message;
}

}  // namespace tavlo::scan
