#pragma once

#include <QPoint>
#include <QSize>

#include <optional>

namespace tavlo {

// The angle arithmetic of the base-line rotation: angles are whole hundredths of a degree, positive
// turning the image to the left (anticlockwise as seen).

// The turn that makes the line from (x1, y1) to (x2, y2) horizontal: arctangent(dy / dx) x 5729.578
// rounded with halves going to the even neighbour, between -9000 and 9000. Image y grows downwards,
// so a line falling to the right gives a positive angle. Only the slope counts (the order of the
// points does not). No angle when dx or dy is 0: the line is already level or upright, or the two
// points are the same.
std::optional<int> horizontalTurn(int x1, int y1, int x2, int y2);

// The smaller of the two turns that make a line upright, from its horizontal turn a:
// a + 9000 when a < 0, otherwise a - 9000.
int verticalTurn(int horizontal);

// Two points of a base line with the slope of a detected skew (degrees, positive when the lines
// fall to the right), placed across the middle of an image of the size as a person would click
// them: within the image and as far apart as it allows, and chosen so that horizontalTurn gives the
// skew rounded to hundredths wherever whole pixels can express it.
struct BaseLine {
    QPoint start;
    QPoint end;
};
BaseLine baseLineForSkew(double degrees, QSize imageSize);

}  // namespace tavlo
