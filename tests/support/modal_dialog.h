#pragma once

#include <QDialog>

#include <functional>
#include <memory>

namespace tavlo::test {

// Works the next modal dialog as a person would: as soon as the event loop runs, the open modal
// dialog (of type D) is activated and handed to `user`; a dialog still open afterwards is closed
// through its frame, so a failing test never waits for a person. The flag turns true when a
// dialog was reached. Call it just before the call that opens the dialog.
template <typename D = QDialog> std::shared_ptr<bool> whenModalOpens(std::function<void(D&)> user);

// The untyped core of whenModalOpens.
std::shared_ptr<bool> whenDialogOpens(std::function<void(QDialog&)> user);

template <typename D> std::shared_ptr<bool> whenModalOpens(std::function<void(D&)> user)
{
    return whenDialogOpens([user = std::move(user)](QDialog& dialog) {
        if (auto* typed = qobject_cast<D*>(&dialog))
            user(*typed);
    });
}

}  // namespace tavlo::test
