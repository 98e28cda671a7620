#pragma once

#include <QDialog>
#include <QPalette>

class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace tavlo {

// The modal dialog "解像度の設定" (spDpi): the user edits the image's horizontal and vertical
// resolution in dots per inch and sees at once the print size in inches and centimetres they give;
// as a reference the resolution of a printer can be looked up. The dialog changes nothing itself:
// it hands the new values back and the caller applies them.
//
// Controls carry their program names as object names: txYoko, txTate (the two resolutions), chXY
// (both the same), lbYoko0..2 and lbTate0..2 (pixels, inches, centimetres of each row), cmOK0 (OK),
// cmOK1 (Cancel), ssCom (restore), cmPrn (printer reference), lbPrn0..2 (printer name and its two
// resolutions).
//
// A typed resolution is read as the leading number of the field (no number reads as 0) rounded to a
// whole number with halves going to the even neighbour. A value that does not fit a 32-bit signed
// integer is refused: the field turns red and the last valid value stays in force.
class ResolutionDialog : public QDialog {
    Q_OBJECT

public:
    // The only entry. nKzX, nKzY: horizontal and vertical resolution (dots per inch), in and out;
    // they are overwritten only when bOkC comes back true. nPxX, nPxY: the image's width and height
    // in pixels, read only. bOkC: true exactly when the dialog was closed with OK and a resolution
    // differs from the one passed in (OK with unchanged values counts as Cancel; the close box and
    // Escape are Cancel). mainWindow: the window the dialog is centred over (may be nullptr).
    // Shows the dialog modally and returns when it is closed; every call builds a fresh dialog and
    // destroys it before returning.
    static void Act(int& nKzX, int& nKzY, int nPxX, int nPxY, bool& bOkC,
                    QWidget* mainWindow = nullptr);

    // The dialog's window title.
    static QString caption();

    ~ResolutionDialog() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ResolutionDialog(int nKzX, int nKzY, int nPxX, int nPxY, QWidget* mainWindow);

    void buildControls();

    // Which field a recalculation was started from: 0 neither, 1 horizontal, 2 vertical.
    void UpdateSizeTable(int edited);
    // Reads one resolution field into current; false (field shown red, current kept) when the
    // value does not fit a 32-bit signed integer.
    bool readResolution(QLineEdit* field, int& current);
    void fillRow(int pixels, int resolution, QLabel* inches, QLabel* centimetres);

    void field_KeyDown(int edited, QKeyEvent* key, bool& consumed);
    void field_Validate(int edited);
    void field_GotFocus(QLineEdit* field, Qt::FocusReason reason);
    void cmOK_Click(int index);
    void ssCom_Click();
    void cmPrn_Click();

    QLineEdit* txYoko = nullptr;
    QLineEdit* txTate = nullptr;
    QCheckBox* chXY = nullptr;
    QLabel* lbYoko[3] = {};
    QLabel* lbTate[3] = {};
    QPushButton* cmOK[2] = {};
    QToolButton* ssCom = nullptr;
    QPushButton* cmPrn = nullptr;
    QLabel* lbPrn[3] = {};
    QPalette m_fieldPalette;

    int m_initialX = 0;
    int m_initialY = 0;
    int m_pixelWidth = 0;
    int m_pixelHeight = 0;
    int m_currentX = 0;
    int m_currentY = 0;
    bool m_accepted = false;
};

}  // namespace tavlo
