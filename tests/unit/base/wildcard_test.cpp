#include "base/wildcard.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

TEST(Wildcard, StarsAndQuestionMarks) {
  EXPECT_TRUE(matchesWildcard(u"*", u"anything"));
  EXPECT_TRUE(matchesWildcard(u"*.h", u"stdio.h"));
  EXPECT_FALSE(matchesWildcard(u"*.h", u"stdio.hpp"));
  EXPECT_TRUE(matchesWildcard(u"a?c", u"abc"));
  EXPECT_FALSE(matchesWildcard(u"a?c", u"ac"));
  EXPECT_TRUE(matchesWildcard(u"*a*b*", u"xxaxxbxx"));
  EXPECT_FALSE(matchesWildcard(u"*a*b", u"xxaxxbxx"));
  EXPECT_TRUE(matchesWildcard(u"a.txt", u"a.txt"));
  EXPECT_FALSE(matchesWildcard(u"a.txt", u"A.TXT"));  // names as the file system stores them
}

TEST(Wildcard, StarDotStarMatchesNamesWithoutADotToo) {
  EXPECT_TRUE(matchesWildcard(u"*.*", u"Makefile"));
  EXPECT_TRUE(matchesWildcard(u"*.*", u"a.b"));
  EXPECT_FALSE(matchesWildcard(u"x*.*", u"Makefile"));
}

TEST(Wildcard, BacktrackingStaysLinearOnLongNames) {
  const std::u16string name(4000, u'a');
  EXPECT_FALSE(matchesWildcard(u"*a*a*a*a*a*b", name));
}

}  // namespace
}  // namespace vesk
