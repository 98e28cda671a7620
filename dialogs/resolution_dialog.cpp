#include "dialogs/resolution_dialog.h"

#include "dialogs/dialog_placement.h"
#include "dialogs/one_decimal_text.h"
#include "dialogs/printer_resolution_source.h"
#include "environment/number_text.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace tavlo {
namespace {

constexpr double kCentimetresPerInch = 2.54;

// A boxed, right-aligned label for a figure of the size table or the printer line.
QLabel* figureLabel(QWidget* parent, const QString& name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("0000000.0")));
    return label;
}

QLabel* headerLabel(QWidget* parent, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

// The picture of the restore button: an arrow turning back to the left.
QIcon restoreIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(0, 90, 170), 3.5, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(pen);
    painter.drawArc(QRectF(6, 6, 20, 20), 100 * 16, 260 * 16);
    QPainterPath head;
    head.moveTo(5, 4);
    head.lineTo(15, 5);
    head.lineTo(9, 13);
    head.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 90, 170));
    painter.drawPath(head);
    return QIcon(pixmap);
}

}  // namespace

QString ResolutionDialog::caption()
{
    return QStringLiteral("解像度の設定");
}

void ResolutionDialog::Act(int& nKzX, int& nKzY, int nPxX, int nPxY, bool& bOkC,
                           QWidget* mainWindow)
{
    // On the heap with a guard: should the main window go away while the dialog is open, it takes
    // the dialog with it and nothing here touches the dead object.
    QPointer<ResolutionDialog> dialog = new ResolutionDialog(nKzX, nKzY, nPxX, nPxY, mainWindow);
    bOkC = false;
    dialog->exec();
    if (!dialog)
        return;
    bOkC = dialog->m_accepted;
    if (bOkC) {
        nKzX = dialog->m_currentX;
        nKzY = dialog->m_currentY;
    }
    delete dialog.data();
}

ResolutionDialog::ResolutionDialog(int nKzX, int nKzY, int nPxX, int nPxY, QWidget* mainWindow)
    : QDialog(mainWindow)
{
    setObjectName(QStringLiteral("spDpi"));
    setWindowTitle(caption());
    setModal(true);
    buildControls();

    m_initialX = nKzX;
    m_initialY = nKzY;
    txYoko->setText(QString::number(nKzX));
    txTate->setText(QString::number(nKzY));
    m_pixelWidth = nPxX;
    m_pixelHeight = nPxY;
    lbYoko[0]->setText(QString::number(nPxX));
    lbTate[0]->setText(QString::number(nPxY));
    m_accepted = false;
    UpdateSizeTable(0);

    centreDialogOver(*this, mainWindow);
}

ResolutionDialog::~ResolutionDialog()
{
    // The fields lose their focus while Qt takes the dialog apart; no recalculation then.
    txYoko->removeEventFilter(this);
    txTate->removeEventFilter(this);
}

