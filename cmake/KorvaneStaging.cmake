# korvane_add_library(<name> [PUBLIC ...] [PRIVATE ...]): one static library per
# subsystem folder, built from the sources of that folder. PUBLIC names what the
# folder's headers expose to their users, PRIVATE what only its .cpp files need.
function(korvane_add_library name)
  cmake_parse_arguments(ARG "" "" "PUBLIC;PRIVATE" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER _sources EXCLUDE REGEX "/main\\.cpp$")
  if(NOT _sources MATCHES "\\.cpp")
    # A subsystem whose code has not been written yet still links.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_PUBLIC} ${ARG_PRIVATE})
    return()
  endif()
  add_library(${name} STATIC ${_sources})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
endfunction()

# korvane_stage_file(<target> <source> <destination relative to the app folder>)
function(korvane_stage_file target source destination)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${source} ${KORVANE_APP_DIR}/${destination}
    VERBATIM)
endfunction()
