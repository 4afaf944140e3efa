list(APPEND VESK_CORE_SOURCES
  process/line_matching.cpp
  process/line_reader.cpp
  process/line_skipping.cpp
  process/process_file.cpp)
