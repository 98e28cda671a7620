#include "main_window/menu_tree.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace tavlo {
namespace {
QString t(const char* utf8)
{
    return QString::fromUtf8(utf8);
}
}  // namespace

MenuTree::MenuTree(QMenuBar* bar, QObject* parent) : QObject(parent)
{
    const char* const topCaptions[] = {"ﾌｧｲﾙ(&F)", "ｽｷｬﾝ", "画像編集(&E)", "表示(&D)", "設定(&U)"};
    for (int i = 0; i < 5; ++i) {
        m_top[i] = bar->addMenu(t(topCaptions[i]));
        mnJb.add(i, m_top[i]->menuAction());
        // Opening a top-level menu is that entry's click.
        connect(m_top[i], &QMenu::aboutToShow, &mnJb, [this, i] { emit mnJb.clicked(i); });
    }
    // Help has no drop-down: choosing it acts at once.
    QAction* help = bar->addAction(t("ﾍﾙﾌﾟ(&H)"));
    mnJb.add(5, help);
    connect(help, &QAction::triggered, &mnJb, [this] { emit mnJb.clicked(5); });

    buildFile(m_top[0]);
    buildScan(m_top[1]);
    buildEdit(m_top[2]);
    buildView(m_top[3]);
    buildSettings(m_top[4]);
}

QList<MenuGroup*> MenuTree::groups()
{
    return {&mnJb,  &mnFile,   &mnScan,   &mnClp,  &mnEdt,  &mnUsHn, &mnRng,  &mnResize,
            &mnCut, &mnRotate, &mnColr,   &mnZoom, &mnDisp, &mnUsr,  &mnGen,  &mnPrn};
}

QMenu* MenuTree::topMenu(int jbIndex) const
{
    return jbIndex >= 0 && jbIndex < 5 ? m_top[jbIndex] : nullptr;
}

QAction* MenuTree::addItem(QMenu* menu, MenuGroup& group, int index, const QString& caption,
                           const QKeySequence& key, int flags)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QStringLiteral("%1_%2").arg(group.name()).arg(index));
    if (!key.isEmpty())
        action->setShortcut(key);
    action->setEnabled(!(flags & Disabled));
    action->setCheckable(flags & (Checkable | Checked));
    action->setChecked(flags & Checked);
    action->setVisible(!(flags & Hidden));
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
    action->setEnabled(!(flags & Disabled));
    group.add(index, action);
    // Opening the submenu is the click of the item that holds it.
    connect(sub, &QMenu::aboutToShow, &group, [&group, index] { emit group.clicked(index); });
    return sub;
}

void MenuTree::buildFile(QMenu* m)
{
    addItem(m, mnFile, 0, t("開く(&O)"), QKeySequence(Qt::CTRL | Qt::Key_O));
    addItem(m, mnFile, 1, t("上書き保存(&S)"), QKeySequence(Qt::Key_F8), Disabled);
    addItem(m, mnFile, 2, t("名前を付けて保存"), {}, Disabled);
    addSeparator(m, mnFile, 3);
    addItem(m, mnFile, 4, t("印刷設定"));
    addItem(m, mnFile, 5, t("印刷(&P)"), QKeySequence(Qt::CTRL | Qt::Key_P), Disabled);
    addSeparator(m, mnFile, 6);
    addItem(m, mnFile, 7, t("作業ﾌｫﾙﾀﾞに保存"), QKeySequence(Qt::CTRL | Qt::Key_W), Disabled);
    addItem(m, mnFile, 8, t("作業ﾌｫﾙﾀﾞをｴｸｽﾌﾟﾛｰﾗｰで開く"), QKeySequence(Qt::CTRL | Qt::Key_E));
    addItem(m, mnFile, 9, t("作業ﾌｫﾙﾀﾞを Pelmoで開く"), QKeySequence(Qt::CTRL | Qt::Key_A));
    addSeparator(m, mnFile, 10);
    addItem(m, mnFile, 11, t("作業ﾌｫﾙﾀﾞを空にする"));
    addSeparator(m, mnFile, 12);
    addItem(m, mnFile, 13, t("ﾌｧｲﾙの詳細"));
    addSeparator(m, mnFile, 14);
    addItem(m, mnFile, 15, t("終了(&X)"));
}

void MenuTree::buildScan(QMenu* m)
{
    addItem(m, mnScan, 0, t("実行"));
    addSeparator(m, mnScan, 2);
    addItem(m, mnScan, 3, t("ｿｰｽの選択"));
}

