#pragma once

#include <QImage>

#include <cstddef>
#include <future>
#include <mutex>
#include <unordered_map>

namespace tavlo::scan {

// Memory for the pages the scan helper assembles: each page in a memfd of its own, mapped
// shared, so that PageMemory::store can seal it where it lies and hand it to the window without
// a copy. Taking 26 MB from the system costs about as long as reading the page, so once two pages
// of the same length have come (a feeder run), the memory of the next is made ready on a thread
// of its own while a page is read; the helper holds at most that one page of memory in advance.
class SharedPages {
public:
    // Storage for a page being read, the rows page-aligned after one page of room (see
    // PageMemory::load). Its memory is taken from the system at once, so a lack of memory is a
    // null image here, not a fault while the page is read. Thread-safe.
    static QImage allocate(int width, int height, QImage::Format format);

    // A descriptor of its own for the memfd holding the rows at bits; -1 when allocate() did not
    // make them or their image is gone. Thread-safe.
    static int descriptor(const uchar* bits);

private:
    struct Page {
        int fd;
        void* base;
        std::size_t length;
    };

    SharedPages() = default;
    static SharedPages& instance();
    Page* take(std::size_t length);
    static Page* make(std::size_t length);
    static void drop(Page* page);
    static void release(void* page);  // the cleanup of an allocated image

    std::mutex m_lock;
    std::unordered_map<const uchar*, Page*> m_mapped;  // by the address of the rows
    std::future<Page*> m_spare;
    std::size_t m_spareLength = 0;
    std::size_t m_lastLength = 0;  // of the page allocated last
};

}  // namespace tavlo::scan
