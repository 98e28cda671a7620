#include "imaging/scan/scan_worker.h"

#include "imaging/scan/feeder_source.h"
#include "imaging/scan/scan_log.h"
#include "imaging/scan/scan_status.h"

#include <QThread>

#include <sane/saneopts.h>

#include <libintl.h>

#include <cmath>
#include <cstring>

namespace tavlo::scan {
namespace {

// Bytes asked of each sane_read: large enough that a 26 MB page takes a few hundred calls.
constexpr int kReadBufferBytes = 256 * 1024;

// Shortest time between two progress updates within a page.
constexpr qint64 kProgressIntervalMs = 40;

// Option titles and descriptions in the user's language when sane-backends ships a translation.
QString translated(const char* text)
{
    if (!text || !*text)
        return QString();
    return QString::fromUtf8(dgettext("sane-backends", text));
}

double wordValue(SANE_Value_Type type, SANE_Word word)
{
    return type == SANE_TYPE_FIXED ? SANE_UNFIX(word) : double(word);
}

ScanOption optionFrom(int index, const SANE_Option_Descriptor& d)
{
    ScanOption o;
    o.index = index;
    o.name = QString::fromUtf8(d.name ? d.name : "");
    o.title = translated(d.title);
    o.description = translated(d.desc);
    switch (d.type) {
    case SANE_TYPE_BOOL: o.type = ScanOption::Type::Bool; break;
    case SANE_TYPE_INT: o.type = ScanOption::Type::Int; break;
    case SANE_TYPE_FIXED: o.type = ScanOption::Type::Fixed; break;
    case SANE_TYPE_STRING: o.type = ScanOption::Type::String; break;
    case SANE_TYPE_BUTTON: o.type = ScanOption::Type::Button; break;
    case SANE_TYPE_GROUP: o.type = ScanOption::Type::Group; break;
    }
    o.unit = int(d.unit);
    o.valueCount = (d.type == SANE_TYPE_INT || d.type == SANE_TYPE_FIXED)
                       ? std::max<int>(1, d.size / int(sizeof(SANE_Word)))
                       : 1;
    o.active = SANE_OPTION_IS_ACTIVE(d.cap);
    o.settable = SANE_OPTION_IS_SETTABLE(d.cap);
    o.advanced = (d.cap & SANE_CAP_ADVANCED) != 0;
    o.automatic = (d.cap & SANE_CAP_AUTOMATIC) != 0;
    switch (d.constraint_type) {
    case SANE_CONSTRAINT_RANGE:
        if (d.constraint.range) {
            o.constraint = ScanOption::Constraint::Range;
            o.minimum = wordValue(d.type, d.constraint.range->min);
            o.maximum = wordValue(d.type, d.constraint.range->max);
            o.quant = wordValue(d.type, d.constraint.range->quant);
        }
        break;
    case SANE_CONSTRAINT_WORD_LIST:
        if (d.constraint.word_list) {
            o.constraint = ScanOption::Constraint::WordList;
            const SANE_Int count = d.constraint.word_list[0];
            for (SANE_Int i = 1; i <= count; ++i)
                o.words.append(wordValue(d.type, d.constraint.word_list[i]));
        }
        break;
    case SANE_CONSTRAINT_STRING_LIST:
        if (d.constraint.string_list) {
            o.constraint = ScanOption::Constraint::StringList;
            for (const SANE_String_Const* s = d.constraint.string_list; *s; ++s)
                o.strings.append(QString::fromUtf8(*s));
        }
        break;
    case SANE_CONSTRAINT_NONE: break;
    }
    return o;
}

}  // namespace

ScanWorker::ScanWorker(int pagesInFlight) : m_slots(std::max(1, pagesInFlight))
{
    m_buffer.resize(kReadBufferBytes);
}

ScanWorker::~ScanWorker() = default;

bool ScanWorker::isFeederSource(const QString& source)
{
    return scan::isFeederSource(source);
}

void ScanWorker::requestCancel(quint64 job)
{
    m_cancelJob.store(job);
}

void ScanWorker::setPageAllocator(FrameAssembler::Allocator allocator)
{
    m_assembler.setAllocator(std::move(allocator));
}

void ScanWorker::pageTaken()
{
    m_slots.release();
}

void ScanWorker::initialise()
{
    if (m_initialised) {
        emit initialised(SANE_STATUS_GOOD);
        return;
    }
    SANE_Int version = 0;
    const SANE_Status status = sane_init(&version, nullptr);
    qCInfo(lcScan) << "sane_init ->" << statusName(status) << "version"
                   << SANE_VERSION_MAJOR(version) << SANE_VERSION_MINOR(version)
                   << SANE_VERSION_BUILD(version);
    m_initialised = status == SANE_STATUS_GOOD;
    emit initialised(status);
}

SANE_Status ScanWorker::fetchDevices(QList<ScanDevice>& devices)
{
    devices.clear();
    if (!m_initialised)
        return SANE_STATUS_IO_ERROR;
    const SANE_Device** list = nullptr;
    const SANE_Status status = sane_get_devices(&list, SANE_FALSE);
    qCInfo(lcScan) << "sane_get_devices ->" << statusName(status);
    if (status != SANE_STATUS_GOOD || !list)
        return status;
    for (const SANE_Device** d = list; *d; ++d) {
        devices.append({QString::fromUtf8((*d)->name ? (*d)->name : ""),
                        QString::fromUtf8((*d)->vendor ? (*d)->vendor : ""),
                        QString::fromUtf8((*d)->model ? (*d)->model : ""),
                        QString::fromUtf8((*d)->type ? (*d)->type : "")});
    }
    return SANE_STATUS_GOOD;
}

void ScanWorker::listDevices(quint64 job)
{
    const SANE_Status status = fetchDevices(m_devices);
    emit devicesListed(job, m_devices, status);
}

QList<ScanOption> ScanWorker::readOptions()
{
    QList<ScanOption> options;
    if (!m_handle)
        return options;
    for (int i = 1;; ++i) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(m_handle, i);
        if (!d)
            break;
        ScanOption o = optionFrom(i, *d);
        const bool readable = o.active && (d->cap & SANE_CAP_SOFT_DETECT) && !o.isArray() &&
                              d->type != SANE_TYPE_BUTTON && d->type != SANE_TYPE_GROUP &&
                              d->size > 0;
        if (readable) {
            std::vector<char> value(size_t(d->size) + 1, 0);
            const SANE_Status status =
                sane_control_option(m_handle, i, SANE_ACTION_GET_VALUE, value.data(), nullptr);
            if (status == SANE_STATUS_GOOD) {
                SANE_Word word = 0;
                if (d->type != SANE_TYPE_STRING)
                    std::memcpy(&word, value.data(), sizeof word);
                switch (d->type) {
                case SANE_TYPE_BOOL:
                    o.value = word ? QStringLiteral("1") : QStringLiteral("0");
                    break;
                case SANE_TYPE_INT: o.value = QString::number(word); break;
                case SANE_TYPE_FIXED: o.value = QString::number(SANE_UNFIX(word), 'g', 10); break;
                case SANE_TYPE_STRING: o.value = QString::fromUtf8(value.data()); break;
                default: break;
                }
            } else {
                qCInfo(lcScan) << "sane_control_option(get" << o.name << ") ->"
                               << statusName(status);
            }
        }
        options.append(std::move(o));
    }
    return options;
}

