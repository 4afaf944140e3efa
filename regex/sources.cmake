list(APPEND VESK_CORE_SOURCES
  regex/ecma_translate.cpp
  regex/pattern.cpp
  regex/replacement_format.cpp)
