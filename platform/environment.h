// The process's environment variables, as text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vesk::platform {

// The value of an environment variable; nullopt when it is not set.
std::optional<std::u16string> environmentVariable(std::u16string_view name);

}  // namespace vesk::platform