void ScanWorker::openDevice(quint64 job, const QString& requested)
{
    closeDevice();
    if (!m_initialised) {
        emit deviceOpened(job, {}, {}, SANE_STATUS_IO_ERROR);
        return;
    }
    // Listing devices can take seconds (network scanners are searched for), so a device listed
    // before is opened without listing again.
    const auto known = [this](const QString& name) -> const ScanDevice* {
        for (const ScanDevice& d : m_devices) {
            if (d.name == name)
                return &d;
        }
        return nullptr;
    };
    SANE_Status listed = SANE_STATUS_GOOD;
    if (requested.isEmpty() || !known(requested))
        listed = fetchDevices(m_devices);
    ScanDevice device;
    if (requested.isEmpty()) {
        if (m_devices.isEmpty()) {
            emit deviceOpened(job, {}, {}, listed == SANE_STATUS_GOOD ? kNoDevice : listed);
            return;
        }
        device = m_devices.first();
    } else if (const ScanDevice* d = known(requested)) {
        device = *d;
    } else {
        device.name = requested;
    }
    const QByteArray name = device.name.toUtf8();
    const SANE_Status status = sane_open(name.constData(), &m_handle);
    qCInfo(lcScan) << "sane_open(" << device.name << ") ->" << statusName(status);
    if (status != SANE_STATUS_GOOD) {
        m_handle = nullptr;
        emit deviceOpened(job, device, {}, status);
        return;
    }
    m_deviceName = device.name;
    m_options = readOptions();
    emit deviceOpened(job, device, m_options, SANE_STATUS_GOOD);
}

