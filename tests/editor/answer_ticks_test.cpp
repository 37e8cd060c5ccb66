#include "editor/answer_ticks.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using Ticks = std::array<bool, 4>;

struct TicksCase
{
    const char *label;
    QVariant ball;
    QVariant type;
    std::optional<Ticks> ticks;
};

TEST(AnswerTicksTest, TicksGiveTheStoredCodeOnlyWhereTheKindAllows)
{
    const QVariant options = qlonglong(0);
    const QVariant boxes = qlonglong(1);
    const TicksCase cases[] = {
        {"first answer", qlonglong(1), options, Ticks{true, false, false, false}},
        {"second answer weighs 4", qlonglong(4), options, Ticks{false, true, false, false}},
        {"last answer", qlonglong(16), options, Ticks{false, false, false, true}},
        {"two answers with option buttons", qlonglong(5), options, std::nullopt},
        {"two answers with check boxes", qlonglong(5), boxes, Ticks{true, true, false, false}},
        {"all four", qlonglong(29), boxes, Ticks{true, true, true, true}},
        {"no weight 2", qlonglong(2), options, std::nullopt},
        {"no weight 2 with check boxes", qlonglong(2), boxes, std::nullopt},
        {"beyond all four", qlonglong(30), boxes, std::nullopt},
        {"nothing ticked", qlonglong(0), boxes, std::nullopt},
        {"negative", qlonglong(-1), boxes, std::nullopt},
        {"Null code", QVariant(), boxes, std::nullopt},
        {"code as text", QStringLiteral("4"), options, std::nullopt},
        {"code read as True", true, boxes, std::nullopt},
        {"code read as False", false, boxes, std::nullopt},
        {"kind without answers", qlonglong(4), qlonglong(2), std::nullopt},
        {"Null kind", qlonglong(4), QVariant(), std::nullopt},
        // The exam reads the kind as a number, a text one too.
        {"kind as text", qlonglong(5), QStringLiteral("1"), Ticks{true, true, false, false}},
    };
    for (const TicksCase &c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(ticksOf(c.ball, c.type), c.ticks);
    }
}

TEST(AnswerTicksTest, CodeIsTheSumOfTheTickedWeights)
{
    EXPECT_EQ(codeOf(Ticks{}), 0);
    EXPECT_EQ(codeOf(Ticks{true, false, false, false}), 1);
    EXPECT_EQ(codeOf(Ticks{false, true, false, false}), 4);
    EXPECT_EQ(codeOf(Ticks{true, false, false, true}), 17);
    EXPECT_EQ(codeOf(Ticks{true, true, true, true}), 29);
    // Every non-empty set of check boxes comes back from its own code.
    for (int set = 1; set < 16; ++set) {
        const Ticks ticks{bool(set & 1), bool(set & 2), bool(set & 4), bool(set & 8)};
        EXPECT_EQ(ticksOf(codeOf(ticks), qlonglong(1)), ticks) << "set " << set;
    }
}

} // namespace
