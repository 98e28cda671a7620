#pragma once

#include "imaging/shape/mark_editor.h"

#include <QColor>
#include <QObject>
#include <QString>

#include <memory>

class QWidget;

namespace tavlo {

class CurrentImage;
class ImageView;
class MarkerToolBar;

// The shape object of the imaging control: the marker tool bar and the marks drawn with it.
// Marks are shapes over the image (MarkEditor, in image pixels) until CommitShape paints them into
// the current image (mark_commit.h) and raises ImageEdited; ClearShape drops them.
//
// The tool bar's settings are read when ShowToolBar(1) shows it. Their meaning here:
//   ToolBarTop, ToolBarLeft   where the tool bar's window goes, in screen pixels (its frame)
//   ToolTips                  true: the buttons explain themselves in tooltips
//   Selectable                true: the select tool is offered, so marks can be moved, resized
//                             and deleted after they were drawn
//   ToolBarCaption            the window title ("ToolBar")
//   HighlighterOpacity        percent of the highlighter's colour multiplied into the picture
//                             (50: the page under it stays readable)
//   FillStyle                 rectangles and ellipses at the start: 0 outlined, 1 filled
//   ToolBarBackColour         the window's background (0xBBGGRR as a number; 16777215 white)
//   PenRed, PenGreen, PenBlue the colour of new marks at the start (0, 0, 255: blue)
//   StampFile                 the stamp tool's picture (a missing or unreadable file disables
//                             that tool only, its tooltip saying why)
//
// ShowToolBar(0) hides the window without any event; the user's close hides it and raises
// ToolBarVisibleChanged(false). The editor takes the view's left drags only while the bar is
// shown; the marks stay painted until committed or cleared. User-interface thread only.
class ShapeObject : public QObject {
    Q_OBJECT
public:
    ShapeObject(CurrentImage& current, ImageView& view, QWidget* owner);
    ~ShapeObject() override;

    int ToolBarTop = 0;
    int ToolBarLeft = 0;
    bool ToolTips = true;
    bool Selectable = true;
    QString ToolBarCaption;
    int HighlighterOpacity = 50;
    int FillStyle = 0;
    int ToolBarBackColour = 0xffffff;
    int PenRed = 0;
    int PenGreen = 0;
    int PenBlue = 255;
    QString StampFile;

    // 1 shows the tool bar with the settings above, 0 hides it. True when done.
    bool ShowToolBar(int show);
    // Shows the bar again as the user left it, settings untouched (a hide that was called off).
    void RestoreToolBar();
    // Drops the marks not yet committed. True when done.
    bool ClearShape();
    // Paints the marks into the current image, drops them and raises ImageEdited when a pixel
    // changed. False without an image; true with no marks (nothing to do).
    bool CommitShape();
    bool HasShapes() const { return !m_editor->marks().empty(); }
    bool isToolBarVisible() const;

    MarkEditor& editor() { return *m_editor; }
    // The tool bar window, made on the first ShowToolBar(1); nullptr before.
    MarkerToolBar* toolBar() const { return m_toolBar; }

signals:
    void ImageEdited();
    void ToolBarVisibleChanged(bool visible);

private:
    void userClosed();

    CurrentImage& m_current;
    ImageView& m_view;
    QWidget* m_owner;
    std::unique_ptr<MarkEditor> m_editor;
    MarkerToolBar* m_toolBar = nullptr;  // owned
};

}  // namespace tavlo
