#pragma once

// A scanner object wired to SANE's test backend, with every dialog answered by preset values and
// every message recorded, for the scanner tests.
#include "imaging/image_store.h"
#include "imaging/scan/preview_memory.h"
#include "imaging/scan/scanner_memory.h"
#include "imaging/scan/scanner_object.h"
#include "tests/imaging/scan/sane_test_device.h"
#include "tests/support/recording_prompt.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace tavlo::scan::test {

class ScannerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { useSaneTestBackend(); }

    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_storeBefore = ImageStore::instance().size();
        PreviewMemory::instance().clear();  // no test sees another's preview or area
        makeScanner();
    }

    void TearDown() override
    {
        scanner.reset();
        EXPECT_EQ(ImageStore::instance().size(), m_storeBefore) << "a page handle was not released";
    }

    void makeScanner()
    {
        scanner = std::make_unique<ScannerObject>();
        scanner->setDialogs(&dialogs);
        scanner->setMemory(ScannerMemory(m_dir.filePath(QStringLiteral("scanner.ini"))));
        scanner->setRunTimeout(60000);
        QObject::connect(scanner.get(), &ScannerObject::ImageAcquired, scanner.get(),
                         [this](quint32 handle) {
                             EXPECT_EQ(QThread::currentThread(), qApp->thread());
                             const Image* image = ImageStore::instance().find(handle);
                             ASSERT_NE(image, nullptr);
                             pages.append(*image);
                             if (onPage)
                                 onPage(int(pages.size()));
                         });
        ASSERT_TRUE(scanner->InitScanner(nullptr, 1, 0, QStringLiteral("Tavlo")));
    }

    // Runs AcquireImages; returns its result and leaves the page count in delivered.
    bool acquire(bool progress = true)
    {
        int show = progress ? 1 : 0;
        return scanner->AcquireImages(delivered, show);
    }

    tavlo::test::RecordingPrompt prompt;
    PresetScanDialogs dialogs;
    std::unique_ptr<ScannerObject> scanner;
    QList<Image> pages;
    std::function<void(int)> onPage;
    int delivered = -1;

private:
    QTemporaryDir m_dir;
    std::size_t m_storeBefore = 0;
};

}  // namespace tavlo::scan::test
