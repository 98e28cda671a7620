#pragma once

#include "imaging/scan/scan_device.h"
#include "imaging/scan/scan_option.h"
#include "imaging/scan/scan_run.h"
#include "imaging/scan/scan_settings.h"

#include <QByteArray>
#include <QDataStream>
#include <QIODevice>

namespace tavlo::scan {

// One message between the window's scanner object and the scan helper (tavlo-scan-helper), the
// process that alone loads SANE. A message is one datagram of a SOCK_SEQPACKET socket pair
// (ScanChannel): a 16-bit kind, then its fields in QDataStream form (Qt 6.0 encoding), and at most
// one file descriptor beside it (a page's pixels in a memfd, see PageMemory).
//
// The helper's first message is Ready with kScanProtocolVersion; the window refuses a helper of
// another version. Requests carry the window's job id; every answer repeats it, so answers to an
// abandoned request are recognised and dropped.
inline constexpr quint32 kScanProtocolVersion = 1;

struct ScanMessage {
    enum class Kind : quint16 {
        Invalid = 0,
        // The window to the helper.
        ListDevices = 1,  // job
        OpenDevice,       // job, device name ("" = the first one listed)
        SetOption,        // job, option name, value: the settings dialog's live change
        Scan,             // job, ScanSettings, one page only (the device then stays open)
        Cancel,           // job: stop the run after the read under way
        PageTaken,        // (none): the window is done with one page; the helper may read on
        CloseDevice,      // (none)
        Quit,             // (none): close the device, leave SANE, exit
        // The helper to the window.
        Ready = 100,    // protocol version, sane_init status
        DevicesListed,  // job, QList<ScanDevice>, status
        DeviceOpened,   // job, ScanDevice, QList<ScanOption>, status
        OptionSet,      // job, QList<ScanOption>, status, SANE info bits
        Progress,       // job, page, percent (-1 = length unknown)
        Page,           // job, page number, PageHeader; the pixels' memfd beside it
        RunEnded,       // job, ScanRunResult: sent before sane_cancel, which a backend can hang in
    };

    Kind kind = Kind::Invalid;
    QByteArray body;
    int fd = -1;  // a descriptor that came or goes with the message; whoever holds it closes it

    template <typename... Fields> static ScanMessage make(Kind kind, const Fields&... fields)
    {
        ScanMessage m;
        m.kind = kind;
        QDataStream out(&m.body, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_0);
        ((out << fields), ...);
        return m;
    }

    // Reads the fields in the order they were written; false when the body does not hold them.
    template <typename... Fields> bool read(Fields&... fields) const
    {
        QDataStream in(body);
        in.setVersion(QDataStream::Qt_6_0);
        ((in >> fields), ...);
        return in.status() == QDataStream::Ok;
    }
};

// How a page's pixels lie in its memfd: rows of bytesPerLine bytes in the storage format of the
// colour code (imaging/colour_code.h), with the palette of a line-art page.
struct PageHeader {
    int width = 0;
    int height = 0;
    int code = 0;
    qint64 bytesPerLine = 0;
    int dpiX = 0;
    int dpiY = 0;
    QList<quint32> palette;
};

QDataStream& operator<<(QDataStream& out, const ScanDevice& d);
QDataStream& operator>>(QDataStream& in, ScanDevice& d);
QDataStream& operator<<(QDataStream& out, const ScanOption& o);
QDataStream& operator>>(QDataStream& in, ScanOption& o);
QDataStream& operator<<(QDataStream& out, const ScanSettings& s);
QDataStream& operator>>(QDataStream& in, ScanSettings& s);
QDataStream& operator<<(QDataStream& out, const ScanRunResult& r);
QDataStream& operator>>(QDataStream& in, ScanRunResult& r);
QDataStream& operator<<(QDataStream& out, const PageHeader& h);
QDataStream& operator>>(QDataStream& in, PageHeader& h);

}  // namespace tavlo::scan
