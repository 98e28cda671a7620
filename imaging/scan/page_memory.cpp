#include "imaging/scan/page_memory.h"

#include "imaging/colour_code.h"
#include "imaging/scan/scan_log.h"

#include <QHash>
#include <QMutex>

#include <cerrno>
#include <future>
#include <mutex>
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

// Names of the memfds (seen in /proc/<pid>/fd): a page assembled in place, a page copied.
constexpr const char* kAssembledName = "tavlo-page";
constexpr const char* kCopiedName = "tavlo-page-copy";

// The pages allocate() made that are still mapped in this process, by the address of their rows.
struct SharedPage {
    int fd;
    void* base;
    size_t length;
};
QMutex sharedPagesLock;
QHash<const uchar*, SharedPage*> sharedPages;

// A memfd of the length, its memory taken from the system at once (so a lack of memory is an
// error here, not a fault while the page is read) and mapped shared; null when refused.
SharedPage* makeSharedPage(size_t length)
{
    const int fd = ::memfd_create(kAssembledName, MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return nullptr;
    void* base = MAP_FAILED;
    if (::ftruncate(fd, off_t(length)) == 0 && ::fallocate(fd, 0, 0, off_t(length)) == 0)
        base = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, fd, 0);
    if (base == MAP_FAILED) {
        ::close(fd);
        return nullptr;
    }
    return new SharedPage{fd, base, length};
}

void dropSharedPage(SharedPage* page)
{
    if (!page)
        return;
    ::munmap(page->base, page->length);
    ::close(page->fd);
    delete page;
}

// Taking the memory of a 26 MB page from the system costs about as long as reading the page, so
// while one page is read, the memory of the next (of the same length, as feeder pages are) is
// made ready on a thread of its own.
class SpareSharedPage {
public:
    ~SpareSharedPage()
    {
        if (m_spare.valid())
            dropSharedPage(m_spare.get());
    }

    SharedPage* take(size_t length)
    {
        std::future<SharedPage*> ready;
        size_t readyLength = 0;
        {
            std::lock_guard<std::mutex> locker(m_lock);
            ready = std::move(m_spare);
            readyLength = m_length;
        }
        SharedPage* page = ready.valid() ? ready.get() : nullptr;
        if (page && readyLength != length) {
            dropSharedPage(page);
            page = nullptr;
        }
        if (!page)
            page = makeSharedPage(length);
        if (page) {
            std::lock_guard<std::mutex> locker(m_lock);
            m_spare = std::async(std::launch::async, makeSharedPage, length);
            m_length = length;
        }
        return page;
    }

private:
    std::mutex m_lock;
    std::future<SharedPage*> m_spare;
    size_t m_length = 0;
};

SharedPage* nextSharedPage(size_t length)
{
    static SpareSharedPage spare;
    return spare.take(length);
}

void releaseSharedPage(void* info)
{
    auto* page = static_cast<SharedPage*>(info);
    {
        QMutexLocker locker(&sharedPagesLock);
        sharedPages.remove(static_cast<const uchar*>(page->base) + ::sysconf(_SC_PAGESIZE));
    }
    dropSharedPage(page);
}

// A descriptor of its own for the memfd holding the rows at bits; -1 when allocate() did not
// make them.
int sharedPageDescriptor(const uchar* bits)
{
    QMutexLocker locker(&sharedPagesLock);
    const SharedPage* page = sharedPages.value(bits);
    return page ? ::fcntl(page->fd, F_DUPFD_CLOEXEC, 0) : -1;
}

bool seal(int fd)
{
    // Sealed, the window can rely on the size it sees and on nobody changing the rows. Writing is
    // sealed only once no writable mapping of the memfd is left.
    return ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) == 0;
}

}  // namespace

QImage PageMemory::allocate(int width, int height, QImage::Format format)
{
    // Rows of a QImage are 4-byte aligned. The bits a pixel takes come from QImage itself:
    // QPixelFormat counts 15 for RGB555, whose pixels take 16.
    const qint64 depth = QImage(1, 1, format).depth();
    const qint64 bytesPerLine = (qint64(width) * depth + 31) / 32 * 4;
    const qint64 size = bytesPerLine * height;
    if (width <= 0 || height <= 0 || size <= 0)
        return QImage();
    // The front page is left for the window's bookkeeping (see load()), so rows start
    // page-aligned at the same offset on both sides.
    const long front = ::sysconf(_SC_PAGESIZE);
    SharedPage* page = nextSharedPage(size_t(front + size));
    if (!page)
        return QImage();
    uchar* bits = static_cast<uchar*>(page->base) + front;
    QImage pixels(bits, width, height, bytesPerLine, format, releaseSharedPage, page);
    if (pixels.isNull()) {
        releaseSharedPage(page);
        return QImage();
    }
    QMutexLocker locker(&sharedPagesLock);
    sharedPages.insert(bits, page);
    return pixels;
}

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
        const int shared = sharedPageDescriptor(pixels.constBits());
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
