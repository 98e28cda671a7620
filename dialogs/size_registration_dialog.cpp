#include "dialogs/size_registration_dialog.h"

#include "dialogs/dialog_placement.h"
#include "dialogs/size_entry.h"
#include "environment/desktop_services.h"
#include "environment/number_text.h"
#include "environment/process_values.h"
#include "environment/user_prompt.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tavlo {
namespace {

constexpr const char* kPixelPresets[] = {
    "QVGA   320 x   240", " VGA   640 x   480", "SVGA   800 x   600",
    " XGA 1,024 x   768", "SXGA 1,280 x 1,024", "UXGA 1,600 x 1,200",
};
constexpr const char* kCentimetrePresets[] = {
    "A4   21.0 x 29.7", "B5   18.2 x 25.7", "A5   14.8 x 21.0", "A6   10.5 x 14.8",
    "ﾊｶﾞｷ 10.0 x 14.8", "ﾌｫﾄ  10.2 x 15.2", "L判   8.9 x 12.7",
};
// The calculators tried, in order; the first one on PATH is started.
constexpr const char* kCalculators[] = {"gnome-calculator", "kcalc",         "mate-calc",
                                        "galculator",       "qalculate-gtk", "xcalc"};

QLineEdit* namedField(QWidget* parent, const QString& text, const QString& name)
{
    auto* field = new QLineEdit(text, parent);
    field->setObjectName(name);
    return field;
}

bool isEnterOrTab(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Tab;
}

}  // namespace

QString SizeRegistrationDialog::caption()
{
    return QStringLiteral("選択･切取ｻｲｽﾞの登録");
}

void SizeRegistrationDialog::Act(QString& sHani, int nWd, int nHi, QWidget* mainWindow)
{
    QPointer<SizeRegistrationDialog> dialog =
        new SizeRegistrationDialog(sHani, nWd, nHi, mainWindow);
    dialog->exec();
    if (!dialog)
        return;
    sHani = dialog->workingList();
    delete dialog.data();
}

void SizeRegistrationDialog::ScrnSz(int& nWd, int& nHi)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    nWd = area.width();
    nHi = area.height();
}

QString SizeRegistrationDialog::screenPresetLine(int width, int height)
{
    const QLocale grouped(QLocale::English);
    return QStringLiteral("ｽｸﾘｰﾝ ") + grouped.toString(width) + QStringLiteral(" * ") +
           grouped.toString(height);
}

SizeRegistrationDialog::SizeRegistrationDialog(const QString& sHani, int nWd, int nHi,
                                               QWidget* mainWindow)
    : QDialog(mainWindow)
{
    setObjectName(QStringLiteral("spSize"));
    setWindowTitle(caption());
    setModal(true);
    m_guard = true;
    buildControls();
    centreDialogOver(*this, mainWindow);

    txSizeX[0]->setText(QString::number(nWd));
    txSizeY[0]->setText(QString::number(nHi));
    txCap->setText(QStringLiteral("Temporary"));
    QString list = sHani;
    if (!list.contains(QLatin1String("Temporary,")))
        list = QStringLiteral("Temporary,%1,%2,px:").arg(nWd).arg(nHi) + list;
    m_entries = readableSizeEntries(list);
    FillRegisteredList(true);
    FillPresetLists();
    QApplication::restoreOverrideCursor();
    m_guard = false;
}

SizeRegistrationDialog::~SizeRegistrationDialog()
{
    // The fields lose their focus while Qt takes the dialog apart; no reactions then.
    for (int g = 0; g < 2; ++g) {
        for (QLineEdit* field : {txSizeX[g], txSizeY[g], txPsnt[g]})
            field->removeEventFilter(this);
    }
}