void ScanWorker::setOption(quint64 job, const QString& name, const QString& value)
{
    if (!m_handle) {
        emit optionSet(job, {}, SANE_STATUS_INVAL, 0);
        return;
    }
    SANE_Int info = 0;
    const SANE_Status status = applyOption(name, value, &info);
    // Read back whatever the answer: the value shown must be the one the device holds.
    m_options = readOptions();
    emit optionSet(job, m_options, status, info);
}

void ScanWorker::closeDevice()
{
    if (!m_handle)
        return;
    sane_close(m_handle);
    qCInfo(lcScan) << "sane_close(" << m_deviceName << ")";
    m_handle = nullptr;
    m_options.clear();
}

void ScanWorker::shutdown()
{
    closeDevice();
    if (m_initialised) {
        sane_exit();
        qCInfo(lcScan) << "sane_exit";
        m_devices.clear();
        m_initialised = false;
    }
}

// ---- The run -----------------------------------------------------------------------------------

void ScanWorker::scan(quint64 job, const ScanSettings& settings, bool onePage)
{
    m_job = job;
    m_onePage = onePage;
    m_settings = settings;
    m_result = ScanRunResult();
    m_assembler.reset();
    m_page = 0;
    m_midPage = false;
    m_holdingSlot = false;
    m_lastPercent = -2;
    State state = State::Configure;
    if (!m_handle) {
        m_result.status = SANE_STATUS_INVAL;
        m_result.detail = QStringLiteral("ｽｷｬﾅが開かれていません。");
        state = State::Finish;
    }
    while (state != State::Finish) {
        m_state.store(state);
        switch (state) {
        case State::Configure: state = configure(); break;
        case State::Start: state = startFrame(); break;
        case State::GetParameters: state = getParameters(); break;
        case State::Read: state = readFrame(); break;
        case State::NextPage: state = nextPage(); break;
        case State::Idle:
        case State::Finish: state = State::Finish; break;
        }
    }
    m_state.store(State::Finish);
    finishRun();
    m_state.store(State::Idle);
}

ScanWorker::State ScanWorker::endRun(SANE_Status status, const QString& detail)
{
    m_result.status = status;
    m_result.detail = detail;
    if (!detail.isEmpty() || !isNormalEnding(status))
        m_result.failedPage = m_page;
    return State::Finish;
}

