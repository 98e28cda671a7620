#pragma once

namespace tavlo {

class MenuTree;

// The document state of the current image.
enum class DocState {
    NoImage = 0,    // nothing shown
    Unchanged = 1,  // shown as loaded or saved
    Changed = 2,    // changed since it was loaded or saved
};

// The document state together with the enabled flags of the image commands that follow it, and
// the one record of whether the pixels shown differ from the file they came from (or have no file
// at all).
//
// The two are kept apart on purpose: opening an Edit submenu ("ｽﾞｰﾑ" included) sets Changed and
// enables "上書き保存(&S)" without changing a pixel, so only the unsaved-pixels flag decides
// whether a command that replaces the image must ask first.
class DocumentState {
public:
    explicit DocumentState(MenuTree& menus) : m_menus(menus) { }

    DocState state() const { return m_state; }

    // Sets the state and the enabled flags: "上書き保存(&S)" only when Changed; save as, print,
    // save to the work folder, both copies and the image items of the Edit menu whenever there is
    // an image. Nothing else is touched (open, paste, zoom, view and settings stay as they are).
    // NoImage also drops the unsaved-pixels flag: there is nothing left to lose.
    void SetDocState(DocState state);

    // True while the pixels shown are not in any file: after an edit, a paste, or a scanned page
    // that could not be written, until the image is saved, replaced by a load, or cleared.
    bool hasUnsavedPixels() const { return m_unsaved; }

    // Every real change of the pixels comes here, whatever its path (menu, tool button,
    // shortcut, rotation dialog, the view's own marker tool bar through ImageEdited): the pixels
    // are unsaved and the state is Changed with its enabled flags, so "上書き保存(&S)" and F8 work.
    void ImageEdited();
    // An image that has no file yet (a paste): Unchanged, its pixels unsaved.
    void ImageWithoutFile();
    // The image shown is exactly its file: loaded, or written into the work folder. Unchanged.
    void ImageMatchesFile();
    // The image was written by "上書き保存(&S)" or "名前を付けて保存": its pixels are in a file;
    // the state stays as it is.
    void ImageSaved() { m_unsaved = false; }

private:
    MenuTree& m_menus;
    DocState m_state = DocState::NoImage;
    bool m_unsaved = false;
};

}  // namespace tavlo
