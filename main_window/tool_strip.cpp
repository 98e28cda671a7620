#include "main_window/tool_strip.h"

#include "main_window/clickable_picture.h"
#include "main_window/tool_icons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace tavlo {
namespace {

// Design lefts of the buttons, in twips, by button index (-1: no button).
constexpr int ButtonLeftTwips[10] = {120, 453, 786, 1119, -1, 1425, 1845, 2190, 2535, 2880};
constexpr int ButtonTopTwips = 30;
constexpr int ButtonSizeTwips = 240;

// A widget that needs more room than its design place (the desktop's font and style may be
// larger than those the design was made for) keeps its left edge and vertical centre and grows
// rather than being cut off.
void place(QWidget* w, const QRect& design)
{
    const QSize needed = w->minimumSizeHint();
    const int height = std::max(design.height(), needed.height());
    const int width = std::max(design.width(), needed.width());
    w->setGeometry(design.x(), design.center().y() - (height - 1) / 2, width, height);
}

}  // namespace

ToolStrip::ToolStrip(QWidget* parent, const TwipsScale& s) : QObject(parent)
{
    for (int index : ButtonIndexes) {
        auto* button = new QToolButton(parent);
        button->setObjectName(QStringLiteral("imBtn_%1").arg(index));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setIcon(ToolIcons::button(index));
        button->setIconSize(QSize(16, 16));
        button->setToolTip(tooltipOf(index));
        // The picture keeps its 16 x 16 design place; the raised frame gets two pixels around it.
        const QRect r =
            s.toPixels(ButtonLeftTwips[index], ButtonTopTwips, ButtonSizeTwips, ButtonSizeTwips);
        button->setGeometry(r.adjusted(-2, -2, 2, 2));
        connect(button, &QToolButton::clicked, this, [this, index] { emit buttonClicked(index); });
        m_buttons[index] = button;
    }

    m_line2 = new QFrame(parent);
    m_line2->setObjectName(QStringLiteral("Line2"));
    m_line2->setFrameShape(QFrame::VLine);
    m_line2->setFrameShadow(QFrame::Sunken);
    m_line2->setGeometry(s.toPixels(1770) - 1, 0, 3, s.toPixels(300));

    m_chDsp = new QCheckBox(QString::fromUtf8("ｽｹｰﾙ表示"), parent);
    m_chDsp->setObjectName(QStringLiteral("chDsp"));
    m_chDsp->setChecked(true);
    m_chDsp->setFocusPolicy(Qt::NoFocus);
    place(m_chDsp, s.toPixels(3225, 30, 1200, 255));

    m_imZoom = new ClickablePicture(parent);
    m_imZoom->setObjectName(QStringLiteral("imZoom"));
    m_imZoom->setPixmap(ToolIcons::magnifier().pixmap(QSize(32, 32), parent->devicePixelRatioF()));
    m_imZoom->setGeometry(s.toPixels(4440, 15, 480, 480));
    m_imZoom->setCursor(Qt::PointingHandCursor);
    m_imZoom->setVisible(false);

    m_label1 = new QLabel(QString::fromUtf8("保存:"), parent);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setToolTip(QString::fromUtf8("画像を連番で保存時の連番の前部分"));
    place(m_label1, s.toPixels(4995, 75, 420, 195));

    m_txPfx = new QLineEdit(parent);
    m_txPfx->setObjectName(QStringLiteral("txPfx"));
    place(m_txPfx, s.toPixels(5445, 30, 1230, 270));

    m_cbKak = new QComboBox(parent);
    m_cbKak->setObjectName(QStringLiteral("cbKak"));
    m_cbKak->addItems({QStringLiteral(".bmp"), QStringLiteral(".tif")});
    m_cbKak->setFocusPolicy(Qt::NoFocus);
    place(m_cbKak, s.toPixels(6705, 30, 780, 315));

    m_line1 = new QFrame(parent);
    m_line1->setObjectName(QStringLiteral("Line1"));
    m_line1->setFrameShape(QFrame::HLine);
    m_line1->setFrameShadow(QFrame::Sunken);
    m_line1->setGeometry(0, 0, parent->width(), 2);
}

QToolButton* ToolStrip::imBtn(int index) const
{
    return index >= 0 && index < 10 ? m_buttons[index] : nullptr;
}

QString ToolStrip::tooltipOf(int index)
{
    // A key named here is the accelerator of the menu item the button stands for; a button whose
    // item has none names no key.
    switch (index) {
    case 0: return QString::fromUtf8("Ctrl+O 画像ﾌｧｲﾙを開きます");
    case 1: return QString::fromUtf8("F8 上書き保存");
    case 2: return QString::fromUtf8("Ctrl+W 作業ﾌｫﾙﾀﾞに保存");
    case 3: return QString::fromUtf8("Ctrl+E 作業ﾌｫﾙﾀﾞをｴｸｽﾌﾟﾛｰﾗｰで開きます");
    case 5: return QString::fromUtf8("ｽｷｬﾝを開始します");
    case 6: return QString::fromUtf8("Ctrl+C 現在の画像をｸﾘｯﾌﾟﾎﾞｰﾄﾞに貼り付けます");
    case 7: return QString::fromUtf8("Ctrl+T 画像をﾄﾘﾐﾝｸﾞします");
    case 8: return QString::fromUtf8("縦方向に綴じこめます");
    case 9: return QString::fromUtf8("横方向に綴じこめます");
    default: return QString();
    }
}

}  // namespace tavlo
