#include "imaging/scan/page_memory.h"

#include "imaging/colour_code.h"
#include "imaging/scan/scan_log.h"
#include "imaging/scan/shared_pages.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavlo::scan {
namespace {

void unmapPage(void* info)
{
    // The mapping's length is kept in front of the pixels (see load()).
    auto* base = static_cast<char*>(info);
    size_t length = 0;
    std::memcpy(&length, base, sizeof length);
    ::munmap(base, length);
}

bool writeAll(int fd, const uchar* data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(std::min<qint64>(size, 1 << 30)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

// Name of a memfd holding a copied page (seen in /proc/<pid>/fd); pages assembled in place are
// named by SharedPages.
constexpr const char* kCopiedName = "tavlo-page-copy";

bool seal(int fd)
{
    // Sealed, the window can rely on the size it sees and on nobody changing the rows. Writing is
    // sealed only once no writable mapping of the memfd is left.
    return ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) == 0;
}

}  // namespace

int PageMemory::store(Image page, PageHeader& header)
{
    if (page.isNull())
        return -1;
    const QImage& pixels = page.pixels();
    header.width = page.width();
    header.height = page.height();
    header.code = int(page.code());
    header.bytesPerLine = pixels.bytesPerLine();
    header.dpiX = page.dpiX();
    header.dpiY = page.dpiY();
    header.palette.clear();
    for (const QRgb c : pixels.colorTable())
        header.palette.append(c);
    const qint64 size = header.bytesPerLine * header.height;
    const long front = ::sysconf(_SC_PAGESIZE);

    // A page assembled in shared memory and held nowhere else: dropping it here unmaps its rows,
    // and the memfd is sealed as it stands, without a copy.
    if (pixels.isDetached()) {
        const int shared = SharedPages::descriptor(pixels.constBits());
        if (shared >= 0) {
            page = Image();
            // Only a writable mapping stops the seal, and the last one has just gone; were it to
            // fail, the rows would still reach the window, unsealed, rather than be lost.
            if (!seal(shared))
                qCWarning(lcScan) << "a page's shared memory could not be sealed:" << errno;
            return shared;
        }
    }

    const int fd = ::memfd_create(kCopiedName, MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return -1;
    // One page of room in front of the rows holds the mapping's length for unmapPage, so the
    // rows start page-aligned and the window maps the whole file once.
    bool ok = ::ftruncate(fd, off_t(front + size)) == 0 && ::lseek(fd, front, SEEK_SET) == front;
    ok = ok && writeAll(fd, pixels.constBits(), size) && seal(fd);
    if (!ok) {
        ::close(fd);
        return -1;
    }
    return fd;
}

Image PageMemory::load(int fd, const PageHeader& header)
{
    if (fd < 0 || !isColourCode(header.code))
        return Image();
    const ColourCode code = ColourCode(header.code);
    if (!Image::sizeAllowed(header.width, header.height, code))
        return Image();
    const qint64 rowBytes = (qint64(header.width) * bitsPerPixel(code) + 7) / 8;
    if (header.bytesPerLine < rowBytes || header.bytesPerLine % 4 != 0 ||
        header.bytesPerLine > rowBytes + 64)
        return Image();
    const qint64 size = header.bytesPerLine * header.height;
    const long front = ::sysconf(_SC_PAGESIZE);
    struct stat st { };
    if (::fstat(fd, &st) != 0 || st.st_size != front + size)
        return Image();
    void* mapped = ::mmap(nullptr, size_t(st.st_size), PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
    if (mapped == MAP_FAILED)
        return Image();
    auto* base = static_cast<char*>(mapped);
    const size_t length = size_t(st.st_size);
    std::memcpy(base, &length, sizeof length);
    QImage pixels(reinterpret_cast<uchar*>(base + front), header.width, header.height,
                  header.bytesPerLine, storageFormat(code), unmapPage, base);
    if (pixels.isNull()) {
        ::munmap(base, length);
        return Image();
    }
    if (!header.palette.isEmpty()) {
        QList<QRgb> table;
        for (const quint32 c : header.palette)
            table.append(QRgb(c));
        pixels.setColorTable(table);
    }
    Image page = Image::fromStorage(std::move(pixels), code);
    page.setDpi(header.dpiX, header.dpiY);
    return page;
}

}  // namespace tavlo::scan
