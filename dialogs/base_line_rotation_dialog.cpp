#include "dialogs/base_line_rotation_dialog.h"

#include "dialogs/base_line_angle.h"
#include "dialogs/dialog_placement.h"
#include "imaging/colour_code.h"
#include "imaging/display_mode.h"
#include "imaging/imaging_control.h"
#include "imaging/process/skew_finder.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tavlo {
namespace {

// The fixed turns and mirrors of cmRect: caption, angle, mirror left-right, mirror top-bottom.
struct FixedTurn {
    const char* caption;
    int angle;
    bool mirrorLeftRight;
    bool mirrorTopBottom;
};
constexpr FixedTurn kFixedTurns[6] = {
    {"左180度", 18000, false, false}, {"左 90度", 9000, false, false},
    {"右 90度", -9000, false, false}, {"右180度", -18000, false, false},
    {"上下反転", 0, false, true},     {"左右反転", 0, true, false},
};

// The overlay pen: inverting (6), two view pixels wide, dashed (1).
constexpr int kPenInvert = 6;
constexpr int kPenWidth = 2;
constexpr int kPenDashes = 1;
// Half the side of the box around the start point, in image pixels.
constexpr int kStartBox = 2;

QPushButton* namedButton(QWidget* parent, const QString& text, const QString& name)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

QString BaseLineRotationDialog::caption()
{
    return QStringLiteral("画像の回転");
}
QString BaseLineRotationDialog::startPrompt()
{
    return QStringLiteral("基準線の開始位置を指定して下さい");
}
QString BaseLineRotationDialog::endPrompt()
{
    return QStringLiteral("基準線の終了位置を指定して下さい");
}
QString BaseLineRotationDialog::directionPrompt()
{
    return QStringLiteral("画像の回転方向を指定して下さい");
}
QString BaseLineRotationDialog::notDetectedPrompt()
{
    return QStringLiteral("基準線を検出できませんでした");
}

void BaseLineRotationDialog::Act(ImagingControl& xImg, int iDmd, const QString& sBt, bool& bOkC,
                                 QWidget* mainWindow)
{
    bOkC = false;
    if (xImg.ImageHandle() == 0)
        return;
    // On the heap with a guard: should the main window go away while the dialog is open, it takes
    // the dialog with it and nothing here touches the dead object.
    QPointer<BaseLineRotationDialog> dialog =
        new BaseLineRotationDialog(xImg, iDmd, sBt, mainWindow);
    dialog->exec();
    if (!dialog)
        return;
    bOkC = dialog->m_applied;
    delete dialog.data();
}

BaseLineRotationDialog::BaseLineRotationDialog(ImagingControl& xImg, int iDmd, const QString& sBt,
                                               QWidget* mainWindow)
    : QDialog(mainWindow), m_main(xImg), m_displayMode(iDmd), m_colourCode(sBt)
{
    setObjectName(QStringLiteral("sbImgR"));
    setWindowTitle(caption());
    setModal(true);
    buildControls();
    takeCopyOfMainImage();
    centreDialogOver(*this, mainWindow);
}

BaseLineRotationDialog::~BaseLineRotationDialog() = default;

void BaseLineRotationDialog::buildControls()
{
    lbPoint = new QLabel(startPrompt(), this);
    lbPoint->setObjectName(QStringLiteral("lbPoint"));
    cmLine[0] = namedButton(this, QStringLiteral("基準線が水平になるように回転"),
                            QStringLiteral("cmLine0"));
    cmLine[1] = namedButton(this, QStringLiteral("基準線が垂直になるように回転"),
                            QStringLiteral("cmLine1"));
    cmClr = namedButton(this, QStringLiteral("基準線の初期化"), QStringLiteral("cmClr"));
    cmAuto = namedButton(this, QStringLiteral("基準線の自動検出"), QStringLiteral("cmAuto"));
    for (int i = 0; i < 2; ++i) {
        cmLine[i]->setEnabled(false);
        connect(cmLine[i], &QPushButton::clicked, this, [this, i] { cmLine_Click(i); });
    }
    connect(cmClr, &QPushButton::clicked, this, [this] { cmClr_Click(); });
    connect(cmAuto, &QPushButton::clicked, this, [this] { cmAuto_Click(); });

    auto* lineBox = new QGroupBox(QStringLiteral("基準線を指定"), this);
    auto* lineLayout = new QGridLayout(lineBox);
    lineLayout->addWidget(lbPoint, 0, 0, 1, 2);
    lineLayout->addWidget(cmLine[0], 1, 0);
    lineLayout->addWidget(cmLine[1], 1, 1);
    lineLayout->addWidget(cmAuto, 2, 0);
    lineLayout->addWidget(cmClr, 2, 1);

    auto* sizeBox = new QGroupBox(QStringLiteral("回転に伴う  ｻｲｽﾞ調整"), this);
    auto* sizeLayout = new QVBoxLayout(sizeBox);
    opSize[0] = new QRadioButton(QStringLiteral("調整する"), sizeBox);
    opSize[1] = new QRadioButton(QStringLiteral("切り捨て"), sizeBox);
    for (int i = 0; i < 2; ++i) {
        opSize[i]->setObjectName(QStringLiteral("opSize%1").arg(i));
        sizeLayout->addWidget(opSize[i]);
    }
    opSize[0]->setChecked(true);

    auto* turnLayout = new QGridLayout;
    for (int i = 0; i < 6; ++i) {
        cmRect[i] = namedButton(this, QString::fromUtf8(kFixedTurns[i].caption),
                                QStringLiteral("cmRect%1").arg(i));
        connect(cmRect[i], &QPushButton::clicked, this, [this, i] { cmRect_Click(i); });
        turnLayout->addWidget(cmRect[i], i / 2, i % 2);
    }

    lbCom[0] = namedButton(this, QStringLiteral("画像(&F)"), QStringLiteral("lbCom0"));
    lbCom[1] = namedButton(this, QStringLiteral("戻す(&U)"), QStringLiteral("lbCom1"));
    auto* commandLayout = new QVBoxLayout;
    for (int i = 0; i < 2; ++i) {
        lbCom[i]->setFlat(true);
        connect(lbCom[i], &QPushButton::clicked, this, [this, i] { lbCom_Click(i); });
        commandLayout->addWidget(lbCom[i]);
    }
    commandLayout->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(lineBox);
    top->addWidget(sizeBox);
    top->addLayout(turnLayout);
    top->addLayout(commandLayout);

    // The view takes whatever the controls above leave: the dialog's resizing follows from this.
    ikImg = new ImagingControl(this);
    ikImg->setObjectName(QStringLiteral("ikImg"));
    ikImg->setMinimumSize(720, 440);  // room to click a base line precisely
    connect(ikImg, &ImagingControl::ImageClicked, this,
            [this](int x, int y) { ikImg_ImageClicked(x, y); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(ikImg, 1);
}

void BaseLineRotationDialog::takeCopyOfMainImage()
{
    ikImg->setImageHandle(ikImg->DuplicateImage(m_main.ImageHandle()));
    ikImg->DrawImage(DisplayMode::Scaled);
}

void BaseLineRotationDialog::ikImg_ImageClicked(int x, int y)
{
    if (m_clickState == 0) {
        m_x1 = x;
        m_y1 = y;
        lbPoint->setText(endPrompt());
        drawOverlay();
        m_clickState = 1;
    } else if (m_clickState == 1) {
        m_x2 = x;
        m_y2 = y;
        cmLine[0]->setEnabled(true);
        cmLine[1]->setEnabled(true);
        m_clickState = 2;
        drawOverlay();
        lbPoint->setText(directionPrompt());
    }
}

void BaseLineRotationDialog::drawOverlay()
{
    DrawingObject& pen = ikImg->PrinterObject();
    pen.ResetDrawSettings();
    pen.setPenMode(kPenInvert);
    pen.setPenWidth(kPenWidth);
    pen.setPenStyle(kPenDashes);
    ViewOverlay* surface = ikImg->ViewDC();
    if (m_clickState == 2)
        pen.DrawLine(surface, m_x1, m_y1, m_x2, m_y2, 0);
    else
        pen.DrawRectangle(surface, m_x1 - kStartBox, m_y1 - kStartBox, m_x1 + kStartBox,
                          m_y1 + kStartBox, 0);
}

void BaseLineRotationDialog::cmLine_Click(int index)
{
    const std::optional<int> horizontal = horizontalTurn(m_x1, m_y1, m_x2, m_y2);
    if (!horizontal)
        return;
    rotate(index == 0 ? *horizontal : verticalTurn(*horizontal), false, false);
}

void BaseLineRotationDialog::cmRect_Click(int index)
{
    const FixedTurn& turn = kFixedTurns[index];
    rotate(turn.angle, turn.mirrorLeftRight, turn.mirrorTopBottom);
}

void BaseLineRotationDialog::rotate(int angle, bool mirrorLeftRight, bool mirrorTopBottom)
{
    const bool smooth = smoothTurnFor(m_colourCode);
    const bool keepSize = opSize[1]->isChecked();
    ProcessObject& process = ikImg->ProcessObject();
    process.setRectMode(1);
    process.RotateImage(angle, mirrorLeftRight, mirrorTopBottom, smooth, 255, 255, 255, keepSize);
    ikImg->DrawImage(DisplayMode::Scaled);
}

void BaseLineRotationDialog::cmClr_Click()
{
    ikImg->RefreshView();
    m_x1 = m_x2 = m_y1 = m_y2 = 0;
    m_clickState = 0;
    cmLine[0]->setEnabled(false);
    cmLine[1]->setEnabled(false);
    lbPoint->setText(startPrompt());
}

void BaseLineRotationDialog::cmAuto_Click()
{
    const Image* image = ikImg->currentImage().image();
    if (!image)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::optional<double> skew = process::findSkew(*image);
    QApplication::restoreOverrideCursor();
    if (!skew) {
        lbPoint->setText(notDetectedPrompt());
        return;
    }
    // As if the two ends had been clicked, replacing any line drawn before.
    const BaseLine line = baseLineForSkew(*skew, QSize(image->width(), image->height()));
    cmClr_Click();
    ikImg_ImageClicked(line.start.x(), line.start.y());
    ikImg_ImageClicked(line.end.x(), line.end.y());
}

void BaseLineRotationDialog::lbCom_Click(int index)
{
    if (index == 1) {
        takeCopyOfMainImage();
        cmClr_Click();
        return;
    }
    m_main.setImageHandle(m_main.DuplicateImage(ikImg->ImageHandle()));
    m_main.DrawImage(m_displayMode);
    m_main.RefreshView();
    m_applied = true;
    hide();
}

}  // namespace tavlo
