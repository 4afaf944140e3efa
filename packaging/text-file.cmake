# Makes a text file for the Windows packages: CR LF line ends, optionally a
# UTF-8 byte-order mark (so that every Notepad reads UTF-8), and optionally
# only some "## " sections of a Markdown file (its title and opening text are
# always kept).
#   cmake -DIN=README.md -DOUT=README.txt [-DBOM=ON] [-DSECTIONS=A,B] -P text-file.cmake
# A section named in SECTIONS that the file lacks is an error, so a renamed
# heading cannot drop a section from the package unnoticed.
file(READ "${IN}" text)
string(REPLACE "\r\n" "\n" text "${text}")

if(SECTIONS)
  string(FIND "${text}" "\n## " first)
  if(first EQUAL -1)
    message(FATAL_ERROR "${IN}: no \"## \" sections")
  endif()
  string(SUBSTRING "${text}" 0 ${first} kept)
  string(APPEND kept "\n")
  string(REPLACE "," ";" headings "${SECTIONS}")
  foreach(heading IN LISTS headings)
    string(FIND "${text}" "\n## ${heading}\n" start)
    if(start EQUAL -1)
      message(FATAL_ERROR "${IN}: no section \"## ${heading}\"")
    endif()
    math(EXPR start "${start} + 1")
    string(SUBSTRING "${text}" ${start} -1 rest)
    string(SUBSTRING "${rest}" 1 -1 afterFirst)
    string(FIND "${afterFirst}" "\n## " next)
    if(next EQUAL -1)
      set(section "${rest}")
    else()
      math(EXPR length "${next} + 2")
      string(SUBSTRING "${rest}" 0 ${length} section)
    endif()
    string(APPEND kept "\n${section}")
  endforeach()
  string(REGEX REPLACE "\n\n+$" "\n" text "${kept}")
endif()

string(REPLACE "\n" "\r\n" text "${text}")
if(BOM)
  string(ASCII 239 187 191 bom)
  string(PREPEND text "${bom}")
endif()
file(WRITE "${OUT}" "${text}")