void SizeRegistrationDialog::buildControls()
{
    lsHani = new QListWidget(this);
    lsHani->setObjectName(QStringLiteral("lsHani"));
    connect(lsHani, &QListWidget::currentRowChanged, this, [this](int row) { lsHani_Click(row); });
    txCap = namedField(this, QString(), QStringLiteral("txCap"));
    m_fieldPalette = txCap->palette();
    connect(txCap, &QLineEdit::textChanged, this, [this] {
        if (!m_guard)
            UpdateAddModifyButtons();
    });
    lbCap = new QLabel(this);
    lbCap->setObjectName(QStringLiteral("lbCap"));
    lbCap->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    const char* listCaptions[] = {"↑", "↓", "削除", "←修正", "←追加"};
    auto* listButtons = new QHBoxLayout;
    for (int i = 0; i < 5; ++i) {
        cmLst[i] = new QPushButton(QString::fromUtf8(listCaptions[i]), this);
        cmLst[i]->setObjectName(QStringLiteral("cmLst%1").arg(i));
        cmLst[i]->setAutoDefault(false);
        connect(cmLst[i], &QPushButton::clicked, this, [this, i] { cmLst_Click(i); });
        listButtons->addWidget(cmLst[i]);
    }
    for (int i : {3, 4})
        cmLst[i]->setToolTip(QStringLiteral("既存の登録名が存在すれば､上書きとなります"));

    const QString optionCaptions[] = {QStringLiteral("画像ｻｲｽﾞをﾋﾟｸｾﾙで指定する"),
                                      QStringLiteral("印刷ｻｲｽﾞをｾﾝﾁで指定する")};
    const QString widthUnits[] = {QStringLiteral("px      縦"), QStringLiteral("cm    縦")};
    const QString heightUnits[] = {QStringLiteral("px"), QStringLiteral("cm")};
    const QFont fixedPitch = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    auto* groups = new QHBoxLayout;
    for (int g = 0; g < 2; ++g) {
        auto* box = new QGroupBox(this);
        auto* grid = new QGridLayout(box);
        opSize[g] = new QRadioButton(optionCaptions[g], box);
        opSize[g]->setObjectName(QStringLiteral("opSize%1").arg(g));
        lsSize[g] = new QListWidget(box);
        lsSize[g]->setObjectName(QStringLiteral("lsSize%1").arg(g));
        lsSize[g]->setFont(fixedPitch);
        connect(lsSize[g], &QListWidget::currentRowChanged, this,
                [this, g](int row) { lsSize_Click(g, row); });
        txSizeX[g] = namedField(box, QStringLiteral("0"), QStringLiteral("txSizeX%1").arg(g));
        txSizeY[g] = namedField(box, QStringLiteral("0"), QStringLiteral("txSizeY%1").arg(g));
        txPsnt[g] = namedField(box, QStringLiteral("100"), QStringLiteral("txPsnt%1").arg(g));
        connect(txPsnt[g], &QLineEdit::textChanged, this, [this, g] { txPsnt_Change(g); });
        chXY[g] = new QCheckBox(QStringLiteral("縦横入替"), box);
        chXY[g]->setObjectName(QStringLiteral("chXY%1").arg(g));
        connect(chXY[g], &QCheckBox::clicked, this, [this, g] { ApplyPreset(g); });
        for (QLineEdit* field : {txSizeX[g], txSizeY[g], txPsnt[g]})
            field->installEventFilter(this);

        grid->addWidget(opSize[g], 0, 0, 1, 5);
        grid->addWidget(new QLabel(QStringLiteral("参照"), box), 1, 0);
        grid->addWidget(lsSize[g], 2, 0, 1, 5);
        grid->addWidget(new QLabel(QStringLiteral("*"), box), 3, 0);
        grid->addWidget(txPsnt[g], 3, 1);
        grid->addWidget(new QLabel(QStringLiteral("%"), box), 3, 2);
        grid->addWidget(chXY[g], 3, 3, 1, 2);
        grid->addWidget(new QLabel(QStringLiteral("横"), box), 4, 0);
        grid->addWidget(txSizeX[g], 4, 1);
        grid->addWidget(new QLabel(widthUnits[g], box), 4, 2);
        grid->addWidget(txSizeY[g], 4, 3);
        grid->addWidget(new QLabel(heightUnits[g], box), 4, 4);
        if (g == 0)
            grid->addWidget(new QLabel(QStringLiteral("ｽｸﾘｰﾝｻｲｽﾞは現在のﾀｽｸﾊﾞｰを除く表示域"), box),
                            5, 0, 1, 5);
        groups->addWidget(box);
    }
    // The two options sit in different boxes, so they need a group of their own to exclude
    // each other.
    auto* unitGroup = new QButtonGroup(this);
    unitGroup->addButton(opSize[0]);
    unitGroup->addButton(opSize[1]);
    opSize[0]->setChecked(true);

    cmClose = new QPushButton(QStringLiteral("閉じる"), this);
    cmClose->setObjectName(QStringLiteral("cmClose"));
    cmClose->setAutoDefault(false);
    connect(cmClose, &QPushButton::clicked, this, [this] { hide(); });
    ssCom = new QToolButton(this);
    ssCom->setObjectName(QStringLiteral("ssCom"));
    ssCom->setText(QStringLiteral("="));
    ssCom->setIcon(QIcon::fromTheme(QStringLiteral("accessories-calculator")));
    ssCom->setToolTip(QStringLiteral("電卓を起動します"));
    connect(ssCom, &QToolButton::clicked, this, [this] { ssCom_Click(); });

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(QStringLiteral("指定ｻｲｽﾞの登録名"), this));
    nameRow->addWidget(txCap, 1);
    nameRow->addWidget(lbCap, 1);
    auto* closeRow = new QHBoxLayout;
    closeRow->addWidget(ssCom);
    closeRow->addStretch();
    closeRow->addWidget(cmClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lsHani);
    layout->addLayout(listButtons);
    layout->addLayout(nameRow);
    layout->addLayout(groups);
    layout->addLayout(closeRow);
}

