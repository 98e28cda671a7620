#pragma once

#include "imaging/shape/mark_editor.h"
#include "imaging/shape/stamp_picture.h"

#include <QWidget>

#include <map>

class QAbstractButton;
class QButtonGroup;
class QSpinBox;
class QToolButton;

namespace tavlo {

// The marker tool bar's window: a narrow floating tool window with the tools, the colours, the
// line width, the text size, fill, undo, redo, delete and "反映" (commit). It only drives the
// MarkEditor and asks for a commit; it never touches the image.
//
// A close by the user (the window's close box) hides it and raises closedByUser; hide() by the
// program raises nothing. User-interface thread only.
class MarkerToolBar : public QWidget {
    Q_OBJECT
public:
    // The colours offered, in the order of their buttons ("colour0", "colour1", ...).
    static const std::vector<std::pair<QColor, QString>>& colours();

    MarkerToolBar(MarkEditor& editor, QWidget* owner);

    // The stamp tool is enabled only with a usable picture; otherwise its tooltip says why.
    void setStamp(const StampPicture& stamp);
    // Tooltips on or off; the select tool offered or not (marks then cannot be moved later).
    void setToolTipsShown(bool shown);
    void setSelectable(bool selectable);
    void setBackColour(const QColor& colour);
    // Makes the editor's style the one shown (colour, fill) after the owner changed it.
    void showStyle();

    QToolButton* toolButton(MarkerTool tool) const;
    void chooseTool(MarkerTool tool);

signals:
    void commitRequested();
    void closedByUser();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QToolButton* addButton(const QString& name, const QString& text, const QString& tip);
    void updateButtons();
    void chooseColour(int index);

    MarkEditor& m_editor;
    QButtonGroup* m_tools = nullptr;
    std::map<MarkerTool, double> m_widths;
    QSpinBox* m_width = nullptr;
    QSpinBox* m_points = nullptr;
    QToolButton* m_fill = nullptr;
    QToolButton* m_undo = nullptr;
    QToolButton* m_redo = nullptr;
    QToolButton* m_delete = nullptr;
    QToolButton* m_commit = nullptr;
    std::vector<QToolButton*> m_colourButtons;
    std::map<QWidget*, QString> m_tips;
    bool m_tipsShown = true;
};

}  // namespace tavlo
