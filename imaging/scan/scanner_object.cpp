#include "imaging/scan/scanner_object.h"

#include "environment/user_prompt.h"
#include "imaging/image_store.h"
#include "imaging/scan/paper_size.h"
#include "imaging/scan/qt_scan_dialogs.h"
#include "imaging/scan/scan_dialogs.h"
#include "imaging/scan/scan_log.h"
#include "imaging/scan/scan_status.h"
#include "imaging/scan/scan_worker.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <atomic>

namespace tavlo::scan {
namespace {

// SANE is one per process: the scanner object that initialised it.
std::atomic<ScannerObject*> g_saneOwner{nullptr};

// Pages the scanning thread may finish ahead of the ImageAcquired handlers (about 26 MB each for
// an A4 colour page at 300 dpi).
constexpr int kPagesInFlight = 2;

// How long the destructor waits for the scanning thread to close the device and end.
constexpr int kShutdownWaitMs = 10000;

// How long a run may take to end after a timeout cancelled it.
constexpr int kCancelGraceMs = 10000;

const QString kNoScanner = QStringLiteral(
    "ｽｷｬﾅが見つかりません。\rｽｷｬﾅの電源が入っていて、ｹｰﾌﾞﾙまたはﾈｯﾄﾜｰｸで正しく接続されているか"
    "確かめてください。");

// While the scanning thread lists or opens devices (a network search can take seconds).
class BusyCursor {
public:
    BusyCursor()
    {
        if (qobject_cast<QApplication*>(QCoreApplication::instance()))
            QApplication::setOverrideCursor(Qt::BusyCursor), m_set = true;
    }
    ~BusyCursor()
    {
        if (m_set)
            QApplication::restoreOverrideCursor();
    }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    bool m_set = false;
};

}  // namespace

ScannerObject::ScannerObject(QObject* parent) : QObject(parent)
{
    m_deliveryTimer.setSingleShot(true);
    m_deliveryTimer.setInterval(0);
    connect(&m_deliveryTimer, &QTimer::timeout, this, &ScannerObject::deliverPending);
}

ScannerObject::~ScannerObject()
{
    if (!m_worker)
        return;
    // Cancel, let the worker close the device and leave SANE in its own thread, then join.
    m_cancelled = true;
    m_worker->requestCancel(m_job);
    ScanWorker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker,
        [worker] {
            worker->shutdown();
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    if (m_thread->wait(kShutdownWaitMs)) {
        delete m_worker;
        delete m_thread;
    } else {
        // A driver stuck inside a SANE call: destroying the thread would abort the program, so
        // the worker and its thread are left to the end of the process.
        qCWarning(lcScan) << "the scanning thread did not end; leaving it behind";
    }
    m_worker = nullptr;
    m_thread = nullptr;
    g_saneOwner.store(nullptr);
}

bool ScannerObject::InitScanner(QWidget* owner, int versionMajor, int versionMinor,
                                const QString& applicationName, const QString& manufacturer,
                                const QString& productFamily, const QString& productName)
{
    if (owner)
        m_owner = owner;
    if (m_started)
        return m_startResult;
    m_started = true;
    ScannerObject* expected = nullptr;
    if (!g_saneOwner.compare_exchange_strong(expected, this)) {
        qCWarning(lcScan) << "another scanner object already uses SANE";
        m_startResult = false;
        return false;
    }
    qRegisterMetaType<ScanDevice>();
    qRegisterMetaType<QList<ScanDevice>>();
    qRegisterMetaType<ScanOption>();
    qRegisterMetaType<QList<ScanOption>>();
    qRegisterMetaType<ScanSettings>();
    qRegisterMetaType<ScannedPage>();
    qRegisterMetaType<ScanRunResult>();

    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("tavlo-scan"));
    m_worker = new ScanWorker(kPagesInFlight);
    m_worker->moveToThread(m_thread);
    connect(
        m_worker, &ScanWorker::initialised, this, [this](int status) { m_initStatus = status; },
        Qt::QueuedConnection);
    connect(m_worker, &ScanWorker::devicesListed, this, &ScannerObject::onDevicesListed,
            Qt::QueuedConnection);
    connect(m_worker, &ScanWorker::deviceOpened, this, &ScannerObject::onDeviceOpened,
            Qt::QueuedConnection);
    connect(m_worker, &ScanWorker::progressChanged, this, &ScannerObject::onProgress,
            Qt::QueuedConnection);
    connect(m_worker, &ScanWorker::pageScanned, this, &ScannerObject::onPageScanned,
            Qt::QueuedConnection);
    connect(m_worker, &ScanWorker::scanFinished, this, &ScannerObject::onScanFinished,
            Qt::QueuedConnection);
    m_thread->start();
    QMetaObject::invokeMethod(m_worker, &ScanWorker::initialise, Qt::QueuedConnection);
    qCInfo(lcScan) << "scanner initialised for" << applicationName << versionMajor << versionMinor
                   << manufacturer << productFamily << productName;
    m_startResult = true;
    return true;
}

bool ScannerObject::ensureStarted()
{
    if (!m_started)
        InitScanner(nullptr);
    return m_startResult;
}

ScanDialogs& ScannerObject::dialogs()
{
    if (m_customDialogs)
        return *m_customDialogs;
    if (!m_qtDialogs)
        m_qtDialogs = std::make_unique<QtScanDialogs>();
    return *m_qtDialogs;
}

QWidget* ScannerObject::owner() const
{
    return m_owner ? m_owner->window() : nullptr;
}

QString ScannerObject::title() const
{
    if (QWidget* window = owner(); window && !window->windowTitle().isEmpty())
        return window->windowTitle();
    return QGuiApplication::applicationDisplayName();
}

void ScannerObject::tell(const QString& text)
{
    m_lastMessage = text;
    userPrompt().message(title(), text);
}

bool ScannerObject::waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        int slice = 200;
        if (timeoutMs > 0) {
            const qint64 left = timeoutMs - clock.elapsed();
            if (left <= 0)
                return false;
            slice = int(std::min<qint64>(slice, left));
        }
        QEventLoop loop;
        m_waitLoop = &loop;
        QTimer::singleShot(slice, &loop, &QEventLoop::quit);
        loop.exec();
        m_waitLoop = nullptr;
    }
    return true;
}

