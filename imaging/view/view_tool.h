#pragma once

#include "imaging/view/view_geometry.h"

#include <QPoint>

class QPainter;

namespace tavlo {

// Something that draws on the view with the left button instead of the selection rubber band (the
// marker tool bar's editor). The view hands it image pixels (the pixel under the pointer, which may
// lie beside the image) and the geometry of the moment; the tool paints after the picture and the
// overlay, in view coordinates. User-interface thread only.
class ViewTool {
public:
    virtual ~ViewTool() = default;
    // A left press; true when the tool takes this drag (the view then neither selects nor reports
    // a click, but still reports the release).
    virtual bool press(QPoint pixel, const ViewGeometry& geometry) = 0;
    virtual void move(QPoint pixel, const ViewGeometry& geometry) = 0;
    virtual void release(QPoint pixel, const ViewGeometry& geometry) = 0;
    // A key pressed while the view has the focus; true when the tool used it.
    virtual bool key(int key) = 0;
    // Paints the tool's marks over the picture; area is the part of the view being repainted.
    virtual void paint(QPainter& painter, const ViewGeometry& geometry,
                       const QRect& area) const = 0;
};

}  // namespace tavlo
