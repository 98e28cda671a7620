#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace tavlo {

// One entry of the registered size list: "name,width,height,unit". Entries are joined by ":" into
// the list the main window keeps as sRangeList and saves as "PC_RNG".
struct SizeEntry {
    QString name;
    float width = 0;  // the leading number of the width text (no number reads as 0)
    float height = 0;
    bool centimetres = false;  // unit "cm" in any letter case; anything else counts as pixels

    QString unitText() const { return centimetres ? QStringLiteral("cm") : QStringLiteral("px"); }
};

// Reads an entry; no entry when it has fewer than four fields. Fields beyond the fourth are
// ignored.
std::optional<SizeEntry> parseSizeEntry(const QString& text);

// A width or height as the dialog writes it: the shortest form of the single-precision value.
QString sizeText(float value);

// True when the text can stand as a field of an entry: it holds neither "," (which separates the
// fields) nor ":" (which separates the entries).
bool fitsSizeEntry(const QString& field);

// The entries of a list that can be read, in order: empty segments and entries of fewer than four
// fields left out, so that each position stands for the same entry wherever the list is shown.
QStringList readableSizeEntries(const QString& list);

}  // namespace tavlo