void ScannerObject::wake()
{
    if (m_waitLoop)
        m_waitLoop->quit();
}

QString ScannerObject::unavailableText() const
{
    return QStringLiteral("ｽｷｬﾅを使用する準備ができませんでした。\r%1")
        .arg(statusReason(
            SANE_Status(m_initStatus == SANE_STATUS_GOOD ? SANE_STATUS_IO_ERROR : m_initStatus)));
}

// ---- ｿｰｽの選択 --------------------------------------------------------------------------------

bool ScannerObject::SelectSource()
{
    if (m_runActive || m_waiting)
        return false;
    if (!ensureStarted()) {
        tell(unavailableText());
        return false;
    }
    if (m_workerBusy) {
        tell(QStringLiteral(
            "前回のｽｷｬﾝがまだ終わっていません。しばらくしてからやり直してください。"));
        return false;
    }
    const quint64 job = ++m_job;
    m_replied = false;
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, job] { worker->listDevices(job); }, Qt::QueuedConnection);
    bool replied = false;
    {
        BusyCursor busy;
        m_waiting = true;
        replied = waitUntil([this] { return m_replied; }, m_runTimeoutMs);
        m_waiting = false;
    }
    if (!replied || m_replyStatus != SANE_STATUS_GOOD) {
        tell(QStringLiteral("ｽｷｬﾅの一覧を取得できませんでした。\r%1")
                 .arg(replied ? statusReason(SANE_Status(m_replyStatus))
                              : QStringLiteral("SANE から応答がありません。")));
        return false;
    }
    const QList<ScanDevice> devices = m_replyDevices;
    if (devices.isEmpty()) {
        tell(kNoScanner);
        return false;
    }
    const QString remembered = m_memory.chosenDevice();
    int current = -1;
    for (int i = 0; i < devices.size(); ++i) {
        if (devices[i].name == remembered)
            current = i;
    }
    const int chosen = dialogs().chooseDevice(devices, current, owner());
    if (chosen < 0 || chosen >= devices.size())
        return false;
    m_memory.setChosenDevice(devices[chosen].name);
    qCInfo(lcScan) << "source chosen:" << devices[chosen].name;
    return true;
}

