#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tavlo::scan {

// The progress of a scan run: the device, the page being read and its percentage, and Cancel.
// Shown modeless-in-code but modal to the user (show() with a window modality), so the run's
// event loop goes on; nothing here runs the event loop itself, and the label changes only when
// the page does, so an update costs no more than a repaint of the bar.
// Cancel, Esc and the close box all emit cancelRequested(); the dialog stays until the owner
// closes it when the run has ended. Widgets are named "page", "percent" and "cancel" for tests.
class ScanProgressDialog : public QDialog {
    Q_OBJECT
public:
    ScanProgressDialog(const QString& deviceName, QWidget* parent = nullptr);

    // page counts from 1; percent 0..100, or -1 while the page's length is unknown.
    void showPage(int page, int percent);
    void showCancelling();

    void reject() override;

signals:
    void cancelRequested();

private:
    QLabel* m_page = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancel = nullptr;
    int m_shownPage = 0;
    bool m_cancelling = false;
};

}  // namespace tavlo::scan
