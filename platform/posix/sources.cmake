set(VESK_PLATFORM_SOURCES
  platform/utf8.cpp
  platform/posix/codepage.cpp
  platform/posix/console.cpp
  platform/posix/files.cpp
  platform/posix/filesystem.cpp
  platform/posix/redirection.cpp)
set(VESK_ENTRY_SOURCE platform/posix/entry.cpp)
