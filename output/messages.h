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

const MessagePair& messagePair(MessageId id);
std::u16string_view messageText(Language language, MessageId id);
// The subject followed directly by the message text; the " - " that
// separates them belongs to the text.
std::u16string composeMessage(Language language, const Diagnostic& diagnostic);

}  // namespace vesk