// ---- Acquisition -------------------------------------------------------------------------------

ScanSettings ScannerObject::startingSettings(const ScanDevice& device,
                                             const QList<ScanOption>& options) const
{
    ScanSettings settings;
    if (m_memory.settings(device.name, settings))
        return settings;
    // The first run on a device: its own defaults, 300 dpi when it offers that, and an A4 page
    // when the area allows it (otherwise the whole area).
    for (const QString& name : {ScanSettings::kSource, ScanSettings::kMode, ScanSettings::kDepth,
                                ScanSettings::kResolution}) {
        const ScanOption* option = findOption(options, name);
        if (option && option->isEditable() && !option->value.isEmpty())
            settings.set(name, option->value);
    }
    if (const ScanOption* resolution = findOption(options, ScanSettings::kResolution);
        resolution && resolution->isEditable() &&
        resolution->constrained(QStringLiteral("300")).toDouble() == 300.0)
        settings.set(ScanSettings::kResolution, QStringLiteral("300"));
    const ScanOption* left = findOption(options, ScanSettings::kLeft);
    const ScanOption* top = findOption(options, ScanSettings::kTop);
    const ScanOption* right = findOption(options, ScanSettings::kRight);
    const ScanOption* bottom = findOption(options, ScanSettings::kBottom);
    const auto ranged = [](const ScanOption* o) {
        return o && o->isEditable() && o->constraint == ScanOption::Constraint::Range;
    };
    if (ranged(left) && ranged(top) && ranged(right) && ranged(bottom)) {
        const double x = left->minimum;
        const double y = top->minimum;
        double w = right->maximum - x;
        double h = bottom->maximum - y;
        const PaperSize* a4 = PaperSize::find(QStringLiteral("A4"));
        const bool millimetres = right->unit == SANE_UNIT_MM && bottom->unit == SANE_UNIT_MM;
        if (millimetres && w >= a4->widthMm && h >= a4->heightMm) {
            w = a4->widthMm;
            h = a4->heightMm;
            settings.paper = a4->key;
        }
        settings.set(ScanSettings::kLeft, QString::number(x, 'g', 10));
        settings.set(ScanSettings::kTop, QString::number(y, 'g', 10));
        settings.set(ScanSettings::kRight, QString::number(x + w, 'g', 10));
        settings.set(ScanSettings::kBottom, QString::number(y + h, 'g', 10));
    }
    return settings;
}

