#include "imaging/shape/marker_tool_bar.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QSpinBox>
#include <QToolButton>

#include <algorithm>
#include <iterator>

namespace tavlo {
namespace {

struct ToolEntry {
    MarkerTool tool;
    const char* name;
    const char* text;
    const char* tip;
};

const ToolEntry kTools[] = {
    {MarkerTool::Select, "toolSelect", "選択",
     "選択: ﾏｰｸを選んで移動、角をﾄﾞﾗｯｸﾞして拡大縮小、Deleteで削除"},
    {MarkerTool::Pen, "toolPen", "ﾍﾟﾝ", "ﾍﾟﾝ: 自由な線"},
    {MarkerTool::Highlighter, "toolHighlighter", "蛍光", "蛍光ﾍﾟﾝ: 文字が読める半透明の線"},
    {MarkerTool::Line, "toolLine", "直線", "直線"},
    {MarkerTool::Arrow, "toolArrow", "矢印", "矢印"},
    {MarkerTool::Rectangle, "toolRectangle", "四角", "四角形"},
    {MarkerTool::Ellipse, "toolEllipse", "楕円", "楕円"},
    {MarkerTool::Text, "toolText", "文字", "文字: ｸﾘｯｸした位置に入力"},
    {MarkerTool::Stamp, "toolStamp", "印", "ｽﾀﾝﾌﾟ"},
    {MarkerTool::Eraser, "toolEraser", "消去", "ﾏｰｸの消しｺﾞﾑ"},
};

// Starting widths in image pixels: a highlighter covers a line of text on a scanned page.
constexpr double kPenWidth = 6.0;
constexpr double kHighlighterWidth = 36.0;
constexpr int kButtonSide = 28;
constexpr int kBarWidth = 68;

QIcon swatch(const QColor& colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    QPainter painter(&pixmap);
    painter.setPen(Qt::gray);
    painter.drawRect(0, 0, 15, 15);
    return QIcon(pixmap);
}

}  // namespace

const std::vector<std::pair<QColor, QString>>& MarkerToolBar::colours()
{
    static const std::vector<std::pair<QColor, QString>> list = {
        {QColor(0, 0, 0), QString::fromUtf8("黒")},
        {QColor(255, 0, 0), QString::fromUtf8("赤")},
        {QColor(0, 0, 255), QString::fromUtf8("青")},
        {QColor(0, 160, 0), QString::fromUtf8("緑")},
        {QColor(255, 255, 0), QString::fromUtf8("黄")},
        {QColor(255, 128, 0), QString::fromUtf8("橙")},
        {QColor(255, 0, 255), QString::fromUtf8("ﾋﾟﾝｸ")},
        {QColor(255, 255, 255), QString::fromUtf8("白")},
    };
    return list;
}

MarkerToolBar::MarkerToolBar(MarkEditor& editor, QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_editor(editor)
{
    setObjectName(QStringLiteral("MarkerToolBar"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.8));
    setFont(small);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setSpacing(4);
    int row = 0;

    m_tools = new QButtonGroup(this);
    m_tools->setExclusive(true);
    for (std::size_t i = 0; i < std::size(kTools); ++i) {
        const ToolEntry& entry = kTools[i];
        QToolButton* button =
            addButton(QString::fromLatin1(entry.name), QString::fromUtf8(entry.text),
                      QString::fromUtf8(entry.tip));
        button->setCheckable(true);
        m_tools->addButton(button, int(entry.tool));
        grid->addWidget(button, row + int(i) / 2, int(i) % 2);
    }
    row += int(std::size(kTools) + 1) / 2;
    for (std::size_t i = 0; i < colours().size(); ++i) {
        QToolButton* button =
            addButton(QStringLiteral("colour%1").arg(i), QString(), colours()[i].second);
        button->setIcon(swatch(colours()[i].first));
        button->setCheckable(true);
        m_colourButtons.push_back(button);
        connect(button, &QToolButton::clicked, this, [this, i] { chooseColour(int(i)); });
        grid->addWidget(button, row + int(i) / 2, int(i) % 2);
    }
    row += int(colours().size() + 1) / 2;

    grid->addWidget(new QLabel(QString::fromUtf8("太さ"), this), row++, 0, 1, 2);
    m_width = new QSpinBox(this);
    m_width->setObjectName(QStringLiteral("markWidth"));
    m_width->setRange(1, 400);
    m_tips[m_width] = QString::fromUtf8("線の太さ (画像のﾋﾟｸｾﾙ)");
    grid->addWidget(m_width, row++, 0, 1, 2);
    grid->addWidget(new QLabel(QString::fromUtf8("文字ｻｲｽﾞ"), this), row++, 0, 1, 2);
    m_points = new QSpinBox(this);
    m_points->setObjectName(QStringLiteral("markFontSize"));
    m_points->setRange(4, 400);
    m_points->setValue(m_editor.style().fontPoints);
    m_tips[m_points] = QString::fromUtf8("文字の大きさ (ﾎﾟｲﾝﾄ)");
    grid->addWidget(m_points, row++, 0, 1, 2);

    m_fill = addButton(QStringLiteral("markFill"), QString::fromUtf8("塗"),
                       QString::fromUtf8("四角形と楕円を塗りつぶす"));
    m_fill->setCheckable(true);
    grid->addWidget(m_fill, row, 0);
    m_delete = addButton(QStringLiteral("markDelete"), QString::fromUtf8("削除"),
                         QString::fromUtf8("選んだﾏｰｸを削除"));
    grid->addWidget(m_delete, row++, 1);
    m_undo = addButton(QStringLiteral("markUndo"), QString::fromUtf8("戻す"),
                       QString::fromUtf8("元に戻す"));
    grid->addWidget(m_undo, row, 0);
    m_redo = addButton(QStringLiteral("markRedo"), QString::fromUtf8("やり直し"),
                       QString::fromUtf8("やり直し"));
    grid->addWidget(m_redo, row++, 1);
    m_commit = addButton(QStringLiteral("markCommit"), QString::fromUtf8("反映"),
                         QString::fromUtf8("ﾏｰｸを画像に反映"));
    m_commit->setFixedWidth(kBarWidth - 8);
    grid->addWidget(m_commit, row++, 0, 1, 2);
    setFixedWidth(kBarWidth);

    m_widths = {{MarkerTool::Highlighter, kHighlighterWidth}};
    connect(m_tools, &QButtonGroup::idClicked, this,
            [this](int id) { chooseTool(static_cast<MarkerTool>(id)); });
    connect(m_width, &QSpinBox::valueChanged, this, [this](int value) {
        m_editor.style().width = value;
        m_widths[m_editor.tool()] = value;
    });
    connect(m_points, &QSpinBox::valueChanged, this,
            [this](int value) { m_editor.style().fontPoints = value; });
    connect(m_fill, &QToolButton::toggled, this, [this](bool on) { m_editor.style().filled = on; });
    connect(m_undo, &QToolButton::clicked, &m_editor, &MarkEditor::undo);
    connect(m_redo, &QToolButton::clicked, &m_editor, &MarkEditor::redo);
    connect(m_delete, &QToolButton::clicked, &m_editor, &MarkEditor::deleteSelected);
    connect(m_commit, &QToolButton::clicked, this, &MarkerToolBar::commitRequested);
    connect(&m_editor, &MarkEditor::marksChanged, this, &MarkerToolBar::updateButtons);
    chooseTool(m_editor.tool());
    showStyle();
    updateButtons();
}

QToolButton* MarkerToolBar::addButton(const QString& name, const QString& text, const QString& tip)
{
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setText(text);
    button->setFixedSize(kButtonSide, kButtonSide - 4);
    button->setToolButtonStyle(text.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextOnly);
    button->setToolTip(tip);
    m_tips[button] = tip;
    return button;
}

QToolButton* MarkerToolBar::toolButton(MarkerTool tool) const
{
    return static_cast<QToolButton*>(m_tools->button(int(tool)));
}

void MarkerToolBar::chooseTool(MarkerTool tool)
{
    if (QAbstractButton* button = m_tools->button(int(tool)))
        button->setChecked(true);
    m_editor.setTool(tool);
    const auto known = m_widths.find(tool);
    const double width = known != m_widths.end() ? known->second : kPenWidth;
    m_editor.style().width = width;
    const QSignalBlocker quiet(m_width);
    m_width->setValue(int(width));
}

void MarkerToolBar::chooseColour(int index)
{
    m_editor.style().colour = colours()[std::size_t(index)].first;
    showStyle();
}

void MarkerToolBar::showStyle()
{
    const QColor colour = m_editor.style().colour;
    for (std::size_t i = 0; i < m_colourButtons.size(); ++i)
        m_colourButtons[i]->setChecked(colours()[i].first == colour);
    const QSignalBlocker quiet(m_fill);
    m_fill->setChecked(m_editor.style().filled);
}

void MarkerToolBar::setStamp(const StampPicture& stamp)
{
    QToolButton* button = toolButton(MarkerTool::Stamp);
    m_editor.setStamp(stamp.image);
    button->setEnabled(stamp.isUsable());
    m_tips[button] = stamp.isUsable() ? QString::fromUtf8("ｽﾀﾝﾌﾟ") : stamp.problem;
    // The reason a stamp cannot be used is shown even when the other tooltips are off.
    button->setToolTip(m_tipsShown || !stamp.isUsable() ? m_tips[button] : QString());
    if (!stamp.isUsable() && m_editor.tool() == MarkerTool::Stamp)
        chooseTool(MarkerTool::Pen);
}

void MarkerToolBar::setToolTipsShown(bool shown)
{
    m_tipsShown = shown;
    for (const auto& [button, tip] : m_tips) {
        if (button->isEnabled())
            button->setToolTip(shown ? tip : QString());
    }
}

void MarkerToolBar::setSelectable(bool selectable)
{
    toolButton(MarkerTool::Select)->setVisible(selectable);
    m_delete->setVisible(selectable);
    if (!selectable && m_editor.tool() == MarkerTool::Select)
        chooseTool(MarkerTool::Pen);
}

void MarkerToolBar::setBackColour(const QColor& colour)
{
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colour);
    setPalette(colours);
    setAutoFillBackground(true);
}

void MarkerToolBar::updateButtons()
{
    const MarkHistory& history = m_editor.history();
    m_undo->setEnabled(history.canUndo());
    m_redo->setEnabled(history.canRedo());
    m_delete->setEnabled(m_editor.selected() >= 0);
    m_commit->setEnabled(!history.isEmpty());
}

void MarkerToolBar::closeEvent(QCloseEvent* event)
{
    event->accept();
    // Only the user's close (the close box) is reported; the program hides the bar with hide().
    // The report comes after the close is over, so a handler may show the bar again.
    if (event->spontaneous()) {
        hide();
        QMetaObject::invokeMethod(this, &MarkerToolBar::closedByUser, Qt::QueuedConnection);
    }
}

}  // namespace tavlo
