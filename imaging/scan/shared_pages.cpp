#include "imaging/scan/shared_pages.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace tavlo::scan {
namespace {

// The name of the memfds (seen in /proc/<pid>/fd).
constexpr const char* kName = "tavlo-page";

std::size_t front()
{
    return std::size_t(::sysconf(_SC_PAGESIZE));
}

}  // namespace

SharedPages& SharedPages::instance()
{
    // Never destroyed: an image made here may be released after the program's static objects.
    static SharedPages* const pages = new SharedPages;
    return *pages;
}

QImage SharedPages::allocate(int width, int height, QImage::Format format)
{
    // Rows of a QImage are 4-byte aligned. The bits a pixel takes come from QImage itself:
    // QPixelFormat counts 15 for RGB555, whose pixels take 16.
    const qint64 depth = QImage(1, 1, format).depth();
    const qint64 bytesPerLine = (qint64(width) * depth + 31) / 32 * 4;
    const qint64 size = bytesPerLine * height;
    if (width <= 0 || height <= 0 || size <= 0)
        return QImage();
    SharedPages& pages = instance();
    Page* page = pages.take(front() + std::size_t(size));
    if (!page)
        return QImage();
    uchar* bits = static_cast<uchar*>(page->base) + front();
    QImage pixels(bits, width, height, bytesPerLine, format, release, page);
    if (pixels.isNull()) {
        drop(page);
        return QImage();
    }
    std::lock_guard<std::mutex> locker(pages.m_lock);
    pages.m_mapped[bits] = page;
    return pixels;
}

int SharedPages::descriptor(const uchar* bits)
{
    SharedPages& pages = instance();
    std::lock_guard<std::mutex> locker(pages.m_lock);
    const auto found = pages.m_mapped.find(bits);
    return found == pages.m_mapped.end() ? -1 : ::fcntl(found->second->fd, F_DUPFD_CLOEXEC, 0);
}

SharedPages::Page* SharedPages::take(std::size_t length)
{
    std::future<Page*> ready;
    std::size_t readyLength = 0;
    {
        std::lock_guard<std::mutex> locker(m_lock);
        ready = std::move(m_spare);
        readyLength = m_spareLength;
    }
    Page* page = ready.valid() ? ready.get() : nullptr;
    if (page && readyLength != length) {
        drop(page);
        page = nullptr;
    }
    if (!page)
        page = make(length);
    // Only once two pages of the same length have come (a feeder run) is the next one readied: a
    // single page, however large, never takes its memory twice.
    std::lock_guard<std::mutex> locker(m_lock);
    if (page && length == m_lastLength) {
        m_spare = std::async(std::launch::async, make, length);
        m_spareLength = length;
    }
    m_lastLength = length;
    return page;
}

SharedPages::Page* SharedPages::make(std::size_t length)
{
    const int fd = ::memfd_create(kName, MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return nullptr;
    void* base = MAP_FAILED;
    if (::ftruncate(fd, off_t(length)) == 0 && ::fallocate(fd, 0, 0, off_t(length)) == 0)
        base = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, fd, 0);
    if (base == MAP_FAILED) {
        ::close(fd);
        return nullptr;
    }
    return new Page{fd, base, length};
}

void SharedPages::drop(Page* page)
{
    if (!page)
        return;
    ::munmap(page->base, page->length);
    ::close(page->fd);
    delete page;
}

void SharedPages::release(void* info)
{
    auto* page = static_cast<Page*>(info);
    SharedPages& pages = instance();
    {
        std::lock_guard<std::mutex> locker(pages.m_lock);
        pages.m_mapped.erase(static_cast<const uchar*>(page->base) + front());
    }
    drop(page);
}

}  // namespace tavlo::scan
