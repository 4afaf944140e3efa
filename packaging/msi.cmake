# Makes the Windows Installer package from vesk.wxs with msitools (wixl,
# msibuild):
#   cmake -DARCH=x86|x64 -DVERSION=2.0.0 -DFILES=DIR -DOUT=vesk.msi -P msi.cmake
# DIR holds the zip's five files. As CPack's post-build script for a Windows
# preset it takes them from the zip just made, so that the two packages hold
# the same bytes, and writes vesk-VERSION-win32.msi (or -win64) into the
# output folder, where checksums.cmake, run after it, lists it.
if(DEFINED CPACK_PACKAGE_FILES)
  list(FILTER CPACK_PACKAGE_FILES INCLUDE REGEX "\\.zip$")
  list(LENGTH CPACK_PACKAGE_FILES count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "msi.cmake: CPack made ${count} zips, not one")
  endif()
  if(CPACK_SYSTEM_NAME STREQUAL "win64")
    set(ARCH x64)
  else()
    set(ARCH x86)
  endif()
  set(VERSION "${CPACK_PACKAGE_VERSION}")
  get_filename_component(work "${CPACK_PACKAGE_FILES}" DIRECTORY)
  set(work "${work}/msi")
  file(REMOVE_RECURSE "${work}")
  file(ARCHIVE_EXTRACT INPUT "${CPACK_PACKAGE_FILES}" DESTINATION "${work}")
  set(FILES "${work}/${CPACK_PACKAGE_FILE_NAME}")
  if(CPACK_OUTPUT_FILE_PREFIX)
    set(OUT "${CPACK_OUTPUT_FILE_PREFIX}")
  else()
    set(OUT "${CPACK_PACKAGE_DIRECTORY}")
  endif()
  set(OUT "${OUT}/${CPACK_PACKAGE_FILE_NAME}.msi")
endif()

set(usage "usage: cmake -DARCH=x86|x64 -DVERSION=N.N.N -DFILES=DIR -DOUT=FILE.msi -P msi.cmake")
if(NOT ARCH MATCHES "^(x86|x64)$")
  message(FATAL_ERROR "msi.cmake: ARCH is \"${ARCH}\", not x86 or x64\n${usage}")
endif()
# Windows Installer compares three fields, at most 255.255.65535.
if(NOT VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$"
   OR CMAKE_MATCH_1 GREATER 255 OR CMAKE_MATCH_2 GREATER 255 OR CMAKE_MATCH_3 GREATER 65535)
  message(FATAL_ERROR "msi.cmake: VERSION is \"${VERSION}\", not major.minor.build up to 255.255.65535\n${usage}")
endif()
if(NOT OUT)
  message(FATAL_ERROR "msi.cmake: no OUT\n${usage}")
endif()
get_filename_component(FILES "${FILES}" ABSOLUTE)
foreach(name vesk.exe README.txt README.ja.txt LICENSE.txt THIRD-PARTY-NOTICES.txt)
  if(NOT EXISTS "${FILES}/${name}")
    message(FATAL_ERROR "msi.cmake: no ${name} in FILES (\"${FILES}\")\n${usage}")
  endif()
endforeach()
foreach(tool wixl msibuild)
  find_program(${tool}_program ${tool})
  if(NOT ${tool}_program)
    message(FATAL_ERROR "msi.cmake: ${tool} not found; Debian's packages wixl and msitools have it "
                        "(scripts/setup.sh all installs them)")
  endif()
endforeach()

# The product code follows from the version and the architecture: a package
# rebuilt from the same version is the same product to Windows Installer,
# which refuses to install it beside the one already there.
if(ARCH STREQUAL x64)
  set(namespace 1A712D5E-3CC2-4B24-9B0E-CDCE762F9EE1)
else()
  set(namespace DBD16DE5-13E5-4A6E-A4AE-15AD982F5E48)
endif()
string(UUID product_code NAMESPACE ${namespace} NAME "vesk-${VERSION}-${ARCH}" TYPE SHA1 UPPER)

# Made beside OUT and moved there at the end, so that a failed run leaves no
# package that looks finished.
get_filename_component(out_dir "${OUT}" DIRECTORY)
file(MAKE_DIRECTORY "${out_dir}")
set(unfinished "${OUT}.unfinished")
file(REMOVE "${OUT}" "${unfinished}")
# wixl looks for a relative Source beside the .wxs and takes no absolute one.
file(RELATIVE_PATH files_from_wxs "${CMAKE_CURRENT_LIST_DIR}" "${FILES}")
execute_process(
  COMMAND ${wixl_program} --arch ${ARCH} -D Arch=${ARCH} -D Version=${VERSION}
          -D ProductCode=${product_code} -D Files=${files_from_wxs}
          -o ${unfinished} ${CMAKE_CURRENT_LIST_DIR}/vesk.wxs
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE "${unfinished}")
  message(FATAL_ERROR "msi.cmake: wixl failed (${status})")
endif()

# The PATH entry, as WiX's Environment element would write it for the
# folder appended to the system PATH and taken out on removal; wixl lacks
# that element, so the row goes in as a table of its own. In the name, "="
# sets the variable on install, "-" takes the value out again on removal,
# "*" makes it the machine's (HKLM) variable; "[~];" before the value keeps
# what PATH holds and appends the folder to it.
set(idt_dir "${OUT}.tables")
file(REMOVE_RECURSE "${idt_dir}")
file(MAKE_DIRECTORY "${idt_dir}")
file(WRITE "${idt_dir}/Environment.idt"
     "Environment\tName\tValue\tComponent_\n"
     "s72\tl255\tL255\ts72\n"
     "Environment\tEnvironment\n"
     "PATH\t=-*PATH\t[~];[INSTALLDIR]\tvesk.exe\n")
execute_process(COMMAND ${msibuild_program} ${unfinished} -i ${idt_dir}/Environment.idt RESULT_VARIABLE status)
file(REMOVE_RECURSE "${idt_dir}")
if(NOT status EQUAL 0)
  file(REMOVE "${unfinished}")
  message(FATAL_ERROR "msi.cmake: msibuild failed to add the Environment table (${status})")
endif()
file(RENAME "${unfinished}" "${OUT}")
message(STATUS "msi.cmake: made ${OUT}")
