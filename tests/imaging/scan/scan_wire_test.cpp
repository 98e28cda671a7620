// What crosses between the window and the scan helper: messages over the socket pair, and pages
// in shared memory, for every colour code (the scanner delivers 1, 80 and 24; the memory takes
// any), with odd sizes so that row padding shows.
#include "imaging/scan/page_memory.h"
#include "imaging/scan/scan_channel.h"
#include "imaging/scan/shared_pages.h"
#include "tests/support/test_images.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace tavlo::scan::test {
namespace {

using Kind = ScanMessage::Kind;

struct Pair {
    Pair()
    {
        int a = -1, b = -1;
        EXPECT_TRUE(ScanChannel::makePair(a, b));
        window = std::make_unique<ScanChannel>(a);
        helper = std::make_unique<ScanChannel>(b);
        window->setNonBlocking(true);
    }
    std::unique_ptr<ScanChannel> window;
    std::unique_ptr<ScanChannel> helper;
};

TEST(ScanWire, EveryCodeCrossesAsAPageInSharedMemoryPixelForPixel)
{
    Pair pair;
    for (const ColourCode code : kAllColourCodes) {
        SCOPED_TRACE(int(code));
        Image page = tavlo::test::sampleImage(code, 113, 157, 7u);
        page.setDpi(300, 600);
        PageHeader header;
        const int fd = PageMemory::store(page, header);
        ASSERT_GE(fd, 0);
        ScanMessage sent = ScanMessage::make(Kind::Page, quint64(42), qint32(3), header);
        sent.fd = fd;
        ASSERT_TRUE(pair.helper->send(sent));
        ::close(fd);

        ScanMessage got;
        ASSERT_EQ(pair.window->receive(got), ScanChannel::Received::Message);
        ASSERT_EQ(got.kind, Kind::Page);
        ASSERT_GE(got.fd, 0);
        quint64 job = 0;
        qint32 number = 0;
        PageHeader received;
        ASSERT_TRUE(got.read(job, number, received));
        EXPECT_EQ(job, 42u);
        EXPECT_EQ(number, 3);
        const Image back = PageMemory::load(got.fd, received);
        ::close(got.fd);
        ASSERT_FALSE(back.isNull());
        EXPECT_EQ(back.code(), code);
        EXPECT_TRUE(samePixels(back, page));
        EXPECT_EQ(back.dpiX(), 300);
        EXPECT_EQ(back.dpiY(), 600);
        // A copy that is changed leaves the page as it came.
        Image edited = back;
        edited.scanLine(0)[0] ^= 0xff;
        EXPECT_TRUE(samePixels(back, page));
    }
    ScanMessage none;
    EXPECT_EQ(pair.window->receive(none), ScanChannel::Received::Nothing);
}

QString memfdName(int fd)
{
    char target[256] = {};
    const ssize_t n = ::readlink(QByteArray("/proc/self/fd/" + QByteArray::number(fd)).constData(),
                                 target, sizeof target - 1);
    return n > 0 ? QString::fromUtf8(target, int(n)) : QString();
}

// A page assembled in shared memory is sealed where it lies when nothing else holds it, and
// copied when something does (the holder may still write to it); the window sees the same
// pixels either way, and the assembled page's memory goes with its last holder.
TEST(ScanWire, APageAssembledInSharedMemoryIsHandedOverWithoutACopy)
{
    for (const ColourCode code : kAllColourCodes) {
        SCOPED_TRACE(int(code));
        const Image sample = tavlo::test::sampleImage(code, 113, 57, 5u);
        auto assembled = [&] {
            QImage pixels =
                SharedPages::allocate(sample.width(), sample.height(), sample.pixels().format());
            EXPECT_FALSE(pixels.isNull());
            pixels.setColorTable(sample.pixels().colorTable());
            for (int y = 0; y < sample.height(); ++y)
                std::memcpy(pixels.scanLine(y), sample.scanLine(y),
                            std::size_t(sample.pixels().bytesPerLine()));
            Image page = Image::fromStorage(std::move(pixels), code);
            page.setDpi(200, 200);
            return page;
        };
        for (const bool heldElsewhere : {false, true}) {
            Image page = assembled();
            const Image holder = heldElsewhere ? page : Image();
            PageHeader header;
            const int fd = PageMemory::store(std::move(page), header);
            ASSERT_GE(fd, 0);
            EXPECT_EQ(memfdName(fd).contains("tavlo-page-copy"), heldElsewhere)
                << memfdName(fd).toStdString();
            const int seals = ::fcntl(fd, F_GET_SEALS);
            EXPECT_EQ(seals & (F_SEAL_WRITE | F_SEAL_SHRINK | F_SEAL_GROW),
                      F_SEAL_WRITE | F_SEAL_SHRINK | F_SEAL_GROW);
            const Image back = PageMemory::load(fd, header);
            ::close(fd);
            ASSERT_FALSE(back.isNull());
            EXPECT_TRUE(samePixels(back, sample));
            EXPECT_EQ(back.dpiX(), 200);
        }
    }
}

// The memfds of assembled pages this process has open (pages and the one readied in advance).
int assembledMemfds()
{
    int count = 0;
    for (const QString& fd : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files)) {
        const QString name = memfdName(fd.toInt());
        count += name.contains("memfd:tavlo-page") && !name.contains("copy");
    }
    return count;
}

