#pragma once

#include "imaging/scan/scan_channel.h"

#include <QObject>
#include <QProcess>
#include <QString>

#include <memory>

class QSocketNotifier;

namespace tavlo::scan {

// The window's end of one scan helper process (tavlo-scan-helper): starts it with one end of a
// socket pair, sends the requests and raises each answer as a signal on the user-interface
// thread, pages already mapped as Images (see PageMemory). One client runs one helper at a time;
// after stop() or kill() a later start() runs a fresh one.
//
// Threading: user-interface thread only. Signals come from the event loop (never from inside a
// request), carrying the job id of the request they answer.
class ScanHelperClient : public QObject {
    Q_OBJECT
public:
    explicit ScanHelperClient(QObject* parent = nullptr);
    // Asks a running helper to quit and kills it when it does not end in time.
    ~ScanHelperClient() override;

    // The helper program: TAVLO_SCAN_HELPER when set, else tavlo-scan-helper beside the running
    // executable (the build tree's bin/ and the installed bin/ alike).
    static QString defaultProgram();
    void setProgram(const QString& path) { m_program = path; }
    QString program() const { return m_program; }

    // Starts a fresh helper; its Ready arrives as ready(). false (with failure() set, Japanese)
    // when it cannot be started. A helper still ending from an earlier stop() is waited for (and
    // killed after the grace time) first, so two helpers never hold one device.
    bool start();
    bool isRunning() const { return m_process != nullptr && !m_lostReported; }
    QString failure() const { return m_failure; }

    void listDevices(quint64 job);
    void openDevice(quint64 job, const QString& name);
    void setOption(quint64 job, const QString& name, const QString& value);
    void scan(quint64 job, const ScanSettings& settings, bool onePage = false);
    void cancel(quint64 job);
    void pageTaken();
    void closeDevice();

    // Ends the helper: Quit, then a kill when it has not ended within graceMs. Returns at once.
    void stop(int graceMs);
    // Ends the helper now (a driver that does not answer). No lost() follows.
    void kill();

signals:
    void ready(int saneStatus);
    void devicesListed(quint64 job, const QList<tavlo::scan::ScanDevice>& devices, int status);
    void deviceOpened(quint64 job, const tavlo::scan::ScanDevice& device,
                      const QList<tavlo::scan::ScanOption>& options, int status);
    void optionSet(quint64 job, const QList<tavlo::scan::ScanOption>& options, int status,
                   int info);
    void progressChanged(quint64 job, int page, int percent);
    // image is null when the page's memory could not be taken over (the run should end).
    void pageScanned(quint64 job, const tavlo::scan::ScannedPage& page);
    void scanFinished(quint64 job, const tavlo::scan::ScanRunResult& result);
    // Any message at all: the helper is alive.
    void heard();
    // The helper ended without being asked (crashed, killed by someone else, broke the
    // protocol). Every message it sent before has been raised first.
    void lost();

private:
    void send(const ScanMessage& message);
    void readMessages();
    void dispatch(const ScanMessage& message);
    void onFinished();
    void release(bool killFirst, int graceMs);

    QString m_program;
    QString m_failure;
    QProcess* m_process = nullptr;
    std::unique_ptr<ScanChannel> m_channel;
    QSocketNotifier* m_notifier = nullptr;
    bool m_lostReported = false;
    QProcess* m_ending = nullptr;  // a helper asked to quit that has not ended yet
    int m_endingGraceMs = 0;
};

}  // namespace tavlo::scan
