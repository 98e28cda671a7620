#include "main_window/saved_state.h"

#include "imaging/display_mode.h"

#include "environment/number_text.h"
#include "environment/process_values.h"
#include "environment/settings_store.h"
#include "environment/user_prompt.h"
#include "main_window/clickable_picture.h"
#include "main_window/main_window_operations.h"
#include "main_window/main_window_state.h"
#include "main_window/menu_tree.h"
#include "main_window/tool_strip.h"
#include "main_window/window_placement.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace tavlo {
namespace {

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

const char* const FormSection = "ﾌｫｰﾑ";
const char* const UserSection = "ﾕｰｻﾞｰ";

}  // namespace

SavedState::SavedState(QWidget& window, MainWindowState& state, ToolStrip& strip, MenuTree& menus,
                       MainWindowOperations& ops)
    : m_window(window), m_state(state), m_strip(strip), m_menus(menus), m_ops(ops)
{
}

TwipsScale SavedState::scale() const
{
    return TwipsScale::of(QGuiApplication::primaryScreen());
}

void SavedState::RestoreState(SettingsStore& store)
{
    const TwipsScale s = scale();
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRect screen = primary ? primary->geometry() : QRect(0, 0, 1024, 768);
    const double screenW = s.toTwips(screen.width());
    const double screenH = s.toTwips(screen.height());

    store.GetGtx(u(FormSection));
    const auto twips = [&](const char* key, double def) {
        return roundHalfEven(store.vGtVal(QString::fromLatin1(key), def).toDouble());
    };
    // The first place is measured from the primary screen's own corner, which need not be the
    // desktop's.
    const int left = twips("Left", s.toTwips(screen.x()) + screenW * 0.1);
    const int top = twips("Top", s.toTwips(screen.y()) + screenH * 0.1);
    const int width = twips("Width", screenW * 0.7);
    const int height = twips("Height", screenH * 0.7);

    QRect stored(s.toPixels(left), s.toPixels(top), s.toPixels(width), s.toPixels(height));
    if (width <= 0 || height <= 0)
        stored = QRect();
    QList<QRect> screens;
    for (const QScreen* sc : QGuiApplication::screens())
        screens.append(sc->availableGeometry());
    m_window.setGeometry(WindowPlacement::place(stored, m_window.size(), screens, screen));

    store.GetGtx(u(UserSection));
    const bool scaled = store.vGtVal(u("ｽｹｰﾙ表示"), u("ｽｹｰﾙ")).text() == u("ｽｹｰﾙ");
    m_state.nDspMd = scaled ? DisplayMode::Scaled : DisplayMode::ActualSize;
    m_strip.txPfx()->setText(store.vGtVal(u("保存ﾌｧｲﾙ"), QString()).text());
    m_state.bSvBmp = store.vGtVal(u("保存形式"), u("BMP")).text() == QLatin1String("BMP");
    m_strip.cbKak()->setCurrentIndex(m_state.bSvBmp ? 0 : 1);
    // A whole number; an edited file may hold anything, which is kept within 16 bits rather
    // than failing. Values without a menu item check none.
    m_state.iGenClr = std::clamp(roundHalfEven(store.vGtVal(u("ｽｷｬﾝ後減色"), qint16(0)).toDouble()),
                                 -32768, 32767);
    const QString ranges = store.vGtVal(QStringLiteral("PC_RNG"), QString()).text();
    // Without the registered-size operation (a window wired only in part) the list is kept as
    // read, so it goes back into the file unchanged.
    if (m_ops.BuildRangeMenu)
        m_ops.BuildRangeMenu(ranges);
    else
        m_state.sRangeList = ranges;

    m_menus.mnGen.checkOnly(m_state.iGenClr);
    // A change of the box runs the scale display, which keeps the View menu's mark in step.
    m_strip.chDsp()->setChecked(m_state.nDspMd == DisplayMode::Scaled);
    m_strip.imZoom()->setVisible(m_state.nDspMd == DisplayMode::ActualSize);
}

bool SavedState::SaveState(SettingsStore& store)
{
    const TwipsScale s = scale();
    // A maximised or minimised window is stored with its normal place, so the next start opens
    // it where the user last had it as a normal window.
    const bool normal =
        !(m_window.isMaximized() || m_window.isMinimized() || m_window.isFullScreen());
    const QRect r = normal ? m_window.geometry() : m_window.normalGeometry();

    store.GetGtx(u(FormSection));
    store.SetVal(QStringLiteral("Left"), float(s.toTwips(r.x())));
    store.SetVal(QStringLiteral("Top"), float(s.toTwips(r.y())));
    store.SetVal(QStringLiteral("Width"), float(s.toTwips(r.width())));
    store.SetVal(QStringLiteral("Height"), float(s.toTwips(r.height())));
    store.SetGtx();

    store.GetGtx(u(UserSection));
    store.SetVal(u("ｽｹｰﾙ表示"), m_state.nDspMd == DisplayMode::Scaled ? u("ｽｹｰﾙ") : u("実寸"));
    store.SetVal(u("保存ﾌｧｲﾙ"), m_strip.txPfx()->text());
    store.SetVal(u("保存形式"), m_state.bSvBmp ? QStringLiteral("BMP") : QStringLiteral("TIF"));
    store.SetVal(u("ｽｷｬﾝ後減色"), qint16(m_state.iGenClr));
    store.SetVal(QStringLiteral("PC_RNG"), m_state.sRangeList);
    store.SetGtx();

    bool ok = false;
    store.SetTxt(ok);
    return ok;
}

QString SavedState::saveFailedQuestion(const QString& reason)
{
    return QStringLiteral("設定を保存できませんでした\r") + reason +
           QStringLiteral("\r\rOK でもう一度保存し、ｷｬﾝｾﾙ で保存せずに終了します");
}

bool SavedState::SaveStateAtQuit(SettingsStore& store)
{
    while (!SaveState(store)) {
        if (!userPrompt().confirm(programTitle(), saveFailedQuestion(store.lastError())))
            return false;
    }
    return true;
}

}  // namespace tavlo