// A single page never takes its memory twice; from the second page of a length on (a feeder
// run), the memory of the next is readied in advance, and only one.
TEST(ScanWire, OnlyAFeederRunHasThePageAfterReadiedInAdvance)
{
    auto page = [](int height) {
        return SharedPages::allocate(501, height, QImage::Format_BGR888);
    };
    // A page of a length of its own first drops what earlier tests left readied.
    page(300);
    const int before = assembledMemfds();
    {
        const QImage single = page(301);
        ASSERT_FALSE(single.isNull());
        EXPECT_EQ(assembledMemfds(), before + 1);
    }
    EXPECT_EQ(assembledMemfds(), before);
    {
        const QImage first = page(302);
        const QImage second = page(302);
        ASSERT_FALSE(second.isNull());
        // The page after is made on a thread of its own: its memfd appears within moments.
        QElapsedTimer waited;
        waited.start();
        while (assembledMemfds() < before + 3 && waited.elapsed() < 10000)
            QThread::msleep(5);
        EXPECT_EQ(assembledMemfds(), before + 3);
        const QImage third = page(302);
        ASSERT_FALSE(third.isNull());
        waited.restart();
        while (assembledMemfds() < before + 4 && waited.elapsed() < 10000)
            QThread::msleep(5);
        EXPECT_EQ(assembledMemfds(), before + 4);  // three pages and one readied, no more
    }
    // A page of another length drops the one readied.
    const QImage other = page(303);
    EXPECT_EQ(assembledMemfds(), before + 1);
}

TEST(ScanWire, AHeaderThatDoesNotMatchItsMemoryGivesNoPage)
{
    const Image page = tavlo::test::sampleImage(ColourCode::Rgb24, 31, 17, 3u);
    PageHeader header;
    const int fd = PageMemory::store(page, header);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(PageMemory::load(fd, header).isNull());
    const auto forged = [&](auto change) {
        PageHeader h = header;
        change(h);
        return PageMemory::load(fd, h).isNull();
    };
    EXPECT_TRUE(forged([](PageHeader& h) { ++h.height; }));
    EXPECT_TRUE(forged([](PageHeader& h) { h.width = 100; }));
    EXPECT_TRUE(forged([](PageHeader& h) { h.bytesPerLine -= 4; }));
    EXPECT_TRUE(forged([](PageHeader& h) { h.code = 7; }));
    EXPECT_TRUE(forged([](PageHeader& h) { h.width = -1; }));
    ::close(fd);
    EXPECT_TRUE(PageMemory::load(-1, header).isNull());
}

TEST(ScanWire, MessagesKeepTheirFieldsAndAClosedPeerIsSeen)
{
    Pair pair;
    ScanOption option;
    option.index = 5;
    option.name = QStringLiteral("resolution");
    option.type = ScanOption::Type::Fixed;
    option.constraint = ScanOption::Constraint::WordList;
    option.words = {75, 150, 300};
    option.value = QStringLiteral("150");
    ScanRunResult result;
    result.status = 8;  // SANE_STATUS_JAMMED
    result.pages = 4;
    result.failedPage = 5;
    result.detail = QStringLiteral("紙詰まり");
    ASSERT_TRUE(pair.helper->send(ScanMessage::make(
        Kind::OptionSet, quint64(7), QList<ScanOption>{option}, qint32(0), qint32(2))));
    ASSERT_TRUE(pair.helper->send(ScanMessage::make(Kind::RunEnded, quint64(8), result)));

    ScanMessage got;
    ASSERT_EQ(pair.window->receive(got), ScanChannel::Received::Message);
    quint64 job = 0;
    QList<ScanOption> options;
    qint32 status = -1, info = 0;
    ASSERT_TRUE(got.read(job, options, status, info));
    ASSERT_EQ(options.size(), 1);
    EXPECT_EQ(options[0].name, option.name);
    EXPECT_EQ(options[0].type, ScanOption::Type::Fixed);
    EXPECT_EQ(options[0].words, option.words);
    EXPECT_EQ(options[0].value, QStringLiteral("150"));
    EXPECT_EQ(info, 2);
    ASSERT_EQ(pair.window->receive(got), ScanChannel::Received::Message);
    ScanRunResult back;
    ASSERT_TRUE(got.read(job, back));
    EXPECT_EQ(job, 8u);
    EXPECT_EQ(back.status, 8);
    EXPECT_EQ(back.failedPage, 5);
    EXPECT_EQ(back.detail, result.detail);
    // A body too short for what the reader asks gives false, never a half-read value.
    ScanRunResult more;
    QString extra;
    EXPECT_FALSE(got.read(job, more, extra));

    pair.helper.reset();
    EXPECT_EQ(pair.window->receive(got), ScanChannel::Received::Closed);
}

}  // namespace
}  // namespace tavlo::scan::test
