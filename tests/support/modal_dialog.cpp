#include "tests/support/modal_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

namespace tavlo::test {

std::shared_ptr<bool> whenDialogOpens(std::function<void(QDialog&)> user)
{
    auto reached = std::make_shared<bool>(false);
    QTimer::singleShot(0, [reached, user = std::move(user)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        *reached = true;
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
        user(*dialog);
        if (dialog->isVisible())
            dialog->close();
    });
    return reached;
}

}  // namespace tavlo::test
