#include "tools/tavlo-image/pixel_steps.h"

#include "imaging/process/operation_chain.h"

#include <memory>

namespace tavlo::tools {
namespace {

// Reads one operation of the imaging control's operation chain (process/operation_chain.h): the
// option, its values and the modifiers after it are gathered here and read by the chain itself.
PixelStepParser chainParser(const process::OperationChain::Syntax& syntax)
{
    return [syntax](ArgumentCursor& cursor, QString& error) -> std::optional<PixelStep> {
        QStringList words{syntax.option};
        auto takeValues = [&](const QString& option, int count) {
            for (int i = 0; i < count; ++i) {
                const std::optional<QString> value = cursor.take();
                if (!value) {
                    error = option + QStringLiteral(" の値がありません");
                    return false;
                }
                words.append(*value);
            }
            return true;
        };
        if (!takeValues(syntax.option, syntax.values))
            return std::nullopt;
        for (bool more = true; more;) {
            more = false;
            for (const auto& [modifier, values] : syntax.modifiers) {
                if (cursor.takeFlag(modifier)) {
                    words.append(modifier);
                    if (!takeValues(modifier, values))
                        return std::nullopt;
                    more = true;
                }
            }
        }
        auto chain = std::make_shared<process::OperationChain>();
        error = chain->parse(words, nullptr);
        if (!error.isEmpty())
            return std::nullopt;
        return PixelStep{QString(), [chain](Image& image) { return chain->apply(image); }};
    };
}

}  // namespace

const std::map<QString, PixelStepParser>& pixelStepParsers()
{
    static const std::map<QString, PixelStepParser> parsers = [] {
        std::map<QString, PixelStepParser> table;
        for (const process::OperationChain::Syntax& syntax : process::OperationChain::syntax())
            table.emplace(syntax.option, chainParser(syntax));
        return table;
    }();
    return parsers;
}

}  // namespace tavlo::tools
