#include "base/wildcard.h"

namespace vesk {

bool matchesWildcard(std::u16string_view pattern, std::u16string_view name) {
  if (pattern == u"*.*") pattern = u"*";  // as on Windows, also names without a dot
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t starAt = pattern.npos;  // position after the last '*' seen
  std::size_t starName = 0;           // where that '*' currently stops in the name
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      starAt = ++p;
      starName = n;
    } else if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (starAt != pattern.npos) {
      p = starAt;  // let the last '*' take one more character and try again
      n = ++starName;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace vesk
