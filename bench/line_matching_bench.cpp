// evaluateLine per line for a literal, a class-heavy pattern and a
// replacement, next to std::wregex doing the same work on the same lines.
// The lines are kept short: std::wregex recurses once per character and
// overflows the stack on long ones. Items per second are lines per second.

#include <benchmark/benchmark.h>

#include <regex>
#include <string>
#include <vector>

#include "search/line_matching.h"

namespace vesk {
namespace {

struct Lines {
  std::vector<std::u16string> text;
  std::vector<std::wstring> wide;
};

// Source-like lines of 40 to 120 characters, one in eight with "foo_bar".
const Lines& sampleLines() {
  static const Lines lines = [] {
    const std::vector<std::u16string> words{
        u"int",   u"return", u"value",     u"count=42", u"(",       u")",     u"{", u"}",
        u"Index", u"size_t", u"data[i]",   u"+",        u"width=7", u"0x1F",  u";", u"if",
        u"else",  u"Buffer", u"next_item", u"//",       u"TODO",    u"const", u"&&"};
    Lines result;
    std::uint32_t state = 12345;
    const auto next = [&state] { return state = state * 1103515245u + 12345u; };
    for (int i = 0; i < 2000; ++i) {
      std::u16string line;
      const std::size_t length = 40 + (next() >> 8) % 80;
      if (i % 8 == 3) line += u"  foo_bar ";
      while (line.size() < length) {
        line += words[(next() >> 8) % words.size()];
        line += u' ';
      }
      line += u'\n';
      result.text.push_back(line);
      result.wide.emplace_back(line.begin(), line.end());
    }
    return result;
  }();
  return lines;
}

struct Work {
  std::u16string_view pattern;
  std::u16string_view replacement;  // empty for a search
  bool isReplace = false;
};

constexpr Work kLiteral{u"foo_bar", u"", false};
constexpr Work kClasses{u"\\b[A-Z][a-z]+[A-Za-z_]*\\s*[=(]|[0-9]+[;)]", u"", false};
constexpr Work kReplacement{u"(\\w+)=(\\d+)", u"$2=$1", true};

std::wstring wide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

void runVesk(benchmark::State& state, const Work& work) {
  const BuiltEntries built = buildEntries(
      {work.isReplace ? makeReplaceTerm(false, false, false, work.pattern, work.replacement)
                      : makeSearchTerm(false, false, false, work.pattern)});
  if (built.failure) state.SkipWithError("pattern does not compile");
  const SearchEntryList& entries = built.entries;
  regex::MatchWorkspace workspace = regex::createMatchWorkspace();
  const Lines& lines = sampleLines();
  std::u16string line;
  std::size_t hits = 0;
  for (auto _ : state) {
    for (const std::u16string& text : lines.text) {
      line = text;
      hits += evaluateLine(entries, workspace, line).hit;
      benchmark::DoNotOptimize(line.data());
    }
  }
  benchmark::DoNotOptimize(hits);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.text.size()));
}

void runWregex(benchmark::State& state, const Work& work) {
  const std::wregex pattern(wide(work.pattern), std::regex_constants::ECMAScript);
  const std::wstring format = wide(work.replacement);
  const Lines& lines = sampleLines();
  std::wstring line;
  std::size_t hits = 0;
  for (auto _ : state) {
    for (const std::wstring& text : lines.wide) {
      line = text;
      if (work.isReplace) {
        const std::wstring result = std::regex_replace(line, pattern, format);
        hits += result != line;
        benchmark::DoNotOptimize(result.data());
      } else {
        hits += std::regex_search(line, pattern);
      }
    }
  }
  benchmark::DoNotOptimize(hits);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.wide.size()));
}

// The standard library way with the pattern compiled again for every line.
void runWregexCompiledPerLine(benchmark::State& state, const Work& work) {
  const std::wstring source = wide(work.pattern);
  const Lines& lines = sampleLines();
  std::size_t hits = 0;
  for (auto _ : state) {
    for (const std::wstring& text : lines.wide) {
      const std::wregex pattern(source, std::regex_constants::ECMAScript);
      hits += std::regex_search(text, pattern);
    }
  }
  benchmark::DoNotOptimize(hits);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.wide.size()));
}

BENCHMARK_CAPTURE(runVesk, literal, kLiteral);
BENCHMARK_CAPTURE(runWregex, literal, kLiteral);
BENCHMARK_CAPTURE(runWregexCompiledPerLine, literal, kLiteral);
BENCHMARK_CAPTURE(runVesk, classes, kClasses);
BENCHMARK_CAPTURE(runWregex, classes, kClasses);
BENCHMARK_CAPTURE(runVesk, replacement, kReplacement);
BENCHMARK_CAPTURE(runWregex, replacement, kReplacement);

}  // namespace
}  // namespace vesk
