#include "imaging/scan/scanner_object.h"

#include "environment/user_prompt.h"
#include "imaging/image_store.h"
#include "imaging/scan/paper_size.h"
#include "imaging/scan/qt_scan_dialogs.h"
#include "imaging/scan/scan_dialogs.h"
#include "imaging/scan/scan_log.h"
#include "imaging/scan/scan_helper_client.h"
#include "imaging/scan/scan_status.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <utility>

namespace tavlo::scan {
namespace {

// SANE is one per process: the scanner object that initialised it.
std::atomic<ScannerObject*> g_saneOwner{nullptr};

// The longest the helper may take to start, list or open a device (a network search takes
// seconds) when no run timeout is set.
constexpr int kQuerySilenceMs = 60000;

// How long the event loop runs between two looks at the helper's silence.
constexpr int kWatchSliceMs = 50;

const QString kDriverHung = QStringLiteral("ｽｷｬﾅのﾄﾞﾗｲﾊﾞｰが応答しません。");
const QString kDriverCrashed = QStringLiteral("ｽｷｬﾅのﾄﾞﾗｲﾊﾞｰが異常終了しました。");

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

ScannerObject::ScannerObject(QObject* parent)
    : QObject(parent), m_helper(new ScanHelperClient(this))
{
    m_deliveryTimer.setSingleShot(true);
    m_deliveryTimer.setInterval(0);
    connect(&m_deliveryTimer, &QTimer::timeout, this, &ScannerObject::deliverPending);
    connect(m_helper, &ScanHelperClient::heard, this, [this] { m_lastHeard.start(); });
    connect(m_helper, &ScanHelperClient::ready, this, &ScannerObject::onReady);
    connect(m_helper, &ScanHelperClient::lost, this, &ScannerObject::onHelperLost);
    connect(m_helper, &ScanHelperClient::devicesListed, this, &ScannerObject::onDevicesListed);
    connect(m_helper, &ScanHelperClient::deviceOpened, this, &ScannerObject::onDeviceOpened);
    connect(m_helper, &ScanHelperClient::optionSet, this, &ScannerObject::onOptionSet);
    connect(m_helper, &ScanHelperClient::progressChanged, this, &ScannerObject::onProgress);
    connect(m_helper, &ScanHelperClient::pageScanned, this, &ScannerObject::onPageScanned);
    connect(m_helper, &ScanHelperClient::scanFinished, this, &ScannerObject::onScanFinished);
}

ScannerObject::~ScannerObject()
{
    // A run still going on (the window closes mid-run): the helper is asked to end and killed
    // when it does not (the client's destructor waits at most its grace time).
    if (m_runActive)
        m_helper->cancel(m_job);
    m_helper->stop(m_cancelGraceMs);
    if (m_started && m_startResult)
        g_saneOwner.store(nullptr);
}

void ScannerObject::setHelperProgram(const QString& path)
{
    m_helper->setProgram(path);
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
        qCWarning(lcScan) << "another scanner object already scans";
        m_startResult = false;
        return false;
    }
    qCInfo(lcScan) << "scanner initialised for" << applicationName << versionMajor << versionMinor
                   << manufacturer << productFamily << productName << "helper"
                   << m_helper->program();
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

void ScannerObject::waitSlice(int milliseconds)
{
    QEventLoop loop;
    m_waitLoop = &loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    m_waitLoop = nullptr;
}

ScannerObject::Wait ScannerObject::awaitHelper(const std::function<bool()>& done, int silenceMs)
{
    m_lastHeard.start();
    while (!done()) {
        if (m_helperLost)
            return Wait::Lost;
        if (silenceMs > 0 && m_lastHeard.elapsed() >= silenceMs)
            return Wait::Silent;
        waitSlice(kWatchSliceMs);
    }
    return Wait::Done;
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

int ScannerObject::silenceLimitMs(const ScanSettings& settings)
{
    constexpr double kMmPerInch = 25.4;
    const auto number = [&settings](const QString& name, double otherwise) {
        bool ok = false;
        const double v = settings.value(name).toDouble(&ok);
        return ok ? v : otherwise;
    };
    // Unknown values count as an A4 page at 300 dpi.
    const double dpi = std::clamp(number(ScanSettings::kResolution, 300), 1.0, 100000.0);
    const double widthMm =
        std::clamp(number(ScanSettings::kRight, 210) - number(ScanSettings::kLeft, 0), 1.0, 2000.0);
    const double heightMm =
        std::clamp(number(ScanSettings::kBottom, 297) - number(ScanSettings::kTop, 0), 1.0, 5000.0);
    const double megapixels = (widthMm / kMmPerInch * dpi) * (heightMm / kMmPerInch * dpi) / 1e6;
    return int(std::min(30000.0 + 1000.0 * megapixels, 3600000.0));
}

bool ScannerObject::startHelper()
{
    m_helperReady = false;
    m_helperLost = false;
    m_initStatus = SANE_STATUS_GOOD;
    if (!m_helper->start()) {
        tell(m_helper->failure());
        return false;
    }
    const Wait wait = awaitHelper([this] { return m_helperReady; },
                                  m_runTimeoutMs > 0 ? m_runTimeoutMs : kQuerySilenceMs);
    if (wait != Wait::Done) {
        tellHelperFault(wait, QStringLiteral("ｽｷｬﾅを使用する準備ができませんでした。"));
        return false;
    }
    if (m_initStatus != SANE_STATUS_GOOD) {
        m_helper->stop(m_cancelGraceMs);
        tell(unavailableText());
        return false;
    }
    return true;
}

QString ScannerObject::helperFaultText(Wait wait)
{
    if (wait == Wait::Silent) {
        m_helper->kill();
        m_helperLost = true;  // as far as this object goes, it is gone
    }
    return wait == Wait::Silent ? kDriverHung : kDriverCrashed;
}

void ScannerObject::tellHelperFault(Wait wait, const QString& during)
{
    const QString text = helperFaultText(wait);
    const QString failure = m_helper->failure();
    tell(text + QLatin1Char('\r') + (failure.isEmpty() ? during : failure));
}

void ScannerObject::onReady(int status)
{
    m_initStatus = status;
    m_helperReady = true;
    wake();
}

void ScannerObject::onHelperLost()
{
    m_helperLost = true;
    if (m_runActive && !m_runEnded) {
        // Pages it handed over before are still raised (unless the user cancelled them).
        m_fault = m_cancelled ? Fault::CancelIgnored : Fault::Crashed;
        m_runEnded = true;
    }
    wake();
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
    Wait wait = Wait::Done;
    {
        BusyCursor busy;
        m_waiting = true;
        if (startHelper()) {
            const quint64 job = ++m_job;
            m_replied = false;
            m_helper->listDevices(job);
            wait = awaitHelper([this] { return m_replied; },
                               m_runTimeoutMs > 0 ? m_runTimeoutMs : kQuerySilenceMs);
            if (wait == Wait::Done)
                m_helper->stop(m_cancelGraceMs);
            else
                tellHelperFault(wait, QStringLiteral("ｽｷｬﾅの一覧を取得できませんでした。"));
        } else {
            wait = Wait::Lost;  // told
        }
        m_waiting = false;
    }
    if (wait != Wait::Done)
        return false;
    if (m_replyStatus != SANE_STATUS_GOOD) {
        tell(QStringLiteral("ｽｷｬﾅの一覧を取得できませんでした。\r%1")
                 .arg(statusReason(SANE_Status(m_replyStatus))));
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

    // A fresh helper opens the chosen device, or the first one.
    QElapsedTimer clock;
    clock.start();
    Wait wait = Wait::Done;
    {
        BusyCursor busy;
        m_waiting = true;
        if (startHelper()) {
            const quint64 job = ++m_job;
            m_replied = false;
            m_helper->openDevice(job, m_memory.chosenDevice());
            wait = awaitHelper([this] { return m_replied; },
                               m_runTimeoutMs > 0 ? m_runTimeoutMs : kQuerySilenceMs);
            if (wait != Wait::Done)
                tellHelperFault(wait, QStringLiteral("ｽｷｬﾅを開けませんでした。"));
        } else {
            wait = Wait::Lost;  // told
        }
        m_waiting = false;
    }
    if (wait != Wait::Done) {
        m_outcome = Outcome::Failed;
        return false;
    }
    if (m_replyStatus != SANE_STATUS_GOOD) {
        m_helper->stop(m_cancelGraceMs);
        if (m_replyStatus == kStatusNoDevice) {
            m_outcome = Outcome::NoDevice;
            tell(kNoScanner);
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
    m_dialogOpen = true;
    const bool accepted =
        m_acquireOption || dialogs().editSettings(device, options, settings, owner(), this);
    m_dialogOpen = false;
    if (!accepted) {
        m_helper->stop(m_cancelGraceMs);
        m_outcome = Outcome::Cancelled;
        return true;
    }
    if (m_helperLost) {
        // The helper died while the dialog was open.
        m_outcome = Outcome::Failed;
        tellHelperFault(Wait::Lost, QStringLiteral("ｽｷｬﾝを開始できませんでした。"));
        return false;
    }
    m_memory.setSettings(device.name, settings);
    qCDebug(lcScan) << "settings ready after" << clock.elapsed() << "ms";

    // The run.
    const quint64 job = ++m_job;
    m_runActive = true;
    m_cancelled = false;
    m_keepUnraised = false;
    m_unraised.clear();
    m_runEnded = false;
    m_fault = Fault::None;
    m_delivered = 0;
    m_received = 0;
    m_readingPage = 0;
    m_heldProgress = {0, 0};
    m_pending.clear();
    m_runResult = ScanRunResult();
    const bool progress = showProgress != 0;
    if (progress)
        dialogs().progressStarted(
            device, [this] { CancelAcquire(); }, owner());
    m_helper->scan(job, settings);
    watchRun(m_runTimeoutMs > 0 ? m_runTimeoutMs : silenceLimitMs(settings));
    if (progress)
        dialogs().progressFinished();
    m_helper->stop(m_cancelGraceMs);
    m_runActive = false;
    pages = m_delivered;
    return reportRun();
}

void ScannerObject::watchRun(int silenceMs)
{
    m_lastHeard.start();
    const auto ended = [this] { return m_runEnded && m_pending.isEmpty() && !m_delivering; };
    while (!ended()) {
        // The helper owes nothing while pages wait for the window (it holds back the next read
        // until a page is taken), so only the time it owes an answer counts as silence.
        if (m_delivering || !m_pending.isEmpty())
            m_lastHeard.start();
        if (!m_runEnded && !m_cancelled && m_lastHeard.elapsed() >= silenceMs) {
            qCWarning(lcScan) << "run" << m_job << ": the helper was silent for" << silenceMs
                              << "ms; killing it";
            m_helper->kill();
            m_fault = Fault::Hung;
            m_runEnded = true;
        }
        if (!m_runEnded && m_cancelled && m_cancelClock.elapsed() >= m_cancelGraceMs) {
            qCWarning(lcScan) << "run" << m_job << ": Cancel not answered within" << m_cancelGraceMs
                              << "ms; killing the helper";
            m_helper->kill();
            m_fault = Fault::CancelIgnored;
            m_runEnded = true;
        }
        if (!ended())
            waitSlice(kWatchSliceMs);
    }
}

bool ScannerObject::reportRun()
{
    const ScanRunResult& r = m_runResult;
    const QString keptNote =
        m_delivered > 0
            ? QStringLiteral("\r読み取り済みの %1 ﾍﾟｰｼﾞはそのまま残ります。").arg(m_delivered)
            : QString();
    const int page = std::max(m_readingPage, m_received + 1);
    const QString stoppedAt = QStringLiteral("\r%1 ﾍﾟｰｼﾞ目の読み取りを中止しました。").arg(page);
    switch (m_fault) {
    case Fault::Hung:
        m_outcome = Outcome::Failed;
        tell(kDriverHung + stoppedAt + keptNote);
        return false;
    case Fault::Crashed:
        m_outcome = Outcome::Failed;
        tell(kDriverCrashed + stoppedAt + keptNote);
        return false;
    case Fault::CancelIgnored:
        m_outcome = Outcome::Cancelled;
        tell(QStringLiteral("ｽｷｬﾅのﾄﾞﾗｲﾊﾞｰが中止に応答しないため、強制的に終了しました。") +
             stoppedAt + keptNote);
        return true;
    case Fault::PageUnreadable:
        m_outcome = Outcome::Failed;
        tell(QStringLiteral("%1 ﾍﾟｰｼﾞ目を受け取れませんでした。\rﾒﾓﾘが不足しています。")
                 .arg(m_received) +
             keptNote);
        return false;
    case Fault::None: break;
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
    m_cancelClock.start();
    m_helper->cancel(m_job);
    if (!m_delivering)
        dropPending();
    wake();
}

void ScannerObject::StopKeepingPages()
{
    if (!m_runActive)
        return;
    m_keepUnraised = true;
    CancelAcquire();
}

QList<Image> ScannerObject::takeUnraisedPages()
{
    return std::exchange(m_unraised, {});
}

void ScannerObject::dropPending()
{
    for (ScannedPage& page : m_pending) {
        if (m_keepUnraised)
            m_unraised.append(std::move(page.image));
        m_helper->pageTaken();
    }
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
    m_helper->pageTaken();
    m_delivering = false;
    if (m_cancelled)
        dropPending();
    else
        showHeldProgress();
    if (!m_pending.isEmpty())
        m_deliveryTimer.start();
    wake();
}

// ---- The open device of the settings dialog ----------------------------------------------------

bool ScannerObject::setOption(const QString& name, const QString& value, QList<ScanOption>& options,
                              int& info, QString& reason)
{
    info = 0;
    reason.clear();
    if (!m_dialogOpen || m_helperLost || m_onePageActive) {
        reason = m_helperLost ? kDriverCrashed : QStringLiteral("ｽｷｬﾅが開かれていません。");
        return false;
    }
    const quint64 job = ++m_job;
    m_replied = false;
    m_helper->setOption(job, name, value);
    const Wait wait = awaitHelper([this] { return m_replied; },
                                  m_runTimeoutMs > 0 ? m_runTimeoutMs : kQuerySilenceMs);
    if (wait != Wait::Done) {
        reason = helperFaultText(wait);
        return false;
    }
    options = m_replyOptions;
    info = m_replyInfo;
    if (m_replyStatus != SANE_STATUS_GOOD) {
        reason = statusReason(SANE_Status(m_replyStatus));
        if (reason.isEmpty())
            reason = QStringLiteral("ｽｷｬﾅがこの値を受け付けませんでした。");
        return false;
    }
    return true;
}

Image ScannerObject::scanOnePage(const ScanSettings& settings, QString& reason,
                                 const std::function<void(int)>& progress)
{
    reason.clear();
    if (!m_dialogOpen || m_helperLost || m_onePageActive) {
        reason = m_helperLost ? kDriverCrashed : QStringLiteral("ｽｷｬﾅが開かれていません。");
        return Image();
    }
    const quint64 job = ++m_job;
    m_onePageActive = true;
    m_onePageEnded = false;
    m_onePageCancelled = false;
    m_onePage = Image();
    m_onePageResult = ScanRunResult();
    m_onePageProgress = progress;
    m_helper->scan(job, settings, true);
    QElapsedTimer cancelClock;
    Wait wait = Wait::Done;
    const int silenceMs = m_runTimeoutMs > 0 ? m_runTimeoutMs : silenceLimitMs(settings);
    m_lastHeard.start();
    while (!m_onePageEnded) {
        if (m_helperLost) {
            wait = Wait::Lost;
            break;
        }
        if (m_onePageCancelled && !cancelClock.isValid())
            cancelClock.start();
        const bool stuck = m_onePageCancelled ? cancelClock.elapsed() >= m_cancelGraceMs
                                              : m_lastHeard.elapsed() >= silenceMs;
        if (stuck) {
            wait = Wait::Silent;
            break;
        }
        waitSlice(kWatchSliceMs);
    }
    m_onePageActive = false;
    m_onePageProgress = nullptr;
    Image page = std::move(m_onePage);
    m_onePage = Image();
    if (wait != Wait::Done) {
        reason = helperFaultText(wait);
        return Image();
    }
    if (m_onePageCancelled)
        return Image();
    if (m_onePageResult.failed()) {
        reason = m_onePageResult.detail.isEmpty()
                     ? statusReason(SANE_Status(m_onePageResult.status))
                     : m_onePageResult.detail;
        return Image();
    }
    if (page.isNull())
        reason = QStringLiteral("ｽｷｬﾅから画像が届きませんでした。");
    return page;
}

void ScannerObject::cancelOnePage()
{
    if (!m_onePageActive || m_onePageCancelled)
        return;
    m_onePageCancelled = true;
    m_helper->cancel(m_job);
    wake();
}

// ---- Answers of the helper ---------------------------------------------------------------------

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
    if (job != m_job)
        return;
    m_replyDevice = device;
    m_replyOptions = options;
    m_replyStatus = status;
    m_replied = true;
    wake();
}

void ScannerObject::onOptionSet(quint64 job, const QList<ScanOption>& options, int status, int info)
{
    if (job != m_job)
        return;
    m_replyOptions = options;
    m_replyStatus = status;
    m_replyInfo = info;
    m_replied = true;
    wake();
}

void ScannerObject::onProgress(quint64 job, int page, int percent)
{
    if (m_onePageActive) {
        if (job == m_job && m_onePageProgress && !m_onePageCancelled)
            m_onePageProgress(percent);
        return;
    }
    if (job != m_job || !m_runActive || m_cancelled)
        return;
    m_readingPage = page;
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
    if (m_onePageActive) {
        if (job == m_job && !m_onePageCancelled)
            m_onePage = page.image;
        m_helper->pageTaken();
        return;
    }
    if (job != m_job || !m_runActive || m_cancelled || m_runEnded) {
        // A page read in full after StopKeepingPages is kept, not dropped.
        if (job == m_job && m_runActive && m_keepUnraised && !page.image.isNull())
            m_unraised.append(page.image);
        m_helper->pageTaken();
        return;
    }
    ++m_received;
    if (page.image.isNull()) {
        // The page's memory could not be taken over: the run ends here, the pages before it
        // are still raised.
        m_fault = Fault::PageUnreadable;
        m_runEnded = true;
        m_helper->cancel(m_job);
        m_helper->pageTaken();
        wake();
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
    if (m_onePageActive) {
        if (job == m_job) {
            m_onePageResult = result;
            m_onePageEnded = true;
            wake();
        }
        return;
    }
    if (job != m_job || m_runEnded)
        return;
    m_runResult = result;
    m_runEnded = true;
    wake();
}

}  // namespace tavlo::scan