SANE_Status ScanWorker::applyOption(const QString& name, const QString& value, SANE_Int* infoOut)
{
    const ScanOption* option = findOption(m_options, name);
    if (!option || !option->isEditable()) {
        qCInfo(lcScan) << "option" << name << "skipped: not settable on" << m_deviceName;
        return SANE_STATUS_INVAL;
    }
    const QString text = option->constrained(value);
    if (text.isEmpty()) {
        qCInfo(lcScan) << "option" << name << "skipped: value" << value << "not allowed";
        return SANE_STATUS_INVAL;
    }
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(m_handle, option->index);
    if (!d)
        return SANE_STATUS_INVAL;
    std::vector<char> buffer(std::max<size_t>(size_t(d->size), sizeof(SANE_Word)) + 1, 0);
    SANE_Word word = 0;
    switch (option->type) {
    case ScanOption::Type::Bool: word = text == QLatin1String("1") ? SANE_TRUE : SANE_FALSE; break;
    case ScanOption::Type::Int: word = SANE_Word(text.toLongLong()); break;
    case ScanOption::Type::Fixed: word = SANE_FIX(text.toDouble()); break;
    case ScanOption::Type::String: {
        const QByteArray bytes = text.toUtf8();
        if (bytes.size() >= d->size) {
            qCInfo(lcScan) << "option" << name << "skipped: value too long";
            return SANE_STATUS_INVAL;
        }
        std::memcpy(buffer.data(), bytes.constData(), size_t(bytes.size()));
        break;
    }
    default: return SANE_STATUS_INVAL;
    }
    if (option->type != ScanOption::Type::String)
        std::memcpy(buffer.data(), &word, sizeof word);
    SANE_Int info = 0;
    const SANE_Status status =
        sane_control_option(m_handle, option->index, SANE_ACTION_SET_VALUE, buffer.data(), &info);
    qCInfo(lcScan) << "sane_control_option(set" << name << "=" << text << ") ->"
                   << statusName(status) << "info" << info;
    if (status == SANE_STATUS_GOOD && (info & (SANE_INFO_RELOAD_OPTIONS | SANE_INFO_INEXACT)))
        m_options = readOptions();
    if (infoOut)
        *infoOut = info;
    return status;
}

int ScanWorker::resolutionOf(const QString& name) const
{
    const ScanOption* option = findOption(m_options, name);
    if (!option || !option->active || option->value.isEmpty())
        return 0;
    return int(std::lround(std::max(0.0, option->value.toDouble())));
}

ScanWorker::State ScanWorker::configure()
{
    // A frontend never wants the backend's preview mode for a real scan.
    if (const ScanOption* preview = findOption(m_options, QStringLiteral(SANE_NAME_PREVIEW));
        preview && preview->value == QLatin1String("1"))
        applyOption(QStringLiteral(SANE_NAME_PREVIEW), QStringLiteral("0"));
    for (const auto& [name, value] : m_settings.inApplyOrder())
        applyOption(name, value);
    m_options = readOptions();
    const int dpi = resolutionOf(ScanSettings::kResolution);
    const int dpiX = resolutionOf(QStringLiteral(SANE_NAME_SCAN_X_RESOLUTION));
    const int dpiY = resolutionOf(QStringLiteral(SANE_NAME_SCAN_Y_RESOLUTION));
    m_dpiX = dpiX > 0 ? dpiX : dpi;
    m_dpiY = dpiY > 0 ? dpiY : (dpiX > 0 ? dpiX : dpi);
    const ScanOption* source = findOption(m_options, ScanSettings::kSource);
    m_feeder = source && source->active && isFeederSource(source->value);
    qCInfo(lcScan) << "run" << m_job << "on" << m_deviceName << "at" << m_dpiX << "x" << m_dpiY
                   << "dpi," << (m_feeder ? "feeder" : "single page");
    return State::Start;
}

bool ScanWorker::waitForSlot()
{
    while (!m_slots.tryAcquire(1, 20)) {
        if (cancelled())
            return false;
    }
    return true;
}

ScanWorker::State ScanWorker::startFrame()
{
    if (!m_midPage) {
        if (!waitForSlot())
            return endRun(SANE_STATUS_CANCELLED);
        m_holdingSlot = true;
        ++m_page;
    }
    if (cancelled())
        return endRun(SANE_STATUS_CANCELLED);
    const SANE_Status status = sane_start(m_handle);
    qCInfo(lcScan) << "sane_start (page" << m_page << ") ->" << statusName(status);
    if (status == SANE_STATUS_GOOD)
        return State::GetParameters;
    if (!m_midPage)
        --m_page;  // the page never began
    return endRun(status);
}

