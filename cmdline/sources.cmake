list(APPEND VESK_CORE_SOURCES
  cmdline/option_letters.cpp
  cmdline/parameter_file.cpp
  cmdline/parse_options.cpp
  cmdline/search_entry.cpp)
