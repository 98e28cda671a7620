#pragma once

#include "imaging/scan/scan_device.h"

#include <QDialog>
#include <QList>

class QTreeWidget;

namespace tavlo::scan {

// "ｿｰｽの選択": the scanners SANE found, one row each (maker, model, kind, device name), the
// remembered one selected. chosen() is the selected row after exec() returned Accepted.
// The list widget is named "devices" for tests.
class ScanSourceDialog : public QDialog {
    Q_OBJECT
public:
    ScanSourceDialog(const QList<ScanDevice>& devices, int current, QWidget* parent = nullptr);
    int chosen() const;

private:
    QTreeWidget* m_list = nullptr;
};

}  // namespace tavlo::scan
