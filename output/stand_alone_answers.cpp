#include "output/stand_alone_answers.h"

#include <string>

#include "output/messages.h"

namespace vesk {

void writeHelpText(ConsoleOutput& output) {
  writeConsoleText(output, messageText(output.console.language, MessageId::HelpText), false);
}

void writeVersionBanner(ConsoleOutput& output, std::string_view banner) {
  writeNarrowStdout(output, "\n" + std::string(banner) + "\n");
}

}  // namespace vesk
