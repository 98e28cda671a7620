#include "main_window/menu_tree.h"

#include "main_window/menu_items.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace tavlo {

MenuTree::MenuTree(QMenuBar* bar, QObject* parent) : QObject(parent)
{
    for (const MenuItemText& entry : menuItemTexts(mnJb.name())) {
        const int i = entry.index;
        if (i == JbItem::Help) {
            // Help has no drop-down: choosing it acts at once.
            QAction* help = bar->addAction(QString::fromUtf8(entry.caption));
            help->setShortcut(QKeySequence(QString::fromLatin1(entry.shortcut)));  // F1
            mnJb.add(i, help);
            connect(help, &QAction::triggered, &mnJb, [this, i] { emit mnJb.clicked(i); });
            continue;
        }
        m_top[i] = bar->addMenu(QString::fromUtf8(entry.caption));
        mnJb.add(i, m_top[i]->menuAction());
        // Opening a top-level menu is that entry's click.
        connect(m_top[i], &QMenu::aboutToShow, &mnJb, [this, i] { emit mnJb.clicked(i); });
    }

    addItems(m_top[JbItem::File], mnFile);
    addItems(m_top[JbItem::Scan], mnScan);
    addItems(m_top[JbItem::Edit], mnClp);
    addItems(m_top[JbItem::Edit], mnEdt, [this](int index, QMenu* sub) {
        switch (index) {
        case EdtItem::Range:
            m_rangeMenu = sub;
            addItems(sub, mnUsHn);
            addItems(sub, mnRng);
            break;
        case EdtItem::Resize: addItems(sub, mnResize); break;
        case EdtItem::Join: addItems(sub, mnCut); break;
        case EdtItem::Rotate: addItems(sub, mnRotate); break;
        case EdtItem::Colours: addItems(sub, mnColr); break;
        case EdtItem::Zoom: addItems(sub, mnZoom); break;
        default: break;
        }
    });
    addItems(m_top[JbItem::View], mnDisp);
    addItems(m_top[JbItem::Settings], mnUsr, [this](int index, QMenu* sub) {
        addItems(sub, index == UsrItem::ReduceAfterScan ? mnGen : mnPrn);
    });
}

QList<MenuGroup*> MenuTree::groups()
{
    return {&mnJb,  &mnFile,   &mnScan, &mnClp,  &mnEdt,  &mnUsHn, &mnRng, &mnResize,
            &mnCut, &mnRotate, &mnColr, &mnZoom, &mnDisp, &mnUsr,  &mnGen, &mnPrn};
}

QMenu* MenuTree::topMenu(int jbIndex) const
{
    return jbIndex >= 0 && jbIndex < 5 ? m_top[jbIndex] : nullptr;
}

void MenuTree::addItems(QMenu* menu, MenuGroup& group,
                        const std::function<void(int, QMenu*)>& fillSubmenu)
{
    for (const MenuItemText& entry : menuItemTexts(group.name())) {
        const QString caption = QString::fromUtf8(entry.caption);
        if (caption == QLatin1String("-")) {
            addSeparator(menu, group, entry.index);
        } else if (entry.flags & MenuItemText::Submenu) {
            QMenu* sub = addSubmenu(menu, group, entry.index, caption, entry.flags);
            if (fillSubmenu)
                fillSubmenu(entry.index, sub);
        } else {
            addItem(menu, group, entry.index, caption,
                    QKeySequence(QString::fromLatin1(entry.shortcut)), entry.flags);
        }
    }
}

QAction* MenuTree::addItem(QMenu* menu, MenuGroup& group, int index, const QString& caption,
                           const QKeySequence& key, int flags)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QStringLiteral("%1_%2").arg(group.name()).arg(index));
    if (!key.isEmpty())
        action->setShortcut(key);
    action->setEnabled(!(flags & MenuItemText::Disabled));
    action->setCheckable(flags & (MenuItemText::Checkable | MenuItemText::Checked));
    action->setChecked(flags & MenuItemText::Checked);
    action->setVisible(!(flags & MenuItemText::Hidden));
    group.add(index, action);
    // Qt flips a checkable item's mark before reporting the click; the program's handlers decide
    // every mark themselves (and "ｽｹｰﾙ表示" reads the mark as it was), so the flip is undone first.
    connect(action, &QAction::triggered, &group, [&group, action, index](bool checked) {
        if (action->isCheckable())
            action->setChecked(!checked);
        emit group.clicked(index);
    });
    return action;
}

QAction* MenuTree::addSeparator(QMenu* menu, MenuGroup& group, int index)
{
    QAction* action = menu->addSeparator();
    action->setObjectName(QStringLiteral("%1_%2").arg(group.name()).arg(index));
    group.add(index, action);
    return action;
}

QMenu* MenuTree::addSubmenu(QMenu* menu, MenuGroup& group, int index, const QString& caption,
                            int flags)
{
    QMenu* sub = menu->addMenu(caption);
    QAction* action = sub->menuAction();
    action->setObjectName(QStringLiteral("%1_%2").arg(group.name()).arg(index));
    action->setEnabled(!(flags & MenuItemText::Disabled));
    group.add(index, action);
    // Opening the submenu is the click of the item that holds it.
    connect(sub, &QMenu::aboutToShow, &group, [&group, index] { emit group.clicked(index); });
    return sub;
}

QAction* MenuTree::ensureRegisteredSizeItem(int index)
{
    if (QAction* existing = mnUsHn.item(index))
        return existing;
    // Items are kept contiguous from 0, so every missing one below is made first.
    QAction* made = nullptr;
    for (int i = 1; i <= index; ++i) {
        if (mnUsHn.item(i))
            continue;
        made = new QAction(QStringLiteral("?"), m_rangeMenu);
        made->setObjectName(QStringLiteral("mnUsHn_%1").arg(i));
        m_rangeMenu->insertAction(mnRng.item(0), made);
        mnUsHn.add(i, made);
        connect(made, &QAction::triggered, &mnUsHn, [this, i] { emit mnUsHn.clicked(i); });
    }
    return made;
}

void MenuTree::removeRegisteredSizeItemsFrom(int index)
{
    for (int i : mnUsHn.indexes()) {
        if (i < index || i == 0)
            continue;
        QAction* action = mnUsHn.item(i);
        mnUsHn.remove(i);
        m_rangeMenu->removeAction(action);
        delete action;
    }
}

}  // namespace tavlo
