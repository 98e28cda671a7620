#pragma once

#include "main_window/twips_scale.h"

#include <QObject>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QToolButton;
class QWidget;

namespace tavlo {

class ClickablePicture;

// The tool strip along the top of the client area: the picture buttons imBtn (0-3, 5-9), the
// separator Line2, the scale-display box chDsp, the magnifier imZoom, the prefix field txPfx with
// its caption Label1, the work-file format choice cbKak and the top border Line1. Every control
// stands at its design place in twips, turned into pixels by the screen's dots per inch.
class ToolStrip : public QObject {
    Q_OBJECT
public:
    // The indexes of the tool buttons, left to right (there is no 4).
    static constexpr int ButtonIndexes[] = {0, 1, 2, 3, 5, 6, 7, 8, 9};

    ToolStrip(QWidget* parent, const TwipsScale& scale);

    // The button imBtn(index), or nullptr for an index without one.
    QToolButton* imBtn(int index) const;
    QCheckBox* chDsp() const { return m_chDsp; }
    ClickablePicture* imZoom() const { return m_imZoom; }
    QLabel* Label1() const { return m_label1; }
    QLineEdit* txPfx() const { return m_txPfx; }
    QComboBox* cbKak() const { return m_cbKak; }
    QFrame* Line1() const { return m_line1; }
    QFrame* Line2() const { return m_line2; }

    // The tooltip of imBtn(index), "" for an index without a button. It begins with the key that
    // runs the button's command, when there is one ("F8 上書き保存").
    static QString tooltipOf(int index);

signals:
    void buttonClicked(int index);

private:
    QToolButton* m_buttons[10] = {};
    QCheckBox* m_chDsp = nullptr;
    ClickablePicture* m_imZoom = nullptr;
    QLabel* m_label1 = nullptr;
    QLineEdit* m_txPfx = nullptr;
    QComboBox* m_cbKak = nullptr;
    QFrame* m_line1 = nullptr;
    QFrame* m_line2 = nullptr;
};

}  // namespace tavlo
