#include "main_window/menu_group.h"

#include <QAction>

namespace tavlo {

MenuGroup::MenuGroup(const QString& name, QObject* parent) : QObject(parent), m_name(name)
{
    setObjectName(name);
}

void MenuGroup::add(int index, QAction* action)
{
    m_items.insert(index, action);
}

void MenuGroup::remove(int index)
{
    m_items.remove(index);
}

bool MenuGroup::isEnabled(int index) const
{
    const QAction* action = item(index);
    return action && action->isEnabled();
}

void MenuGroup::setEnabled(int index, bool enabled)
{
    if (QAction* action = item(index))
        action->setEnabled(enabled);
}

bool MenuGroup::isChecked(int index) const
{
    const QAction* action = item(index);
    return action && action->isChecked();
}

void MenuGroup::setChecked(int index, bool checked)
{
    if (QAction* action = item(index))
        action->setChecked(checked);
}

QString MenuGroup::caption(int index) const
{
    const QAction* action = item(index);
    if (!action)
        return QString();
    return action->isSeparator() ? QStringLiteral("-") : action->text();
}

void MenuGroup::checkOnly(int index)
{
    for (auto it = m_items.cbegin(); it != m_items.cend(); ++it)
        it.value()->setChecked(it.key() == index);
}

}  // namespace tavlo
