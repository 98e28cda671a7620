#pragma once

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

namespace tavlo::scan {

// A copy of one SANE option descriptor and its current value, taken by the scanning thread so
// that the user-interface thread never reads memory the backend owns.
//
// Values travel as text in one canonical form per type: bool "1" / "0"; int a decimal integer;
// fixed a decimal number ("215.9"; SANE_FIX is applied only by the scanning thread); string as
// is. Arrays (gamma tables and the like) carry no value and are never set by us.
struct ScanOption {
    enum class Type { Bool, Int, Fixed, String, Button, Group };
    enum class Constraint { None, Range, WordList, StringList };

    int index = 0;  // SANE option number, valid while the device stays open
    QString name;   // "mode", "resolution", "tl-x", ... ("" for groups)
    QString title;
    QString description;
    Type type = Type::Int;
    int unit = 0;        // SANE_Unit: 0 none, 1 pixel, 2 bit, 3 mm, 4 dpi, 5 percent, 6 microsecond
    int valueCount = 1;  // words of an int / fixed option; more than 1 for arrays
    bool active = true;
    bool settable = true;
    bool advanced = false;
    bool automatic = false;  // the backend can also choose the value itself (SANE_ACTION_SET_AUTO)

    Constraint constraint = Constraint::None;
    double minimum = 0;  // Range, in the option's own unit
    double maximum = 0;
    double quant = 0;     // 0 = any value
    QList<double> words;  // WordList
    QStringList strings;  // StringList

    QString value;  // current value as text; "" for arrays, buttons, groups and inactive options

    bool isArray() const { return valueCount > 1; }
    // True for an active, settable, single-valued option a settings dialog can show.
    bool isEditable() const;
    // The value brought inside the constraint: numbers clamped to the range and put on its quant
    // step, or the nearest listed word; a string that is not listed gives "". Bool: "1" or "0".
    QString constrained(const QString& text) const;
};

// The option of a name in a list; nullptr when the device has none.
const ScanOption* findOption(const QList<ScanOption>& options, const QString& name);

}  // namespace tavlo::scan

Q_DECLARE_METATYPE(tavlo::scan::ScanOption)
