#pragma once

#include <QImage>
#include <QString>

namespace tavlo {

// The stamp tool's picture, read from "Stamp.bmp" of the application data folder. A missing or
// unreadable file leaves the picture null and says why in Japanese (the stamp button's tooltip);
// the rest of the tool bar works without it.
struct StampPicture {
    QImage image;     // ARGB32 premultiplied, or null
    QString problem;  // empty when the picture was read

    bool isUsable() const { return !image.isNull(); }
    static StampPicture load(const QString& path);
};

}  // namespace tavlo