void ResolutionDialog::buildControls()
{
    txYoko = new QLineEdit(QStringLiteral("72"), this);
    txYoko->setObjectName(QStringLiteral("txYoko"));
    txTate = new QLineEdit(QStringLiteral("72"), this);
    txTate->setObjectName(QStringLiteral("txTate"));
    for (QLineEdit* field : {txYoko, txTate}) {
        field->setAlignment(Qt::AlignRight);
        field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("000000000")));
        field->installEventFilter(this);
    }
    m_fieldPalette = txYoko->palette();

    for (int i = 0; i < 3; ++i) {
        lbYoko[i] = figureLabel(this, QStringLiteral("lbYoko%1").arg(i));
        lbTate[i] = figureLabel(this, QStringLiteral("lbTate%1").arg(i));
    }

    chXY = new QCheckBox(QStringLiteral("縦･横の解像度は同一"), this);
    chXY->setObjectName(QStringLiteral("chXY"));
    chXY->setChecked(true);

    ssCom = new QToolButton(this);
    ssCom->setObjectName(QStringLiteral("ssCom"));
    ssCom->setIcon(restoreIcon());
    ssCom->setIconSize(QSize(16, 16));
    ssCom->setToolTip(QStringLiteral("解像度を元の値に戻します"));
    connect(ssCom, &QToolButton::clicked, this, [this] { ssCom_Click(); });

    auto* table = new QGridLayout;
    table->addWidget(headerLabel(this, QStringLiteral("解像度")), 0, 1);
    table->addWidget(headerLabel(this, QStringLiteral("画像ｻｲｽﾞ(ﾋﾟｸｾﾙ)")), 0, 2);
    table->addWidget(headerLabel(this, QStringLiteral("印刷ｻｲｽﾞ(ｲﾝﾁ)")), 0, 3);
    table->addWidget(headerLabel(this, QStringLiteral("印刷ｻｲｽﾞ(cm)")), 0, 4);
    table->addWidget(new QLabel(QStringLiteral("横方向"), this), 1, 0);
    table->addWidget(new QLabel(QStringLiteral("縦方向"), this), 2, 0);
    table->addWidget(txYoko, 1, 1);
    table->addWidget(txTate, 2, 1);
    for (int i = 0; i < 3; ++i) {
        table->addWidget(lbYoko[i], 1, 2 + i);
        table->addWidget(lbTate[i], 2, 2 + i);
    }
    table->addWidget(chXY, 3, 1, 1, 3);
    table->addWidget(ssCom, 3, 4, Qt::AlignRight);

    auto* note = new QLabel(QStringLiteral("GIF形式で保存する場合は､設定値は無効です"), this);

    auto* printerBox = new QGroupBox(QStringLiteral("ﾌﾟﾘﾝﾀｰの解像度の参照"), this);
    cmPrn = new QPushButton(QStringLiteral(".."), printerBox);
    cmPrn->setObjectName(QStringLiteral("cmPrn"));
    cmPrn->setAutoDefault(false);
    cmPrn->setFixedWidth(cmPrn->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 12);
    connect(cmPrn, &QPushButton::clicked, this, [this] { cmPrn_Click(); });
    for (int i = 0; i < 3; ++i)
        lbPrn[i] = figureLabel(printerBox, QStringLiteral("lbPrn%1").arg(i));
    lbPrn[0]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lbPrn[0]->setMinimumWidth(lbPrn[0]->fontMetrics().horizontalAdvance(QString(24, u'M')));
    auto* printerGrid = new QGridLayout(printerBox);
    printerGrid->addWidget(headerLabel(printerBox, QStringLiteral("解像度(横)")), 0, 2);
    printerGrid->addWidget(headerLabel(printerBox, QStringLiteral("解像度(縦)")), 0, 3);
    printerGrid->addWidget(cmPrn, 1, 0);
    printerGrid->addWidget(lbPrn[0], 1, 1);
    printerGrid->addWidget(lbPrn[1], 1, 2);
    printerGrid->addWidget(lbPrn[2], 1, 3);
    printerGrid->setColumnStretch(1, 1);

    cmOK[0] = new QPushButton(QStringLiteral("&OK"), this);
    cmOK[0]->setObjectName(QStringLiteral("cmOK0"));
    cmOK[1] = new QPushButton(QStringLiteral("&Cancel"), this);
    cmOK[1]->setObjectName(QStringLiteral("cmOK1"));
    connect(cmOK[0], &QPushButton::clicked, this, [this] { cmOK_Click(0); });
    connect(cmOK[1], &QPushButton::clicked, this, [this] { cmOK_Click(1); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmOK[0]);
    buttons->addWidget(cmOK[1]);

    auto* whole = new QVBoxLayout(this);
    whole->addLayout(table);
    whole->addWidget(note);
    whole->addWidget(printerBox);
    whole->addLayout(buttons);
    whole->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(txYoko, txTate);
    setTabOrder(txTate, chXY);
    setTabOrder(chXY, cmOK[0]);
    setTabOrder(cmOK[0], cmOK[1]);
    setTabOrder(cmOK[1], ssCom);
    setTabOrder(ssCom, cmPrn);
}

void ResolutionDialog::UpdateSizeTable(int edited)
{
    if (edited != 0 && chXY->isChecked()) {
        if (edited == 1)
            txTate->setText(txYoko->text());
        else
            txYoko->setText(txTate->text());
    }
    if (readResolution(txYoko, m_currentX) && m_currentX > 0)
        fillRow(m_pixelWidth, m_currentX, lbYoko[1], lbYoko[2]);
    if (readResolution(txTate, m_currentY) && m_currentY >= 1)
        fillRow(m_pixelHeight, m_currentY, lbTate[1], lbTate[2]);
    // What the fields hold now is in force; later typing marks a field edited again.
    txYoko->setModified(false);
    txTate->setModified(false);
}

