#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;

namespace tavlo {

class ImagingControl;

// The modal dialog "画像の回転" (sbImgR): the user straightens the main window's image by a base
// line, two clicked points on a line that ought to be level or upright, or turns and mirrors it by
// fixed amounts. The dialog works on a private copy in its own imaging control and replaces the
// main image only when the user applies the result.
//
// Base line: the first click sets the start (a small box marks it), the second the end (the line
// is drawn), further clicks are ignored until "基準線の初期化" or undo clears the line. The marks
// are drawn on the view only, in image pixels, so the angle is the same at any zoom and whatever
// dots per inch the image has across and down. "基準線の自動検出" finds the page's skew and sets
// the base line as if its two ends had been clicked; when nothing is found with confidence the
// prompt says so and the line stays as it was.
//
// Turning by the base line: see dialogs/base_line_angle.h. Every turn reads "調整する" (the canvas
// grows to hold the turned image) or "切り捨て" (the size stays, the corners are cut) anew, fills
// uncovered corners with white and interpolates unless the colour code is 40 (a plain text search
// of the code in "80.16.24.32.", as the main window's rotation does). Turns accumulate.
//
// Controls carry their program names as object names: ikImg, lbPoint, cmLine0, cmLine1, cmClr,
// cmAuto, opSize0, opSize1, cmRect0..cmRect5, lbCom0 ("画像(&F)", apply), lbCom1 ("戻す(&U)",
// undo).
class BaseLineRotationDialog : public QDialog {
    Q_OBJECT

public:
    // The only entry. xImg: the main window's imaging control (read; on apply its image is replaced
    // and drawn in display mode iDmd, then refreshed). sBt: the colour-depth code text of the main
    // image. bOkC: true exactly when the dialog replaced the main image. mainWindow: the window
    // the dialog is centred over (may be nullptr). Without an image in xImg nothing is shown and
    // bOkC is false. Every call builds a fresh dialog on a fresh copy and destroys it before
    // returning.
    static void Act(ImagingControl& xImg, int iDmd, const QString& sBt, bool& bOkC,
                    QWidget* mainWindow = nullptr);

    static QString caption();

    // The prompts of lbPoint.
    static QString startPrompt();
    static QString endPrompt();
    static QString directionPrompt();
    static QString notDetectedPrompt();

    ~BaseLineRotationDialog() override;

private:
    BaseLineRotationDialog(ImagingControl& xImg, int iDmd, const QString& sBt, QWidget* mainWindow);

    void buildControls();

    void ikImg_ImageClicked(int x, int y);
    void cmLine_Click(int index);
    void cmClr_Click();
    void cmAuto_Click();
    void cmRect_Click(int index);
    void lbCom_Click(int index);

    void drawOverlay();
    void rotate(int angle, bool mirrorLeftRight, bool mirrorTopBottom);
    void takeCopyOfMainImage();

    ImagingControl& m_main;
    int m_displayMode = 1;
    QString m_colourCode;
    bool m_applied = false;
    int m_x1 = 0, m_y1 = 0, m_x2 = 0, m_y2 = 0;
    // 0 waiting for the start point, 1 waiting for the end point, 2 base line complete.
    int m_clickState = 0;

    ImagingControl* ikImg = nullptr;
    QLabel* lbPoint = nullptr;
    QPushButton* cmLine[2] = {};
    QPushButton* cmClr = nullptr;
    QPushButton* cmAuto = nullptr;
    QRadioButton* opSize[2] = {};
    QPushButton* cmRect[6] = {};
    QPushButton* lbCom[2] = {};
};

}  // namespace tavlo
