list(APPEND VESK_CORE_SOURCES
  targets/folder_walk.cpp
  targets/target_resolution.cpp)
