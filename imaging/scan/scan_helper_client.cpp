#include "imaging/scan/scan_helper_client.h"

#include "imaging/scan/page_memory.h"
#include "imaging/scan/scan_log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>

#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace tavlo::scan {
namespace {

const QString kHelperName = QStringLiteral("tavlo-scan-helper");

// How long a helper from an earlier run may take to end before a new one starts.
constexpr int kPreviousHelperWaitMs = 3000;

}  // namespace

ScanHelperClient::ScanHelperClient(QObject* parent) : QObject(parent), m_program(defaultProgram())
{
}

ScanHelperClient::~ScanHelperClient()
{
    release(false, kPreviousHelperWaitMs);
    if (m_ending) {
        if (!m_ending->waitForFinished(m_endingGraceMs)) {
            m_ending->kill();
            m_ending->waitForFinished(1000);
        }
        delete m_ending;
    }
}

QString ScanHelperClient::defaultProgram()
{
    const QString set = qEnvironmentVariable("TAVLO_SCAN_HELPER");
    if (!set.isEmpty())
        return set;
    return QDir(QCoreApplication::applicationDirPath()).filePath(kHelperName);
}

bool ScanHelperClient::start()
{
    m_failure.clear();
    release(false, kPreviousHelperWaitMs);
    if (m_ending) {
        // Two helpers must not hold one device: the one still ending goes first.
        if (!m_ending->waitForFinished(m_endingGraceMs)) {
            qCWarning(lcScan) << "the previous scan helper did not end; killing it";
            m_ending->kill();
            m_ending->waitForFinished(1000);
        }
        delete m_ending;
        m_ending = nullptr;
    }
    if (!QFileInfo(m_program).isExecutable()) {
        m_failure = QStringLiteral("ｽｷｬﾅ用の補助ﾌﾟﾛｸﾞﾗﾑ「%1」が見つかりません。").arg(m_program);
        return false;
    }
    int ours = -1;
    int theirs = -1;
    if (!ScanChannel::makePair(ours, theirs)) {
        m_failure = QStringLiteral("ｽｷｬﾅ用の補助ﾌﾟﾛｸﾞﾗﾑとの通信路を作れませんでした。");
        return false;
    }
    m_channel = std::make_unique<ScanChannel>(ours);
    m_channel->setNonBlocking(true);
    m_lostReported = false;
    m_process = new QProcess(this);
    m_process->setProcessChannelMode(QProcess::ForwardedChannels);
    m_process->setStandardInputFile(QProcess::nullDevice());
    m_process->setProgram(m_program);
    m_process->setArguments({QStringLiteral("--fd"), QString::number(theirs)});
    // In the child only: keep its end of the pair open across exec, and die with the window, so
    // a helper never outlives a crashed Tavlo holding the scanner.
    m_process->setChildProcessModifier([theirs] {
        ::fcntl(theirs, F_SETFD, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    connect(m_process, &QProcess::finished, this, &ScanHelperClient::onFinished);
    m_process->start();
    ::close(theirs);
    if (!m_process->waitForStarted(5000)) {
        m_failure = QStringLiteral("ｽｷｬﾅ用の補助ﾌﾟﾛｸﾞﾗﾑ「%1」を起動できませんでした。\r%2")
                        .arg(m_program, m_process->errorString());
        release(true, 0);
        return false;
    }
    m_notifier = new QSocketNotifier(m_channel->fd(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ScanHelperClient::readMessages);
    qCInfo(lcScan) << "scan helper started:" << m_program << "pid" << m_process->processId();
    return true;
}

void ScanHelperClient::send(const ScanMessage& message)
{
    if (!m_channel || m_lostReported)
        return;
    if (!m_channel->send(message))
        qCWarning(lcScan) << "the scan helper takes no messages";  // its end is reported by lost()
}

void ScanHelperClient::listDevices(quint64 job)
{
    send(ScanMessage::make(ScanMessage::Kind::ListDevices, job));
}

void ScanHelperClient::openDevice(quint64 job, const QString& name)
{
    send(ScanMessage::make(ScanMessage::Kind::OpenDevice, job, name));
}

void ScanHelperClient::setOption(quint64 job, const QString& name, const QString& value)
{
    send(ScanMessage::make(ScanMessage::Kind::SetOption, job, name, value));
}

void ScanHelperClient::scan(quint64 job, const ScanSettings& settings, bool onePage)
{
    send(ScanMessage::make(ScanMessage::Kind::Scan, job, settings, onePage));
}

void ScanHelperClient::cancel(quint64 job)
{
    send(ScanMessage::make(ScanMessage::Kind::Cancel, job));
}

void ScanHelperClient::pageTaken()
{
    send(ScanMessage::make(ScanMessage::Kind::PageTaken));
}

void ScanHelperClient::closeDevice()
{
    send(ScanMessage::make(ScanMessage::Kind::CloseDevice));
}

void ScanHelperClient::readMessages()
{
    // A few messages a turn, so a helper sending fast never holds the event loop.
    for (int i = 0; i < 16 && m_channel; ++i) {
        ScanMessage message;
        const ScanChannel::Received got = m_channel->receive(message);
        if (got == ScanChannel::Received::Nothing)
            return;
        if (got == ScanChannel::Received::Closed) {
            // The helper's end closed (it exited or broke the protocol): its process ending
            // reports it; one that keeps running without a channel is of no use.
            if (m_notifier)
                m_notifier->setEnabled(false);
            if (m_process && m_process->state() != QProcess::NotRunning) {
                QProcess* process = m_process;
                QTimer::singleShot(1000, process, [process] { process->kill(); });
            }
            return;
        }
        dispatch(message);
        if (message.fd >= 0)
            ::close(message.fd);
    }
}

void ScanHelperClient::dispatch(const ScanMessage& message)
{
    using Kind = ScanMessage::Kind;
    emit heard();
    quint64 job = 0;
    qint32 status = 0;
    switch (message.kind) {
    case Kind::Ready: {
        quint32 version = 0;
        if (message.read(version, status) && version == kScanProtocolVersion) {
            emit ready(status);
        } else {
            qCWarning(lcScan) << "scan helper of protocol version" << version << "refused";
            m_failure =
                QStringLiteral("ｽｷｬﾅ用の補助ﾌﾟﾛｸﾞﾗﾑ「%1」の版が合いません。").arg(m_program);
            kill();
            emit lost();
        }
        break;
    }
    case Kind::DevicesListed: {
        QList<ScanDevice> devices;
        if (message.read(job, devices, status))
            emit devicesListed(job, devices, status);
        break;
    }
    case Kind::DeviceOpened: {
        ScanDevice device;
        QList<ScanOption> options;
        if (message.read(job, device, options, status))
            emit deviceOpened(job, device, options, status);
        break;
    }
    case Kind::OptionSet: {
        QList<ScanOption> options;
        qint32 info = 0;
        if (message.read(job, options, status, info))
            emit optionSet(job, options, status, info);
        break;
    }
    case Kind::Progress: {
        qint32 page = 0, percent = 0;
        if (message.read(job, page, percent))
            emit progressChanged(job, page, percent);
        break;
    }
    case Kind::Page: {
        qint32 page = 0;
        PageHeader header;
        if (message.read(job, page, header)) {
            ScannedPage scanned{page, PageMemory::load(message.fd, header)};
            if (scanned.image.isNull())
                qCWarning(lcScan) << "page" << page << "came in memory that cannot be read";
            emit pageScanned(job, scanned);
        }
        break;
    }
    case Kind::RunEnded: {
        ScanRunResult result;
        if (message.read(job, result))
            emit scanFinished(job, result);
        break;
    }
    default:
        qCWarning(lcScan) << "unknown message from the scan helper" << int(message.kind);
        break;
    }
}

void ScanHelperClient::onFinished()
{
    auto* process = qobject_cast<QProcess*>(sender());
    if (process != m_process || !process)
        return;
    // Whatever it sent before it ended comes first.
    while (m_notifier && m_notifier->isEnabled() && m_channel) {
        ScanMessage message;
        if (m_channel->receive(message) != ScanChannel::Received::Message)
            break;
        dispatch(message);
        if (message.fd >= 0)
            ::close(message.fd);
        if (process != m_process)
            return;  // a handler stopped or killed it meanwhile
    }
    qCWarning(lcScan) << "scan helper ended unasked:"
                      << (process->exitStatus() == QProcess::CrashExit ? "crashed" : "exited")
                      << process->exitCode();
    release(false, 0);
    m_lostReported = true;
    emit lost();
}

void ScanHelperClient::stop(int graceMs)
{
    if (!m_process)
        return;
    send(ScanMessage::make(ScanMessage::Kind::Quit));
    release(false, graceMs);
}

void ScanHelperClient::kill()
{
    release(true, 0);
}

void ScanHelperClient::release(bool killFirst, int graceMs)
{
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    m_channel.reset();  // the helper sees its channel close and ends
    if (!m_process)
        return;
    QProcess* process = m_process;
    m_process = nullptr;
    process->disconnect(this);
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        return;
    }
    if (killFirst) {
        qCWarning(lcScan) << "killing the scan helper, pid" << process->processId();
        process->kill();
    }
    if (m_ending) {
        // An older one still ending: it has had its time.
        m_ending->kill();
        m_ending->waitForFinished(1000);
        delete m_ending;
    }
    m_ending = process;
    m_endingGraceMs = graceMs;
    connect(process, &QProcess::finished, this, [this, process] {
        if (m_ending == process)
            m_ending = nullptr;
        process->deleteLater();
    });
    if (!killFirst)
        QTimer::singleShot(graceMs, process, [process] { process->kill(); });
}

}  // namespace tavlo::scan