void MenuTree::buildEdit(QMenu* m)
{
    addItem(m, mnClp, 0, t("ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ"), QKeySequence(Qt::CTRL | Qt::Key_C), Disabled);
    addItem(m, mnClp, 1, t("ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ・最小化"), {}, Disabled);
    addSeparator(m, mnClp, 2);
    addItem(m, mnClp, 3, t("ｸﾘｯﾌﾟﾎﾞｰﾄﾞから貼付"), QKeySequence(Qt::CTRL | Qt::Key_V));
    addSeparator(m, mnClp, 4);

    m_rangeMenu = addSubmenu(m, mnEdt, 0, t("範囲"), Disabled);
    addItem(m_rangeMenu, mnUsHn, 0, QStringLiteral("?"), {}, Hidden);
    addSeparator(m_rangeMenu, mnRng, 0);
    addItem(m_rangeMenu, mnRng, 1, t("範囲の登録"));
    addItem(m_rangeMenu, mnRng, 2, t("範囲のｸﾘｱ"));
    addSeparator(m_rangeMenu, mnRng, 3);
    addItem(m_rangeMenu, mnRng, 4, t("強調(相対)"));
    addItem(m_rangeMenu, mnRng, 5, t("強調(ﾏｰｶｰ)"));

    addItem(m, mnEdt, 1, t("ﾄﾘﾐﾝｸﾞ"), QKeySequence(Qt::CTRL | Qt::Key_T), Disabled);

    QMenu* resize = addSubmenu(m, mnEdt, 2, t("ﾘｻｲｽﾞ"), Disabled);
    addItem(resize, mnResize, 0, t("横方向を基準に縮小"));
    addItem(resize, mnResize, 1, t("縦方向を基準に縮小"));
    addSeparator(resize, mnResize, 2);
    addItem(resize, mnResize, 3, t("縦横比率を変えて縮小"));

    QMenu* cut = addSubmenu(m, mnEdt, 4, t("綴じ込み"), Disabled);
    addItem(cut, mnCut, 0, t("縦方向"));
    addItem(cut, mnCut, 1, t("横方向"));

    QMenu* rotate = addSubmenu(m, mnEdt, 5, t("回転"), Disabled);
    addItem(rotate, mnRotate, 0, t("左右反転"));
    addItem(rotate, mnRotate, 1, t("上下反転"));
    addSeparator(rotate, mnRotate, 2);
    addItem(rotate, mnRotate, 3, t("右90度"), QKeySequence(Qt::CTRL | Qt::Key_R));
    addItem(rotate, mnRotate, 4, t("右180度"));
    addItem(rotate, mnRotate, 5, t("左90度"), QKeySequence(Qt::CTRL | Qt::Key_L));
    addItem(rotate, mnRotate, 6, t("左180度"));
    addSeparator(rotate, mnRotate, 7);
    addItem(rotate, mnRotate, 8, t("詳細指定"));

    addSeparator(m, mnEdt, 6);

    QMenu* colours = addSubmenu(m, mnEdt, 7, t("色数"), Disabled);
    const char* const colourCaptions[] = {"16色(4bit)", "ｸﾞﾚｰ(4bit)", "256色(8bit)", "ｸﾞﾚｰ(8bit)",
                                          "16bit", "24bit", "32bit"};
    for (int i = 1; i <= 7; ++i)
        addItem(colours, mnColr, i, t(colourCaptions[i - 1]), {}, Checkable);

    addItem(m, mnEdt, 8, t("ﾂｰﾙﾊﾞｰを表示"), {}, Disabled | Checkable);
    addSeparator(m, mnEdt, 9);

    QMenu* zoom = addSubmenu(m, mnEdt, 10, t("ｽﾞｰﾑ"));
    const char* const zoomCaptions[] = {" 50%", " 60%", " 70%", " 80%", " 90%", "100%",
                                        "150%", "200%", "300%", "500%", "750%", "1000%"};
    for (int i = 0; i < 12; ++i)
        addItem(zoom, mnZoom, i, t(zoomCaptions[i]));

    addSeparator(m, mnEdt, 11);
    addItem(m, mnEdt, 12, t("解像度"), {}, Disabled);
}

void MenuTree::buildView(QMenu* m)
{
    addItem(m, mnDisp, 0, t("ｽｹｰﾙ表示"), {}, Checked);
    addSeparator(m, mnDisp, 2);
    addItem(m, mnDisp, 3, t("作業ﾌｫﾙﾀﾞを再表示"));
}

void MenuTree::buildSettings(QMenu* m)
{
    QMenu* reduce = addSubmenu(m, mnUsr, 0, t("ｽｷｬﾝ後減色(&C)"));
    const char* const reduceCaptions[] = {"何もしない", "16色(4bit)", "ｸﾞﾚｰ(4bit)", "256色(8bit)",
                                          "ｸﾞﾚｰ(8bit)", "16bit"};
    for (int i = 0; i < 6; ++i)
        addItem(reduce, mnGen, i, t(reduceCaptions[i]), {}, i == 0 ? Checked : Checkable);

    QMenu* print = addSubmenu(m, mnUsr, 1, t("ｽｷｬﾝ後印刷"));
    const char* const printCaptions[] = {"印刷しない", "画像ｻｲｽﾞで印刷", "用紙ｻｲｽﾞで印刷"};
    for (int i = 0; i < 3; ++i)
        addItem(print, mnPrn, i, t(printCaptions[i]), {}, i == 0 ? Checked : Checkable);
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
