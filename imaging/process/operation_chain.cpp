#include "imaging/process/operation_chain.h"

#include "imaging/process/mirror.h"
#include "imaging/process/resize.h"
#include "imaging/process/skew_finder.h"
#include "imaging/process/trim.h"

#include <algorithm>
#include <cmath>

namespace tavlo::process {
namespace {

// Whole numbers separated by sep, exactly count of them.
bool readNumbers(const QString& text, QChar sep, int count, int* out)
{
    const QStringList parts = text.split(sep);
    if (parts.size() != count)
        return false;
    for (int i = 0; i < count; ++i) {
        bool ok = false;
        out[i] = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return false;
    }
    return true;
}

QString badValue(const QString& option, const QString& value)
{
    return QStringLiteral("%1 の値が正しくありません: \"%2\"").arg(option, value);
}

QString missingValue(const QString& option)
{
    return QStringLiteral("%1 の値がありません").arg(option);
}

QString orphan(const QString& modifier, const QString& owner)
{
    return QStringLiteral("%1 は %2 の後に指定して下さい").arg(modifier, owner);
}

}  // namespace

const std::vector<OperationChain::Syntax>& OperationChain::syntax()
{
    static const std::vector<Syntax> table = {
        {QStringLiteral("--depth"),
         1,
         {{QStringLiteral("--dither"), 0}, {QStringLiteral("--threshold"), 1}}},
        {QStringLiteral("--rotate"),
         1,
         {{QStringLiteral("--smooth"), 0},
          {QStringLiteral("--keep-size"), 0},
          {QStringLiteral("--fill"), 1}}},
        {QStringLiteral("--mirror-lr"), 0, {}},
        {QStringLiteral("--mirror-tb"), 0, {}},
        {QStringLiteral("--resize"), 1, {}},
        {QStringLiteral("--trim"), 1, {}},
        {QStringLiteral("--straighten"), 0, {}},
    };
    return table;
}

QString OperationChain::parse(const QStringList& arguments, QStringList* rest)
{
    m_steps.clear();
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        auto takeValue = [&](QString* value) {
            if (i + 1 >= arguments.size())
                return false;
            *value = arguments[++i];
            return true;
        };
        Depth* lastDepth = m_steps.empty() ? nullptr : std::get_if<Depth>(&m_steps.back());
        Rotate* lastRotate = m_steps.empty() ? nullptr : std::get_if<Rotate>(&m_steps.back());
        QString value;
        if (arg == QLatin1String("--depth")) {
            if (!takeValue(&value))
                return missingValue(arg);
            bool ok = false;
            const int code = value.toInt(&ok);
            if (!ok || !isColourCode(code))
                return badValue(arg, value);
            m_steps.emplace_back(Depth{ColourCode(code), {}});
        } else if (arg == QLatin1String("--dither")) {
            if (!lastDepth)
                return orphan(arg, QStringLiteral("--depth"));
            lastDepth->options.dither = true;
        } else if (arg == QLatin1String("--threshold")) {
            if (!lastDepth)
                return orphan(arg, QStringLiteral("--depth"));
            if (!takeValue(&value))
                return missingValue(arg);
            bool ok = false;
            lastDepth->options.threshold = value.toInt(&ok);
            if (!ok || lastDepth->options.threshold < 0 || lastDepth->options.threshold > 256)
                return badValue(arg, value);
        } else if (arg == QLatin1String("--rotate")) {
            if (!takeValue(&value))
                return missingValue(arg);
            Rotate rotate;
            bool ok = false;
            rotate.options.centidegrees = value.toInt(&ok);
            if (!ok)
                return badValue(arg, value);
            rotate.options.smooth = false;
            m_steps.emplace_back(rotate);
        } else if (arg == QLatin1String("--smooth") || arg == QLatin1String("--keep-size")) {
            if (!lastRotate)
                return orphan(arg, QStringLiteral("--rotate"));
            if (arg == QLatin1String("--smooth"))
                lastRotate->options.smooth = true;
            else
                lastRotate->options.keepSize = true;
        } else if (arg == QLatin1String("--fill")) {
            if (!lastRotate)
                return orphan(arg, QStringLiteral("--rotate"));
            if (!takeValue(&value))
                return missingValue(arg);
            int rgb[3];
            if (!readNumbers(value, QLatin1Char(','), 3, rgb) ||
                std::any_of(rgb, rgb + 3, [](int c) { return c < 0 || c > 255; }))
                return badValue(arg, value);
            lastRotate->options.fill = qRgb(rgb[0], rgb[1], rgb[2]);
        } else if (arg == QLatin1String("--mirror-lr") || arg == QLatin1String("--mirror-tb")) {
            Rotate rotate;
            rotate.options.mirrorLeftRight = arg == QLatin1String("--mirror-lr");
            rotate.options.mirrorTopBottom = !rotate.options.mirrorLeftRight;
            m_steps.emplace_back(rotate);
        } else if (arg == QLatin1String("--resize")) {
            if (!takeValue(&value))
                return missingValue(arg);
            int size[2];
            if (!readNumbers(value.toLower(), QLatin1Char('x'), 2, size) || size[0] < 1 ||
                size[1] < 1 || size[0] > Image::kMaxSide || size[1] > Image::kMaxSide)
                return badValue(arg, value);
            m_steps.emplace_back(Resize{size[0], size[1]});
        } else if (arg == QLatin1String("--trim")) {
            if (!takeValue(&value))
                return missingValue(arg);
            int r[4];
            if (!readNumbers(value, QLatin1Char(','), 4, r))
                return badValue(arg, value);
            m_steps.emplace_back(Trim{{r[0], r[1], r[2], r[3]}});
        } else if (arg == QLatin1String("--straighten")) {
            m_steps.emplace_back(Straighten{});
        } else if (rest) {
            rest->append(arg);
        }
    }
    return {};
}

