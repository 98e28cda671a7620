#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace tavlo {

class DocumentState;

// "変更を保存しますか?" (保存 / 破棄 / ｷｬﾝｾﾙ), asked before a command replaces or drops an image
// whose pixels are in no file (DocumentState::hasUnsavedPixels) or that carries uncommitted marks:
// choosing a listed file, opening
// a file, pasting, scanning, emptying the work folder and quitting. The question goes through the
// user-prompt seam.
class UnsavedChangesQuestion {
public:
    explicit UnsavedChangesQuestion(DocumentState& doc) : m_doc(doc) { }

    // Writes the image: saveAs false is "上書き保存(&S)" (which asks for a name when the image has
    // no file), true is "名前を付けて保存". Whether it worked is read from the document state.
    std::function<void(bool saveAs)> SaveImage;

    // Marks drawn with the marker tool bar and not yet in the pixels: they count as changes, since
    // the command would drop them with the image (保存 commits them, as every save does).
    std::function<bool()> HasUncommittedMarks;

    // True when the command may go on: nothing is unsaved, the user chose 保存 and the image was
    // written, or the user chose 破棄. False for ｷｬﾝｾﾙ and for a save that was cancelled or
    // failed (the image stays, unsaved). saveElsewhere makes 保存 ask for a name even when the
    // image has a file (its file is about to be deleted).
    bool AskToSaveChanges(bool saveElsewhere = false);

    static QString text() { return QStringLiteral("変更を保存しますか?"); }
    static QStringList buttons()
    {
        return {QStringLiteral("保存"), QStringLiteral("破棄"), QStringLiteral("ｷｬﾝｾﾙ")};
    }

private:
    DocumentState& m_doc;
};

}  // namespace tavlo