ScanWorker::State ScanWorker::getParameters()
{
    SANE_Parameters p{};
    const SANE_Status status = sane_get_parameters(m_handle, &p);
    qCDebug(lcScan) << "sane_get_parameters ->" << statusName(status) << "format" << p.format
                    << "last" << p.last_frame << "bpl" << p.bytes_per_line << "ppl"
                    << p.pixels_per_line << "lines" << p.lines << "depth" << p.depth;
    if (status != SANE_STATUS_GOOD)
        return endRun(status);
    if (!m_assembler.beginFrame(p))
        return endRun(SANE_STATUS_GOOD, m_assembler.error());
    if (!m_midPage) {
        m_pageClock.start();
        m_lastPercent = p.lines > 0 ? 0 : -1;
        m_progressClock.start();
        emit progressChanged(m_job, m_page, m_lastPercent);
    }
    return State::Read;
}

ScanWorker::State ScanWorker::readFrame()
{
    for (;;) {
        if (cancelled())
            return endRun(SANE_STATUS_CANCELLED);
        SANE_Int length = 0;
        const SANE_Status status =
            sane_read(m_handle, m_buffer.data(), SANE_Int(m_buffer.size()), &length);
        if (status == SANE_STATUS_EOF)
            break;
        if (status != SANE_STATUS_GOOD) {
            qCInfo(lcScan) << "sane_read (page" << m_page << ") ->" << statusName(status);
            m_assembler.reset();
            return endRun(status);
        }
        if (!m_assembler.addData(m_buffer.data(), length))
            return endRun(SANE_STATUS_GOOD, m_assembler.error());
        const qint64 expected = m_assembler.expectedBytes();
        if (expected > 0) {
            const int percent =
                int(std::min<qint64>(100, m_assembler.receivedBytes() * 100 / expected));
            // At most one update every 40 ms (and always 100 %): a fast scanner would otherwise
            // send a hundred updates a page for the user-interface thread to paint.
            if (percent != m_lastPercent &&
                (percent == 100 || m_progressClock.hasExpired(kProgressIntervalMs))) {
                m_lastPercent = percent;
                m_progressClock.start();
                emit progressChanged(m_job, m_page, percent);
            }
        }
    }
    qCDebug(lcScan) << "sane_read (page" << m_page << ") -> SANE_STATUS_EOF";
    if (!m_assembler.endFrame()) {
        if (!m_assembler.error().isEmpty())
            return endRun(SANE_STATUS_GOOD, m_assembler.error());
        m_midPage = true;  // the next colour frame of a three-pass page follows
        return State::Start;
    }
    ScannedPage page{m_page, m_assembler.takeImage()};
    page.image.setDpi(m_dpiX, m_dpiY);
    qCDebug(lcScan) << "page" << m_page << "read in" << m_pageClock.nsecsElapsed() / 1000000.0
                    << "ms";
    m_midPage = false;
    m_holdingSlot = false;  // the receiver gives it back through pageTaken()
    ++m_result.pages;
    if (m_pageSink)
        m_pageSink(m_job, std::move(page));
    else
        emit pageScanned(m_job, page);
    return State::NextPage;
}

ScanWorker::State ScanWorker::nextPage()
{
    if (!m_feeder || m_onePage)
        return endRun(SANE_STATUS_GOOD);
    return State::Start;
}

void ScanWorker::finishRun()
{
    qCInfo(lcScan) << "run" << m_job << "ended:" << statusName(SANE_Status(m_result.status))
                   << m_result.pages << "pages" << m_result.detail;
    emit scanFinished(m_job, m_result);
    if (m_handle) {
        sane_cancel(m_handle);
        qCInfo(lcScan) << "sane_cancel";
    }
    if (!m_onePage)
        closeDevice();
    if (m_holdingSlot) {
        m_slots.release();
        m_holdingSlot = false;
    }
    m_assembler.reset();
}

}  // namespace tavlo::scan
