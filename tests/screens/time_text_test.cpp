#include "screens/time_text.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

struct TimeCase
{
    double days;
    const char *text;
};

class TimeTextTest : public ::testing::TestWithParam<TimeCase>
{};

TEST_P(TimeTextTest, WritesHoursWithoutAndMinutesSecondsWithLeadingZero)
{
    EXPECT_EQ(timeText(GetParam().days), QString::fromUtf8(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Times, TimeTextTest,
    ::testing::Values(TimeCase{0.0, "0:00:00"}, TimeCase{181.0 / 86400, "0:03:01"},
                      TimeCase{180.0 / 86400, "0:03:00"}, TimeCase{0.5, "12:00:00"},
                      TimeCase{(23 * 3600 + 59 * 60 + 59) / 86400.0, "23:59:59"},
                      TimeCase{46365.75, "18:00:00"}, // a date part is ignored
                      TimeCase{-1.0 / 86400, "0:00:01"}));

TEST(TimeText, TheCountdownResidueAfter181StepsStillReadsZero)
{
    // The countdown subtracts the double nearest one second from the double nearest 181 seconds.
    double left = 181.0 / 86400;
    const double step = 1.0 / 86400;
    for (int tick = 1; tick <= 180; ++tick) {
        left -= step;
        ASSERT_NE(Right(timeText(left), 5), "00:00") << "tick " << tick;
    }
    left -= step;
    EXPECT_EQ(Right(timeText(left), 5), "00:00");
}

TEST(TimeText, DayCountsAndDatesAgree)
{
    EXPECT_EQ(dayCount(QDate(1899, 12, 30)), 0.0);
    EXPECT_EQ(dateText(dayCount(QDate(2026, 12, 9))), "09.12.2026");
    EXPECT_DOUBLE_EQ(timeOfDay(QTime(0, 3, 0, 999)), 180.0 / 86400);
    EXPECT_EQ(Right("0:02:59", 5), "02:59");
    EXPECT_EQ(Right("59", 5), "59");
}

TEST(TimeText, TheDateTakesTheSystemsShortFormAndTheRussianOneWhereThereIsNone)
{
    const QLocale system;
    const double day = dayCount(QDate(2026, 12, 9));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString american = dateText(day);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    const QString russian = dateText(day);
    QLocale::setDefault(QLocale::c());
    const QString none = dateText(day);
    QLocale::setDefault(system);

    EXPECT_EQ(american, "12/9/26");
    EXPECT_EQ(russian, "09.12.2026");
    EXPECT_EQ(none, "09.12.2026");
}

} // namespace
