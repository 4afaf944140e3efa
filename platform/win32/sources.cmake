set(VESK_PLATFORM_SOURCES
  platform/utf8.cpp
  platform/win32/codepage.cpp
  platform/win32/console.cpp
  platform/win32/files.cpp
  platform/win32/filesystem.cpp
  platform/win32/redirection.cpp)
set(VESK_ENTRY_SOURCE platform/win32/entry.cpp)
