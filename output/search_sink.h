// What the search of an input reports, and to whom: the search reads and
// decides; a printer (output/printers.h) turns what it reports into text.
// The fast paths of the search ask the printer what it needs of a line
// before they decide how much of the line they must make.
#pragma once

#include <cstdint>
#include <string_view>

#include "model/diagnostic.h"

namespace vesk {

// How a line left as it is would be written: not at all (quiet, count and
// list modes), exactly as read (no prefixes, redirected output), or otherwise.
enum class LineOutput { None, AsRead, Other };

// The end of one input.
struct InputEnd {
  std::uint64_t hits = 0;
  bool found = false;
  bool readWhole = true;     // false: a read failed before the end
  std::u16string_view path;  // what messages about reading it name
};

class SearchSink {
 public:
  virtual ~SearchSink() = default;

  // --- What the search asks before it searches ---
  virtual LineOutput lineOutput() const = 0;
  // A line that goes out unchanged may be written as it was read when its
  // bytes are valid UTF-8: UTF-8 in, redirected UTF-8 out.
  virtual bool takesUtf8AsRead() const = 0;
  // Line numbers are shown.
  virtual bool showsLineNumbers() const = 0;

  // --- What the search reports, in the input's order ---
  virtual void beginInput(std::u16string_view displayName) = 0;
  // A line to write: its number and text, or its bytes as read (valid UTF-8,
  // or plain ASCII, which every code page writes unchanged).
  virtual void line(std::uint64_t number, std::u16string_view text) = 0;
  virtual void lineAsRead(std::uint64_t number, std::string_view bytes) = 0;
  // Whole lines passed over that go out as they were read, without prefixes.
  virtual void linesAsRead(std::string_view bytes) = 0;
  virtual void diagnostic(const Diagnostic& diagnostic) = 0;
  virtual void endInput(const InputEnd& end) = 0;
};

}  // namespace vesk
