#pragma once

#include <QDialog>
#include <QPalette>
#include <QStringList>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace tavlo {

// The modal dialog "選択･切取ｻｲｽﾞの登録" (spSize): the user keeps the ordered list of named sizes
// that the main window offers under "範囲". A size is an image size in pixels (group 0) or a print
// size in centimetres (group 1), typed in or taken from a preset line scaled by a percentage,
// optionally with width and height swapped. The dialog stores nothing: the list travels in and out
// of Act as the text "name,width,height,unit:..." (dialogs/size_entry.h).
//
// The list is taken over without empty segments and without entries of fewer than four fields, so
// a line of lsHani and an entry of the list always share their position. A name or size holding ","
// or ":" would break the list: while the name field or the chosen group's size fields hold one, the
// add and modify buttons stay disabled and the offending field is shown red.
//
// Controls carry their program names as object names: lsHani, txCap, lbCap, cmLst0..4 (up, down,
// delete, modify, add), opSize0/1, lsSize0/1, txSizeX0/1, txSizeY0/1, txPsnt0/1, chXY0/1, cmClose,
// ssCom (the calculator).
class SizeRegistrationDialog : public QDialog {
    Q_OBJECT

public:
    // The only entry. sHani: the registered size list, in and out. nWd, nHi: the width and height
    // in pixels of the main window's selection, read only. mainWindow: the window the dialog is
    // centred over (may be nullptr). Shows the dialog modally; closing it (by "閉じる" or the close
    // box) hands the edited list back. The caller compares it with its own to see a change.
    static void Act(QString& sHani, int nWd, int nHi, QWidget* mainWindow = nullptr);

    // The width and height of the primary screen's work area (without panels and task bars).
    static void ScrnSz(int& nWd, int& nHi);

    // The last pixel preset line for a work area: "ｽｸﾘｰﾝ 1,920 * 1,040".
    static QString screenPresetLine(int width, int height);

    static QString caption();

    ~SizeRegistrationDialog() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    SizeRegistrationDialog(const QString& sHani, int nWd, int nHi, QWidget* mainWindow);

    void buildControls();
    QString workingList() const { return m_entries.join(u':'); }

    void FillRegisteredList(bool fresh);
    void SelectRegisteredEntry(int position, bool fresh);
    void FillPresetLists();
    void ApplyPreset(int group);
    void ShowCurrentSize(int group);
    void UpdateAddModifyButtons();
    QString BuildSizeEntry() const;
    int chosenGroup() const;
    // False (the field shown red) when a field of the entry the buttons would write holds "," or
    // ":".
    bool entryFieldsFit();
    void markField(QLineEdit* field, bool bad);

    void lsHani_Click(int position);
    void cmLst_Click(int index);
    void lsSize_Click(int group, int row);
    void txPsnt_Change(int group);
    void ssCom_Click();

    QStringList m_entries;
    bool m_guard = false;
    QPalette m_fieldPalette;

    QListWidget* lsHani = nullptr;
    QLineEdit* txCap = nullptr;
    QLabel* lbCap = nullptr;
    QPushButton* cmLst[5] = {};
    QRadioButton* opSize[2] = {};
    QListWidget* lsSize[2] = {};
    QLineEdit* txSizeX[2] = {};
    QLineEdit* txSizeY[2] = {};
    QLineEdit* txPsnt[2] = {};
    QCheckBox* chXY[2] = {};
    QPushButton* cmClose = nullptr;
    QToolButton* ssCom = nullptr;
};

}  // namespace tavlo
