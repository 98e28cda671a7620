#pragma once

#include <QString>
#include <QtGlobal>

namespace tavlo {

// The text of "ﾌｧｲﾙの詳細": ten lines joined by carriage returns (no line feed, none at the end).
//   ｲﾒｰｼﾞｻｲｽﾞ: <data size>         巾: <W>ﾋﾟｸｾﾙ        高さ: <H>ﾋﾟｸｾﾙ        (empty)
//   解像度巾: <xdpi>ﾋﾟｸｾﾙ/ｲﾝﾁ      解像度高さ: <ydpi>ﾋﾟｸｾﾙ/ｲﾝﾁ               (empty)
//   色数: <2^bits> (<bits>bit)     (empty)             ***  Clipboard に貼り付けました
// The numbers in <> are grouped as groupedNumber() does; bits is plain decimal.
struct ImageDetailsReport {
    qint64 dataSize = 0;
    int width = 0;
    int height = 0;
    int dpiX = 0;  // 0 is reported as 72
    int dpiY = 0;
    int bits = 0;

    QString text() const;

    // A number in the form "##,###": digits grouped in threes with the user's locale's group
    // separator, no leading zeros, and an empty text for 0.
    static QString groupedNumber(qint64 value);
};

}  // namespace tavlo
