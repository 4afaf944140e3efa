// The bilingual message catalogue.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "model/diagnostic.h"
#include "output/console_state.h"

namespace vesk {

// Japanese at index 0, English at index 1: the Language value is the index.
using MessagePair = std::array<std::u16string_view, 2>;

// The English text of NotEnoughMemory as bytes, for when memory ran out
// before the message could be made ready in the run's language.
constexpr std::string_view kNotEnoughMemoryInAscii = "Not enough memory.";

const MessagePair& messagePair(MessageId id);
std::u16string_view messageText(Language language, MessageId id);
// The subject followed directly by the message text; the " - " that
// separates them belongs to the text.
std::u16string composeMessage(Language language, const Diagnostic& diagnostic);

}  // namespace vesk