bool ScannerObject::AcquireImages(int& pages, int& showProgress)
{
    pages = 0;
    if (m_runActive || m_waiting) {
        qCInfo(lcScan) << "AcquireImages refused: a scan is already going on";
        return false;
    }
    m_lastMessage.clear();
    if (!ensureStarted()) {
        m_outcome = Outcome::Failed;
        tell(unavailableText());
        return false;
    }
    if (m_workerBusy) {
        m_outcome = Outcome::Failed;
        tell(QStringLiteral(
            "前回のｽｷｬﾝがまだ終わっていません。しばらくしてからやり直してください。"));
        return false;
    }

    // Open the chosen device, or the first one.
    QElapsedTimer clock;
    clock.start();
    const quint64 job = ++m_job;
    m_replied = false;
    const QString chosen = m_memory.chosenDevice();
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, job, chosen] { worker->openDevice(job, chosen); },
        Qt::QueuedConnection);
    bool replied = false;
    {
        BusyCursor busy;
        m_waiting = true;
        replied = waitUntil([this] { return m_replied; }, m_runTimeoutMs);
        m_waiting = false;
    }
    if (!replied) {
        m_outcome = Outcome::Failed;
        m_workerBusy = true;  // the worker is stuck in sane_open; its answer is awaited
        tell(QStringLiteral("ｽｷｬﾅから応答がありません。"));
        return false;
    }
    if (m_replyStatus != SANE_STATUS_GOOD) {
        if (m_replyStatus == ScanWorker::kNoDevice) {
            m_outcome = Outcome::NoDevice;
            tell(kNoScanner);
        } else if (m_initStatus != SANE_STATUS_GOOD) {
            m_outcome = Outcome::Failed;
            tell(unavailableText());
        } else if (m_replyStatus == SANE_STATUS_INVAL) {
            m_outcome = Outcome::NoDevice;
            tell(QStringLiteral("ｽｷｬﾅ「%1」が見つかりません。\rｽｷｬﾅの電源と接続を確かめるか、"
                                "「ｿｰｽの選択」で選び直してください。")
                     .arg(m_replyDevice.displayName()));
        } else {
            m_outcome = Outcome::Failed;
            tell(QStringLiteral("ｽｷｬﾅ「%1」を開けませんでした。\r%2")
                     .arg(m_replyDevice.displayName(), statusReason(SANE_Status(m_replyStatus))));
        }
        return false;
    }
    const ScanDevice device = m_replyDevice;
    const QList<ScanOption> options = m_replyOptions;
    qCDebug(lcScan) << "device open after" << clock.elapsed() << "ms";

    // The settings: remembered per device, shown for confirmation unless AcquireOption is set.
    ScanSettings settings = startingSettings(device, options);
    if (!m_acquireOption && !dialogs().editSettings(device, options, settings, owner())) {
        QMetaObject::invokeMethod(m_worker, &ScanWorker::closeDevice, Qt::QueuedConnection);
        m_outcome = Outcome::Cancelled;
        return true;
    }
    m_memory.setSettings(device.name, settings);
    qCDebug(lcScan) << "settings ready after" << clock.elapsed() << "ms";

    // The run.
    m_runActive = true;
    m_workerBusy = true;
    m_cancelled = false;
    m_runEnded = false;
    m_delivered = 0;
    m_heldProgress = {0, 0};
    m_pending.clear();
    m_runResult = ScanRunResult();
    const bool progress = showProgress != 0;
    if (progress)
        dialogs().progressStarted(
            device, [this] { CancelAcquire(); }, owner());
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, job, settings] { worker->scan(job, settings); },
        Qt::QueuedConnection);
    const auto ended = [this] { return m_runEnded && m_pending.isEmpty() && !m_delivering; };
    const bool inTime = waitUntil(ended, m_runTimeoutMs);
    if (!inTime) {
        qCWarning(lcScan) << "run" << job << "did not end within" << m_runTimeoutMs << "ms";
        CancelAcquire();
        waitUntil(ended, kCancelGraceMs);
    }
    if (progress)
        dialogs().progressFinished();
    m_runActive = false;
    pages = m_delivered;
    return reportRun(inTime);
}

bool ScannerObject::reportRun(bool inTime)
{
    const ScanRunResult& r = m_runResult;
    const QString keptNote =
        m_delivered > 0
            ? QStringLiteral("\r読み取り済みの %1 ﾍﾟｰｼﾞはそのまま残ります。").arg(m_delivered)
            : QString();
    if (!inTime) {
        m_outcome = Outcome::Failed;
        tell(QStringLiteral("ｽｷｬﾅから応答がないため、読み取りを中止しました。") + keptNote);
        return false;
    }
    if (m_cancelled) {
        m_outcome = Outcome::Cancelled;
        return true;
    }
    if (r.failed()) {
        m_outcome = Outcome::Failed;
        const QString where =
            r.failedPage > 0
                ? QStringLiteral("%1 ﾍﾟｰｼﾞ目の読み取り中にｴﾗｰが発生しました。").arg(r.failedPage)
                : QStringLiteral("ｽｷｬﾝを開始できませんでした。");
        const QString why = r.detail.isEmpty() ? statusReason(SANE_Status(r.status)) : r.detail;
        tell(where + QLatin1Char('\r') + why + keptNote);
        return false;
    }
    if (r.status == SANE_STATUS_CANCELLED) {
        m_outcome = Outcome::Cancelled;  // stopped at the device
        return true;
    }
    m_outcome = Outcome::Completed;
    if (r.status == SANE_STATUS_NO_DOCS && m_delivered == 0)
        tell(QStringLiteral("ﾌｨｰﾀﾞｰに原稿がありません。\r原稿をｾｯﾄしてからやり直してください。"));
    return true;
}

