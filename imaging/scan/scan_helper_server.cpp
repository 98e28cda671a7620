#include "imaging/scan/scan_helper_server.h"

#include "imaging/scan/page_memory.h"
#include "imaging/scan/scan_log.h"
#include "imaging/scan/scan_worker.h"
#include "imaging/scan/shared_pages.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <unistd.h>

namespace tavlo::scan {
namespace {

}  // namespace

ScanHelperServer::ScanHelperServer(int fd, int pagesInFlight, QObject* parent)
    : QObject(parent), m_channel(fd)
{
    m_channel.setNonBlocking(true);
    m_thread.setObjectName(QStringLiteral("tavlo-scan-driver"));
    m_worker = new ScanWorker(pagesInFlight);
    m_worker->moveToThread(&m_thread);

    // Answers go out from whichever thread the worker signals on: the channel keeps messages
    // whole, and a page is put into its memfd on the worker's thread, not on this one.
    using Kind = ScanMessage::Kind;
    connect(
        m_worker, &ScanWorker::initialised, this,
        [this](int status) {
            m_channel.send(ScanMessage::make(Kind::Ready, kScanProtocolVersion, qint32(status)));
        },
        Qt::DirectConnection);
    connect(
        m_worker, &ScanWorker::devicesListed, this,
        [this](quint64 job, const QList<ScanDevice>& devices, int status) {
            m_channel.send(ScanMessage::make(Kind::DevicesListed, job, devices, qint32(status)));
        },
        Qt::DirectConnection);
    connect(
        m_worker, &ScanWorker::deviceOpened, this,
        [this](quint64 job, const ScanDevice& device, const QList<ScanOption>& options,
               int status) {
            m_channel.send(
                ScanMessage::make(Kind::DeviceOpened, job, device, options, qint32(status)));
        },
        Qt::DirectConnection);
    connect(
        m_worker, &ScanWorker::optionSet, this,
        [this](quint64 job, const QList<ScanOption>& options, int status, int info) {
            m_channel.send(
                ScanMessage::make(Kind::OptionSet, job, options, qint32(status), qint32(info)));
        },
        Qt::DirectConnection);
    connect(
        m_worker, &ScanWorker::progressChanged, this,
        [this](quint64 job, int page, int percent) {
            m_channel.send(ScanMessage::make(Kind::Progress, job, qint32(page), qint32(percent)));
            if (m_progressHook)
                m_progressHook(page, percent);
        },
        Qt::DirectConnection);
    // Pages are assembled in shared memory and sealed there: the window gets them without a copy.
    m_worker->setPageAllocator(SharedPages::allocate);
    m_worker->setPageSink([this](quint64 job, ScannedPage&& page) {
        PageHeader header;
        const int number = page.page;
        const int fd = PageMemory::store(std::move(page.image), header);
        if (fd < 0) {
            // No memory for the page: the run goes on, and the window counts the page as read
            // but not handed over (it reports the gap).
            qCWarning(lcScan) << "page" << number << "could not be put into shared memory";
            m_worker->pageTaken();
            return;
        }
        ScanMessage m = ScanMessage::make(Kind::Page, job, qint32(number), header);
        m.fd = fd;
        m_channel.send(m);
        ::close(fd);
    });
    connect(
        m_worker, &ScanWorker::scanFinished, this,
        [this](quint64 job, const ScanRunResult& result) {
            m_channel.send(ScanMessage::make(Kind::RunEnded, job, result));
        },
        Qt::DirectConnection);
}

ScanHelperServer::~ScanHelperServer()
{
    m_thread.quit();
    m_thread.wait();
    delete m_worker;
}

void ScanHelperServer::start()
{
    m_notifier = new QSocketNotifier(m_channel.fd(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ScanHelperServer::readMessages);
    m_thread.start();
    QMetaObject::invokeMethod(m_worker, &ScanWorker::initialise, Qt::QueuedConnection);
}

void ScanHelperServer::readMessages()
{
    for (;;) {
        ScanMessage message;
        switch (m_channel.receive(message)) {
        case ScanChannel::Received::Nothing: return;
        case ScanChannel::Received::Closed:
            m_notifier->setEnabled(false);
            shutDown();
            return;
        case ScanChannel::Received::Message:
            if (message.fd >= 0)
                ::close(message.fd);  // the window sends no descriptors
            handle(message);
            break;
        }
    }
}

void ScanHelperServer::handle(const ScanMessage& message)
{
    using Kind = ScanMessage::Kind;
    ScanWorker* worker = m_worker;
    quint64 job = 0;
    switch (message.kind) {
    case Kind::ListDevices:
        if (message.read(job))
            QMetaObject::invokeMethod(
                worker, [worker, job] { worker->listDevices(job); }, Qt::QueuedConnection);
        break;
    case Kind::OpenDevice: {
        QString name;
        if (message.read(job, name))
            QMetaObject::invokeMethod(
                worker, [worker, job, name] { worker->openDevice(job, name); },
                Qt::QueuedConnection);
        break;
    }
    case Kind::SetOption: {
        QString name, value;
        if (message.read(job, name, value))
            QMetaObject::invokeMethod(
                worker, [worker, job, name, value] { worker->setOption(job, name, value); },
                Qt::QueuedConnection);
        break;
    }
    case Kind::Scan: {
        ScanSettings settings;
        bool onePage = false;
        if (!message.read(job, settings, onePage))
            break;
        m_runJob = job;
        QMetaObject::invokeMethod(
            worker, [worker, job, settings, onePage] { worker->scan(job, settings, onePage); },
            Qt::QueuedConnection);
        break;
    }
    case Kind::Cancel:
        if (message.read(job))
            worker->requestCancel(job);
        break;
    case Kind::PageTaken: worker->pageTaken(); break;
    case Kind::CloseDevice:
        QMetaObject::invokeMethod(worker, &ScanWorker::closeDevice, Qt::QueuedConnection);
        break;
    case Kind::Quit: shutDown(); break;
    default: qCWarning(lcScan) << "unknown message" << int(message.kind); break;
    }
}

void ScanHelperServer::shutDown()
{
    if (m_shuttingDown)
        return;
    m_shuttingDown = true;
    // A run still going on stops at its next read; then the worker closes the device and leaves
    // SANE in its own thread, after whatever it is doing now.
    m_worker->requestCancel(m_runJob);
    ScanWorker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker,
        [this, worker] {
            worker->shutdown();
            QMetaObject::invokeMethod(
                this, [this] { emit finished(); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

}  // namespace tavlo::scan
