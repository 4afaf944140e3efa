#include "output/console_state.h"

#include "platform/codepage.h"

namespace vesk {
namespace {

constexpr std::uint32_t kJapaneseCodePage = 932;
constexpr std::uint16_t kJapaneseLanguageId = 0x0411;

}  // namespace

ConsoleState probeConsole() {
  ConsoleState state;
  state.stdoutConsole = platform::consoleHandle(platform::StdStream::Output);
  state.stderrConsole = platform::consoleHandle(platform::StdStream::Error);
  const std::uint32_t codePage = platform::consoleOutputCodePage();
  const bool japaneseCodePage =
      codePage == kJapaneseCodePage || codePage == platform::kUtf8CodePage;
  const bool japanese =
      japaneseCodePage && platform::userInterfaceLanguage() == kJapaneseLanguageId;
  state.language = japanese ? Language::Japanese : Language::English;
  state.outputCodePage =
      codePage == platform::kUtf8CodePage ? platform::kUtf8CodePage : platform::kAnsiCodePage;
  return state;
}

}  // namespace vesk