void ScannerObject::CancelAcquire()
{
    if (!m_runActive || m_cancelled)
        return;
    qCInfo(lcScan) << "run" << m_job << "cancelled after" << m_delivered << "pages";
    m_cancelled = true;
    m_worker->requestCancel(m_job);
    if (!m_delivering)
        dropPending();
    wake();
}

void ScannerObject::dropPending()
{
    for (qsizetype i = 0; i < m_pending.size(); ++i)
        m_worker->pageTaken();
    m_pending.clear();
}

void ScannerObject::deliverPending()
{
    if (m_delivering)
        return;  // a handler runs a nested event loop: its page comes first
    if (m_pending.isEmpty() || m_cancelled) {
        dropPending();
        wake();
        return;
    }
    m_delivering = true;
    ScannedPage page = m_pending.takeFirst();
    const quint32 handle = ImageStore::instance().add(std::move(page.image));
    if (handle != 0) {
        ++m_delivered;
        emit ImageAcquired(handle);
        ImageStore::instance().release(handle);
    }
    m_worker->pageTaken();
    m_delivering = false;
    if (m_cancelled)
        dropPending();
    else
        showHeldProgress();
    if (!m_pending.isEmpty())
        m_deliveryTimer.start();
    wake();
}

// ---- Answers of the scanning thread ------------------------------------------------------------

void ScannerObject::onDevicesListed(quint64 job, const QList<ScanDevice>& devices, int status)
{
    if (job != m_job)
        return;
    m_replyDevices = devices;
    m_replyStatus = status;
    m_replied = true;
    wake();
}

void ScannerObject::onDeviceOpened(quint64 job, const ScanDevice& device,
                                   const QList<ScanOption>& options, int status)
{
    if (job != m_job) {
        // An open that came back after we stopped waiting for it: give the device back.
        if (status == SANE_STATUS_GOOD)
            QMetaObject::invokeMethod(m_worker, &ScanWorker::closeDevice, Qt::QueuedConnection);
        m_workerBusy = false;
        return;
    }
    m_replyDevice = device;
    m_replyOptions = options;
    m_replyStatus = status;
    m_replied = true;
    wake();
}

void ScannerObject::onProgress(quint64 job, int page, int percent)
{
    if (job != m_job || !m_runActive || m_cancelled)
        return;
    // The display never runs ahead of the pages raised: while earlier pages wait to be raised,
    // the latest progress waits with them. So a Cancel pressed while page n shows keeps exactly
    // the pages before n.
    m_heldProgress = {page, percent};
    showHeldProgress();
}

void ScannerObject::showHeldProgress()
{
    const auto [page, percent] = m_heldProgress;
    if (page == 0 || page > m_delivered + 1 || m_cancelled)
        return;
    m_heldProgress = {0, 0};
    dialogs().progressChanged(page, percent);
}

void ScannerObject::onPageScanned(quint64 job, const ScannedPage& page)
{
    if (job != m_job || !m_runActive || m_cancelled) {
        m_worker->pageTaken();
        return;
    }
    m_pending.append(page);
    // Pages are raised from a zero timer, one per turn of the event loop: other events (paints,
    // input, Cancel) are handled between two pages even when several pages arrived at once, so
    // the user-interface thread is never held for more than one handler at a time.
    if (!m_delivering)
        m_deliveryTimer.start();
}

void ScannerObject::onScanFinished(quint64 job, const ScanRunResult& result)
{
    m_workerBusy = false;
    if (job != m_job)
        return;
    m_runResult = result;
    m_runEnded = true;
    wake();
}

}  // namespace tavlo::scan