void SizeRegistrationDialog::FillRegisteredList(bool fresh)
{
    lsHani->clear();
    for (const QString& text : m_entries) {
        const SizeEntry entry = *parseSizeEntry(text);  // the list holds readable entries only
        lsHani->addItem(entry.name + u'(' + sizeText(entry.width) + u'*' + sizeText(entry.height) +
                        u' ' + entry.unitText() + u')');
    }
    const int position = fresh && lsHani->count() > 0 ? 0 : -1;
    const bool wasGuarded = m_guard;
    m_guard = true;
    lsHani->setCurrentRow(position);
    m_guard = wasGuarded;
    SelectRegisteredEntry(position, fresh);
}

void SizeRegistrationDialog::SelectRegisteredEntry(int position, bool fresh)
{
    const bool wasGuarded = m_guard;
    m_guard = true;
    const int count = lsHani->count();
    cmLst[0]->setEnabled(position > 0);
    cmLst[1]->setEnabled(position >= 0 && position < count - 1);
    cmLst[2]->setEnabled(position >= 0);
    cmLst[3]->setEnabled(fresh);
    cmLst[4]->setEnabled(false);
    if (position >= 0 && position < count) {
        if (fresh) {
            opSize[0]->setChecked(true);
            lbCap->setText(txSizeX[0]->text() + QStringLiteral(" x ") + txSizeY[0]->text() +
                           QStringLiteral("px"));
        } else {
            const SizeEntry entry = *parseSizeEntry(m_entries[position]);
            const int g = entry.centimetres ? 1 : 0;
            txCap->setText(entry.name);
            opSize[g]->setChecked(true);
            txSizeX[g]->setText(sizeText(entry.width));
            txSizeY[g]->setText(sizeText(entry.height));
            lbCap->setText(sizeText(entry.width) + QStringLiteral(" x ") + sizeText(entry.height) +
                           entry.unitText());
        }
        for (QListWidget* presets : lsSize) {
            presets->clearSelection();
            presets->setCurrentRow(-1);
        }
    }
    m_guard = wasGuarded;
}

void SizeRegistrationDialog::FillPresetLists()
{
    int width = 0, height = 0;
    ScrnSz(width, height);
    lsSize[0]->clear();
    for (const char* line : kPixelPresets)
        lsSize[0]->addItem(QString::fromUtf8(line));
    lsSize[0]->addItem(screenPresetLine(width, height));
    lsSize[1]->clear();
    for (const char* line : kCentimetrePresets)
        lsSize[1]->addItem(QString::fromUtf8(line));
}

void SizeRegistrationDialog::lsHani_Click(int position)
{
    if (!m_guard)
        SelectRegisteredEntry(position, false);
}

void SizeRegistrationDialog::lsSize_Click(int group, int row)
{
    // A line taken away (by the dialog's own deselection) is no choice of a preset.
    if (row < 0)
        return;
    opSize[group]->setChecked(true);
    ApplyPreset(group);
}

void SizeRegistrationDialog::ApplyPreset(int group)
{
    const double percent = leadingNumber(txPsnt[group]->text());
    if (!(percent > 0 && percent <= 100))
        return;
    const QListWidgetItem* item = lsSize[group]->currentItem();
    QString line = item && item->isSelected() ? item->text() : QString();
    line = line.trimmed().remove(u',').simplified();
    const QStringList parts = line.split(u' ', Qt::SkipEmptyParts);
    if (parts.size() < 4)
        return;
    txCap->setText(parts[0].trimmed() + u' ' + shortestNumberText(percent, 15) + u'%');
    const float width = float(leadingNumber(parts[1]) * percent / 100.0);
    const float height = float(leadingNumber(parts[3]) * percent / 100.0);
    const bool swap = chXY[group]->isChecked();
    txSizeX[group]->setText(sizeText(swap ? height : width));
    txSizeY[group]->setText(sizeText(swap ? width : height));
    ShowCurrentSize(group);
}

