#pragma once

#include <QString>

#include <functional>

namespace tavlo {

// The sequential names of the work files: <work folder>/<prefix>-<number><ext>, the number at
// least three digits ("000": 7 -> "007", 1000 -> "1000"), ext ".bmp" or ".tif". The main window
// keeps one sequence; the prefix field (txPfx) and the extension box (cbKak) feed it.
//
// The state the window keeps between writes: prefix() (sPfx), number() (iSeq, 1..32767) and
// saveAsBmp() (bSvBmp), rewritten by every NextWorkFileName.
//
// Rules beyond the plain numbering, so that the counter never overwrites a page by itself:
//  - Without a number in the field (an empty field, a prefix without "-", or nothing numeric after
//    the first "-": "my-scan", "abc-"), the first number from 1 whose file does not exist is
//    taken; past 999 the search goes on up to 32767.
//  - A number typed after the first "-" selects that file, existing or not; numberTyped() says so,
//    and the window asks before it writes over an existing file (the re-scan of one page).
//  - After a write, AdvanceSequence moves to the next number whose file does not exist yet, so
//    filling a gap never lines the next page up against a file that is already there.
//  - The number never passes 32767 and is never 0 or negative (0, a negative number or no number
//    after the dash read as 1). A larger number yields no name and error() says why; so does a
//    prefix holding "/" (it would write outside the work folder).
// Existence is asked of the function given to the constructor (tests) or of the file system.
class WorkFileSequence {
public:
    static constexpr int kMaxNumber = 32767;
    using ExistsFunction = std::function<bool(const QString& path)>;

    explicit WorkFileSequence(ExistsFunction exists = {});

    // NextWorkFileName: the path of the next work file for the prefix text and the extension
    // box's index (0 ".bmp"; any other index, -1 included, ".tif"). "" when no name can be given;
    // error() then holds the reason in Japanese and the state is unchanged.
    QString NextWorkFileName(const QString& prefixText, int extensionIndex,
                             const QString& workFolder);

    // AdvanceSequence: after a successful write of the name NextWorkFileName gave, moves to the
    // next number whose file does not exist and returns the text for the prefix field
    // ("scan-003"). When no number up to 32767 is free, the number stays, the text shows
    // prefix-32768 so that the next name computation refuses it, and error() says why.
    QString AdvanceSequence();

    // After 次の空き番号: moves the name NextWorkFileName gave to the first number from its own
    // whose file does not exist and returns that path; "" (error() says why) when none is free up
    // to 32767. fieldText() then shows it in the prefix field.
    QString TakeFirstFree();

    // The prefix field's text for the present name ("abc-008").
    QString fieldText() const;

    // Whether the last name's number was typed after the dash (rather than found free).
    bool numberTyped() const { return m_typed; }

    const QString& prefix() const { return m_prefix; }
    int number() const { return m_number; }
    bool saveAsBmp() const { return m_bmp; }
    const QString& error() const { return m_error; }

    // A number in the "000" pattern: at least three digits, zero-filled.
    static QString formatNumber(int number);

private:
    QString pathFor(const QString& prefix, int number) const;
    bool exists(const QString& path) const;
    int firstFree(const QString& prefix, int from) const;  // 0 when none up to kMaxNumber
    QString noFreeNumber(const QString& prefix);           // sets error(), returns ""

    ExistsFunction m_exists;
    QString m_prefix;
    int m_number = 1;
    bool m_bmp = true;
    bool m_typed = false;
    QString m_folder;     // of the last name given
    QString m_extension;  // of the last name given
    QString m_error;
};

}  // namespace tavlo
