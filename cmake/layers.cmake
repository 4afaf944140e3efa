# The folders of the source tree are layers: each is one static library that
# uses only the layers it names, all of them below it. vesk_layer records the
# table, and the `layers` test checks every #include of the tree against it,
# so that an include running upward or sideways fails the tests.
#
#   vesk_layer(NAME SOURCES file... [USES layer...])
function(vesk_layer name)
  cmake_parse_arguments(LAYER "" "" "SOURCES;USES" ${ARGN})
  add_library(vesk_${name} STATIC ${LAYER_SOURCES})
  target_link_libraries(vesk_${name} PUBLIC vesk_build_options)
  foreach(used IN LISTS LAYER_USES)
    if(NOT TARGET vesk_${used})
      message(FATAL_ERROR "layer ${name} uses ${used}, which is not declared below it")
    endif()
    target_link_libraries(vesk_${name} PUBLIC vesk_${used})
  endforeach()
  string(JOIN "," uses ${LAYER_USES})
  set_property(GLOBAL APPEND PROPERTY VESK_LAYER_TABLE "${name}:${uses}")
  set_property(GLOBAL APPEND PROPERTY VESK_LAYER_TARGETS vesk_${name})
endfunction()

# Writes the table for the layers test: one line per layer, "name:used,used".
function(vesk_write_layer_table file)
  get_property(table GLOBAL PROPERTY VESK_LAYER_TABLE)
  string(JOIN "\n" text ${table})
  file(WRITE ${file} "${text}\n")
endfunction()
