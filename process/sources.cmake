list(APPEND VESK_CORE_SOURCES
  process/line_matching.cpp
  process/line_reader.cpp
  process/process_file.cpp)
