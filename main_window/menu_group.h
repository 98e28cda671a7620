#pragma once

#include <QMap>
#include <QObject>
#include <QString>

class QAction;

namespace tavlo {

// One indexed group of menu items (mnFile, mnEdt, ...). Index gaps are real: a gap has no item.
// A separator ("-") is an item too, so the indexes of the items after it stay those of the table.
// The group does not own its actions; the menu they stand in does.
class MenuGroup : public QObject {
    Q_OBJECT
public:
    explicit MenuGroup(const QString& name, QObject* parent = nullptr);

    const QString& name() const { return m_name; }

    // Puts an action at an index; a click on it (or, for a submenu's action, opening the submenu)
    // is reported as clicked(index) by whoever owns the menu.
    void add(int index, QAction* action);
    void remove(int index);

    // The item at an index, or nullptr for a gap.
    QAction* item(int index) const { return m_items.value(index, nullptr); }
    QList<int> indexes() const { return m_items.keys(); }
    int count() const { return static_cast<int>(m_items.size()); }

    // The enabled flag of the very item; false for a gap.
    bool isEnabled(int index) const;
    void setEnabled(int index, bool enabled);
    bool isChecked(int index) const;
    void setChecked(int index, bool checked);
    QString caption(int index) const;

    // Checks the item at index and unchecks every other item of the group.
    void checkOnly(int index);

signals:
    void clicked(int index);

private:
    QString m_name;
    QMap<int, QAction*> m_items;
};

}  // namespace tavlo
