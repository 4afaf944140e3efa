set(VESK_PLATFORM_SOURCES
  platform/utf8.cpp
  platform/wildcard.cpp
  platform/posix/codepage.cpp
  platform/posix/locale.cpp
  platform/posix/console.cpp
  platform/posix/files.cpp
  platform/posix/filesystem.cpp
  platform/posix/redirection.cpp)
set(VESK_ENTRY_SOURCE platform/posix/entry.cpp)
