# Release packages, made by CPack from the presets:
#   cpack --preset win32   build-packages/vesk-2.0.0-win32.zip (the product)
#                          and vesk-2.0.0-win32.msi
#   cpack --preset win64   build-packages/vesk-2.0.0-win64.zip and .msi
#   cpack --preset deb     build-packages/vesk_2.0.0_amd64.deb
# and build-packages/SHA256SUMS over the packages there.
set(VESK_PACKAGING_DIR ${CMAKE_CURRENT_SOURCE_DIR}/packaging)

set(CPACK_PACKAGE_NAME vesk)
set(CPACK_PACKAGE_VENDOR "The Vesk developers")
set(CPACK_PACKAGE_CONTACT "The Vesk developers <dev@vesk.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "search and replace text line by line, with ECMAScript regular expressions")
set(CPACK_STRIP_FILES ON)
set(CPACK_POST_BUILD_SCRIPTS ${VESK_PACKAGING_DIR}/checksums.cmake)

if(WIN32)
  # The link map tells which libraries the static link took; the notices are
  # checked against it.
  set(VESK_LINK_MAP ${CMAKE_CURRENT_BINARY_DIR}/vesk.map)
  target_link_options(vesk PRIVATE "LINKER:-Map=${VESK_LINK_MAP}")

  # The texts of the zip, in CR LF. README.txt holds the README's sections
  # for users; README.ja.txt the Japanese manual's, without the Linux build.
  set(text_dir ${CMAKE_CURRENT_BINARY_DIR}/package-text)
  set(text_script ${VESK_PACKAGING_DIR}/text-file.cmake)
  set(readme_sections "Installing,Command line,Text reading rules,Regular expressions,Licence")
  set(readme_ja_sections "インストール,コマンドライン,読み込みの規則,正規表現,終了コード,ライセンス")
  set(texts
      "README.txt|README.md|ON|${readme_sections}"
      "README.ja.txt|README.ja.md|ON|${readme_ja_sections}"
      "LICENSE.txt|LICENSE|OFF|"
      "THIRD-PARTY-NOTICES.txt|THIRD-PARTY-NOTICES.txt|OFF|")
  set(text_outputs)
  foreach(entry IN LISTS texts)
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 out)
    list(GET entry 1 in)
    list(GET entry 2 bom)
    list(GET entry 3 sections)
    add_custom_command(
      OUTPUT ${text_dir}/${out}
      COMMAND ${CMAKE_COMMAND} -DIN=${CMAKE_CURRENT_SOURCE_DIR}/${in} -DOUT=${text_dir}/${out}
              -DBOM=${bom} -DSECTIONS=${sections} -P ${text_script}
      DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${in} ${text_script}
      VERBATIM)
    list(APPEND text_outputs ${text_dir}/${out})
  endforeach()
  add_custom_target(vesk_package_texts ALL DEPENDS ${text_outputs})

  # On a Debian build machine the build fails when the static link takes a
  # library whose notice THIRD-PARTY-NOTICES.txt lacks.
  find_program(VESK_NODE node)
  find_program(VESK_DPKG_QUERY dpkg-query)
  if(VESK_NODE AND VESK_DPKG_QUERY)
    set(stamp ${CMAKE_CURRENT_BINARY_DIR}/notices-checked.stamp)
    add_custom_command(
      OUTPUT ${stamp}
      COMMAND ${VESK_NODE} ${VESK_PACKAGING_DIR}/notices.mjs --map ${VESK_LINK_MAP}
              --check ${CMAKE_CURRENT_SOURCE_DIR}/THIRD-PARTY-NOTICES.txt
      COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
      DEPENDS vesk ${CMAKE_CURRENT_SOURCE_DIR}/THIRD-PARTY-NOTICES.txt ${VESK_PACKAGING_DIR}/notices.mjs
      VERBATIM)
    add_custom_target(vesk_notices_check ALL DEPENDS ${stamp})
  endif()

  install(TARGETS vesk RUNTIME DESTINATION .)
  install(FILES ${text_outputs} DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
  set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
  # The installer is made from the zip's files (packaging/msi.cmake), before
  # the checksums are written.
  set(CPACK_POST_BUILD_SCRIPTS ${VESK_PACKAGING_DIR}/msi.cmake ${VESK_PACKAGING_DIR}/checksums.cmake)
else()
  include(GNUInstallDirs)
  set(deb_dir ${CMAKE_CURRENT_BINARY_DIR}/package-deb)
  file(MAKE_DIRECTORY ${deb_dir})
  # Debian wants the manual page and the changelog compressed at the highest
  # level and without a time stamp (gzip -9n).
  foreach(pair "vesk.1|vesk.1.gz" "debian/changelog|changelog.gz")
    string(REPLACE "|" ";" pair "${pair}")
    list(GET pair 0 in)
    list(GET pair 1 out)
    add_custom_command(
      OUTPUT ${deb_dir}/${out}
      COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${VESK_PACKAGING_DIR}/${in} ${deb_dir}/${out}
      DEPENDS ${VESK_PACKAGING_DIR}/${in}
      VERBATIM)
  endforeach()
  add_custom_target(vesk_package_files ALL DEPENDS ${deb_dir}/vesk.1.gz ${deb_dir}/changelog.gz)

  install(TARGETS vesk RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # As Debian's own packages are stripped: without the compilers' notes.
  install(CODE "execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/vesk\" COMMAND_ERROR_IS_FATAL ANY)")
  install(FILES ${deb_dir}/vesk.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${VESK_PACKAGING_DIR}/debian/copyright ${deb_dir}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vesk)

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # PCRE2 and the C++ runtime come from the system's packages; dpkg-shlibdeps
  # names them with the versions the binary needs.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # CPack puts CPACK_PACKAGE_DESCRIPTION_SUMMARY first, as the synopsis.
  set(CPACK_PACKAGE_DESCRIPTION
      "Vesk searches text for strings and replaces strings in it, line by line.
Terms are ECMAScript regular expressions or literal text; the target is a
file, a wildcard pattern, a folder tree or standard input, read in the
locale's encoding, UTF-8 or UTF-16. Vesk never writes the files it reads:
rewritten text goes to standard output. Messages are in English or Japanese.

Options begin with a slash, as on Windows: vesk /n /s term file.txt")
endif()

include(CPack)