bool ResolutionDialog::readResolution(QLineEdit* field, int& current)
{
    const double nearest = std::nearbyint(leadingNumber(field->text()));
    const bool fits = nearest >= double(std::numeric_limits<int>::min()) &&
                      nearest <= double(std::numeric_limits<int>::max());
    if (!fits) {
        QPalette refused = m_fieldPalette;
        refused.setColor(QPalette::Text, QColor(255, 0, 0));
        field->setPalette(refused);
        return false;
    }
    field->setPalette(m_fieldPalette);
    current = roundHalfEven(nearest);
    return true;
}

void ResolutionDialog::fillRow(int pixels, int resolution, QLabel* inches, QLabel* centimetres)
{
    // The print size is kept in single precision, as the table has always shown it; the
    // centimetres are worked out from that single value in double precision.
    const float size = float(double(pixels) / double(resolution));
    inches->setText(oneDecimalText(size, 7));
    centimetres->setText(oneDecimalText(double(size) * kCentimetresPerInch, 15));
}

bool ResolutionDialog::eventFilter(QObject* watched, QEvent* event)
{
    const int edited = watched == txYoko ? 1 : watched == txTate ? 2 : 0;
    if (edited == 0)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        bool consumed = false;
        field_KeyDown(edited, static_cast<QKeyEvent*>(event), consumed);
        if (consumed)
            return true;
        break;
    }
    case QEvent::FocusOut: {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Only a move to another control of the dialog counts as leaving the field; a pop-up menu
        // or a switch to another window does not.
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            field_Validate(edited);
        break;
    }
    case QEvent::FocusIn:
        field_GotFocus(static_cast<QLineEdit*>(watched),
                       static_cast<QFocusEvent*>(event)->reason());
        break;
    default: break;
    }
    return QDialog::eventFilter(watched, event);
}

void ResolutionDialog::field_KeyDown(int edited, QKeyEvent* key, bool& consumed)
{
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Down:
    case Qt::Key_Tab:
        // The key finishes the entry: recalculate and go to OK. It is taken here so that Enter
        // does not also press the default button and Tab does not move on a second time.
        UpdateSizeTable(edited);
        cmOK[0]->setFocus(Qt::OtherFocusReason);
        consumed = true;
        break;
    default: break;
    }
}

void ResolutionDialog::field_Validate(int edited)
{
    // Only a field the user typed in is copied into the other one. Passing through a field (the
    // focus starts in the horizontal one) must not make the two resolutions equal on its own, or
    // OK on an untouched 300 x 150 dpi image would hand back 300 x 300.
    QLineEdit* field = edited == 1 ? txYoko : txTate;
    UpdateSizeTable(field->isModified() ? edited : 0);
}

void ResolutionDialog::field_GotFocus(QLineEdit* field, Qt::FocusReason reason)
{
    if (reason == Qt::MouseFocusReason) {
        // The click that gave the focus would place the cursor after the selection is made.
        QTimer::singleShot(0, field, [field] { field->selectAll(); });
        return;
    }
    field->selectAll();
}

void ResolutionDialog::cmOK_Click(int index)
{
    // A button reached without leaving the field (a shortcut key, a button that takes no focus)
    // still counts what was typed.
    if (focusWidget() == txYoko)
        field_Validate(1);
    else if (focusWidget() == txTate)
        field_Validate(2);
    m_accepted = index == 0 && (m_currentX != m_initialX || m_currentY != m_initialY);
    if (index == 0)
        accept();
    else
        reject();
}

void ResolutionDialog::ssCom_Click()
{
    txYoko->setText(QString::number(m_initialX));
    txTate->setText(QString::number(m_initialY));
    UpdateSizeTable(0);
}

void ResolutionDialog::cmPrn_Click()
{
    const std::optional<PrinterResolution> printer = printerResolutionSource().choosePrinter(this);
    if (!printer)
        return;
    lbPrn[0]->setText(printer->name);
    lbPrn[1]->setText(QString::number(printer->horizontal));
    lbPrn[2]->setText(QString::number(printer->vertical));
}

}  // namespace tavlo
