#include "regex/time_budget.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/clock.h"

namespace vesk::regex {
namespace {

using namespace std::chrono_literals;

// Uses this much processor time (at least one tick of a coarse clock).
void burn(std::chrono::nanoseconds time) {
  const auto start = platform::threadProcessorTime();
  while (platform::threadProcessorTime() - start <= time) {
  }
}

TEST(SubjectBudget, SpentOnceItsTimeIsUsedAndFromThenOn) {
  SubjectBudget budget;
  budget.restart(0ns);
  EXPECT_TRUE(budget.hasTimeLeft());  // the first look starts the clock
  burn(1ms);
  EXPECT_FALSE(budget.hasTimeLeft());
  EXPECT_FALSE(budget.hasTimeLeft());
  budget.restart(1h);
  for (int look = 0; look < 100; ++look) EXPECT_TRUE(budget.hasTimeLeft());
}

// Quick looks read the clock less often, but never so seldom that a spent
// budget goes unnoticed for long.
TEST(SubjectBudget, QuickLooksNoticeASpentBudgetWithinSixteen) {
  SubjectBudget budget;
  budget.restart(5ms);
  for (int look = 0; look < 1000; ++look) budget.hasTimeLeft();
  burn(10ms);
  int looks = 0;
  while (budget.hasTimeLeft()) ++looks;
  EXPECT_LT(looks, 16);
}

}  // namespace
}  // namespace vesk::regex