QString OperationChain::apply(Image& image) const
{
    for (const Step& step : m_steps) {
        Image result;
        if (const auto* depth = std::get_if<Depth>(&step)) {
            result = convertColour(image, depth->code, depth->options);
            if (result.isNull())
                return QStringLiteral("色数を %1 に変換できません").arg(int(depth->code));
        } else if (const auto* rotate = std::get_if<Rotate>(&step)) {
            // A plain mirror cannot fail, so the image moves in and is mirrored without a copy;
            // a turn works on a shared copy so the image survives a failure.
            if (rotate->options.centidegrees % 36000 == 0)
                result = rotated(std::move(image), rotate->options);
            else
                result = rotated(image, rotate->options);
            if (result.isNull())
                return QStringLiteral("画像を回転できません (メモリ不足か大きすぎます)");
        } else if (const auto* resize = std::get_if<Resize>(&step)) {
            result = resized(image, resize->width, resize->height);
            if (result.isNull())
                return QStringLiteral("画像を %1x%2 に拡大縮小できません")
                    .arg(resize->width)
                    .arg(resize->height);
        } else if (const auto* trim = std::get_if<Trim>(&step)) {
            result = trimmed(image, trim->rect);
            if (result.isNull())
                return QStringLiteral("トリミングの範囲が画像の外です");
        } else if (std::holds_alternative<Straighten>(step)) {
            const std::optional<double> skew = findSkew(image);
            const int centidegrees = skew ? int(std::lround(*skew * 100.0)) : 0;
            if (centidegrees == 0)
                continue;
            RotateOptions turn;
            turn.centidegrees = centidegrees;
            result = rotated(image, turn);
            if (result.isNull())
                return QStringLiteral("画像を回転できません (メモリ不足か大きすぎます)");
        }
        image = std::move(result);
    }
    return {};
}

}  // namespace tavlo::process
