#include "cmdline/thread_setting.h"

namespace vesk {
namespace {

std::optional<unsigned> threadCount(std::u16string_view text) {
  if (text.empty() || text.size() > 2 || text.front() == u'0') return std::nullopt;
  unsigned count = 0;
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    count = count * 10 + static_cast<unsigned>(c - u'0');
  }
  if (count > kThreadsAtMost) return std::nullopt;
  return count;
}

}  // namespace

ThreadSetting threadSettingFrom(const std::optional<std::u16string>& value) {
  if (!value) return {};
  if (const std::optional<unsigned> count = threadCount(*value)) return ThreadSetting{*count, {}};
  return ThreadSetting{0, Diagnostic{MessageId::ThreadsInvalid, u"VESK_THREADS=" + *value}};
}

}  // namespace vesk
