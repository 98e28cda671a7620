#include "dialogs/dialog_placement.h"

#include <QWidget>

namespace tavlo {

void centreDialogOver(QWidget& dialog, QWidget* mainWindow)
{
    dialog.adjustSize();
    if (!mainWindow)
        return;
    const QRect main = mainWindow->frameGeometry();
    dialog.move(main.left() + (main.width() - dialog.width()) / 2,
                main.top() + (main.height() - dialog.height()) / 2);
}

}  // namespace tavlo