void SizeRegistrationDialog::ShowCurrentSize(int group)
{
    opSize[group]->setChecked(true);
    lbCap->setText(txSizeX[group]->text() + QStringLiteral(" x ") + txSizeY[group]->text() +
                   (group == 0 ? QStringLiteral(" px") : QStringLiteral(" cm")));
    UpdateAddModifyButtons();
}

void SizeRegistrationDialog::UpdateAddModifyButtons()
{
    const bool fits = entryFieldsFit();
    cmLst[3]->setEnabled(fits && !lsHani->selectedItems().isEmpty());
    const QString name = txCap->text();
    if (name.isEmpty())
        return;
    const QString list = u':' + workingList();
    const bool registered = list.contains(u':' + name + u',', Qt::CaseInsensitive);
    cmLst[4]->setEnabled(fits && !registered);
}

int SizeRegistrationDialog::chosenGroup() const
{
    return opSize[0]->isChecked() ? 0 : 1;
}

bool SizeRegistrationDialog::entryFieldsFit()
{
    const int g = chosenGroup();
    bool fits = true;
    for (QLineEdit* field : {txCap, txSizeX[0], txSizeY[0], txSizeX[1], txSizeY[1]}) {
        const bool used = field == txCap || field == txSizeX[g] || field == txSizeY[g];
        const bool bad = used && !fitsSizeEntry(field->text());
        markField(field, bad);
        fits = fits && !bad;
    }
    return fits;
}

void SizeRegistrationDialog::markField(QLineEdit* field, bool bad)
{
    QPalette palette = m_fieldPalette;
    if (bad)
        palette.setColor(QPalette::Text, Qt::red);
    field->setPalette(palette);
}

QString SizeRegistrationDialog::BuildSizeEntry() const
{
    const int g = chosenGroup();
    return txCap->text() + u',' + txSizeX[g]->text() + u',' + txSizeY[g]->text() +
           (g == 0 ? QStringLiteral(",px") : QStringLiteral(",cm"));
}

void SizeRegistrationDialog::cmLst_Click(int index)
{
    if (index >= 3 && !entryFieldsFit())
        return;
    m_guard = true;
    const int count = int(m_entries.size());
    const int s = lsHani->selectedItems().isEmpty() ? -1 : lsHani->currentRow();
    int selected = s;
    switch (index) {
    case 0:
    case 1: {
        const int t = index == 0 ? s - 1 : s + 1;
        if (s >= 0 && t >= 0 && t < count) {
            m_entries.swapItemsAt(s, t);
            selected = t;
        }
        break;
    }
    case 2:
        if (s >= 0 && s < count)
            m_entries.removeAt(s);
        selected = -1;
        break;
    case 3:
        if (s >= 0 && s < count)
            m_entries[s] = BuildSizeEntry();
        break;
    case 4: m_entries.insert(std::max(s, 0), BuildSizeEntry()); break;
    default: break;
    }
    FillRegisteredList(false);
    lsHani->setCurrentRow(selected);
    m_guard = false;
}

void SizeRegistrationDialog::txPsnt_Change(int group)
{
    if (m_guard)
        return;
    const double percent = leadingNumber(txPsnt[group]->text());
    QPalette palette = m_fieldPalette;
    palette.setColor(QPalette::Text, percent > 0 && percent <= 100 ? Qt::black : Qt::red);
    txPsnt[group]->setPalette(palette);
}

bool SizeRegistrationDialog::eventFilter(QObject* watched, QEvent* event)
{
    for (int g = 0; g < 2; ++g) {
        const bool percent = watched == txPsnt[g];
        if (!percent && watched != txSizeX[g] && watched != txSizeY[g])
            continue;
        auto react = [this, g, percent] {
            if (m_guard)
                return;
            if (percent)
                ApplyPreset(g);
            else
                ShowCurrentSize(g);
        };
        if (event->type() == QEvent::KeyPress && isEnterOrTab(static_cast<QKeyEvent*>(event)))
            react();
        else if (event->type() == QEvent::FocusOut)
            react();
        else if (event->type() == QEvent::FocusIn && !percent) {
            // After the click that gave the focus has placed the cursor.
            QPointer<QLineEdit> field = static_cast<QLineEdit*>(watched);
            QTimer::singleShot(0, this, [field] {
                if (field)
                    field->selectAll();
            });
        }
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void SizeRegistrationDialog::ssCom_Click()
{
    for (const char* name : kCalculators) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!program.isEmpty() && desktopServices().startProgram(program, {}))
            return;
    }
    userPrompt().message(
        programTitle(),
        QStringLiteral("電卓を起動できませんでした。\r"
                       "gnome-calculator、kcalc、mate-calc、galculator、"
                       "qalculate-gtk、xcalc のいずれかをインストールして下さい。"));
}

}  // namespace tavlo
