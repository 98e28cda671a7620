#include "imaging/scan/scan_message.h"

namespace tavlo::scan {

QDataStream& operator<<(QDataStream& out, const ScanDevice& d)
{
    return out << d.name << d.vendor << d.model << d.type;
}

QDataStream& operator>>(QDataStream& in, ScanDevice& d)
{
    return in >> d.name >> d.vendor >> d.model >> d.type;
}

QDataStream& operator<<(QDataStream& out, const ScanOption& o)
{
    return out << qint32(o.index) << o.name << o.title << o.description << qint32(o.type)
               << qint32(o.unit) << qint32(o.valueCount) << o.active << o.settable << o.advanced
               << o.automatic << qint32(o.constraint) << o.minimum << o.maximum << o.quant
               << o.words << o.strings << o.value;
}

QDataStream& operator>>(QDataStream& in, ScanOption& o)
{
    qint32 index = 0, type = 0, unit = 0, count = 0, constraint = 0;
    in >> index >> o.name >> o.title >> o.description >> type >> unit >> count >> o.active >>
        o.settable >> o.advanced >> o.automatic >> constraint >> o.minimum >> o.maximum >>
        o.quant >> o.words >> o.strings >> o.value;
    const bool known = type >= 0 && type <= qint32(ScanOption::Type::Group) && constraint >= 0 &&
                       constraint <= qint32(ScanOption::Constraint::StringList);
    if (!known)
        in.setStatus(QDataStream::ReadCorruptData);
    o.index = index;
    o.type = ScanOption::Type(known ? type : 0);
    o.unit = unit;
    o.valueCount = count;
    o.constraint = ScanOption::Constraint(known ? constraint : 0);
    return in;
}

QDataStream& operator<<(QDataStream& out, const ScanSettings& s)
{
    return out << s.values << s.paper;
}

QDataStream& operator>>(QDataStream& in, ScanSettings& s)
{
    return in >> s.values >> s.paper;
}

QDataStream& operator<<(QDataStream& out, const ScanRunResult& r)
{
    return out << qint32(r.status) << qint32(r.pages) << qint32(r.failedPage) << r.detail;
}

QDataStream& operator>>(QDataStream& in, ScanRunResult& r)
{
    qint32 status = 0, pages = 0, failedPage = 0;
    in >> status >> pages >> failedPage >> r.detail;
    r.status = status;
    r.pages = pages;
    r.failedPage = failedPage;
    return in;
}

QDataStream& operator<<(QDataStream& out, const PageHeader& h)
{
    return out << qint32(h.width) << qint32(h.height) << qint32(h.code) << h.bytesPerLine
               << qint32(h.dpiX) << qint32(h.dpiY) << h.palette;
}

QDataStream& operator>>(QDataStream& in, PageHeader& h)
{
    qint32 width = 0, height = 0, code = 0, dpiX = 0, dpiY = 0;
    in >> width >> height >> code >> h.bytesPerLine >> dpiX >> dpiY >> h.palette;
    h.width = width;
    h.height = height;
    h.code = code;
    h.dpiX = dpiX;
    h.dpiY = dpiY;
    return in;
}

}  // namespace tavlo::scan
