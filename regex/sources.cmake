list(APPEND VESK_CORE_SOURCES
  regex/pattern.cpp)
