# What the builds share: the plug-in's folders, the collection of their
# sources by platform, and the generated version header. Included by the
# top-level CMakeLists.txt and by fuzz/CMakeLists.txt.
#
# Source naming: every folder's *.cpp is portable, except *Win32.cpp (only
# in the Windows build) and *Posix.cpp (only in the native build).

get_filename_component(VORN_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

# The folders the plug-in is built from.
set(VORN_PARTS entry labyrinth filter preview dialogs host)

# How the plug-in's own code is compiled in every build of it (the .8bf and
# the native core library): without exceptions, so that a throw or a try
# in it does not compile and nothing can be thrown across PluginMain;
# failures go back through the host's result code.
set(VORN_PLUGIN_COMPILE_OPTIONS -fno-exceptions)

# vorn_collect(<portable> <win32> <posix> <folder>...): the *.cpp files of
# the folders (relative to the repository root), split by platform.
function(vorn_collect out_portable out_win32 out_posix)
  set(portable)
  set(win32)
  set(posix)
  foreach(dir ${ARGN})
    file(GLOB found CONFIGURE_DEPENDS ${VORN_ROOT}/${dir}/*.cpp)
    foreach(f ${found})
      if(f MATCHES "Win32\\.cpp$")
        list(APPEND win32 ${f})
      elseif(f MATCHES "Posix\\.cpp$")
        list(APPEND posix ${f})
      else()
        list(APPEND portable ${f})
      endif()
    endforeach()
  endforeach()
  set(${out_portable} ${portable} PARENT_SCOPE)
  set(${out_win32} ${win32} PARENT_SCOPE)
  set(${out_posix} ${posix} PARENT_SCOPE)
endfunction()

# The version is the one of project(Vorn VERSION ...) in the top-level
# CMakeLists.txt; a build of its own (the fuzz target) reads it from there.
if(DEFINED Vorn_VERSION)
  set(VORN_VERSION ${Vorn_VERSION})
else()
  file(STRINGS ${VORN_ROOT}/CMakeLists.txt vorn_project_line
       REGEX "^project\\(Vorn VERSION [0-9]+\\.[0-9]+\\.[0-9]+ ")
  string(REGEX MATCH "[0-9]+\\.[0-9]+\\.[0-9]+" VORN_VERSION "${vorn_project_line}")
  if(NOT VORN_VERSION)
    message(FATAL_ERROR "No project(Vorn VERSION x.y.z) in ${VORN_ROOT}/CMakeLists.txt")
  endif()
endif()
string(REPLACE "." ";" vorn_version_parts ${VORN_VERSION})
list(GET vorn_version_parts 0 VORN_VERSION_MAJOR)
list(GET vorn_version_parts 1 VORN_VERSION_MINOR)
list(GET vorn_version_parts 2 VORN_VERSION_PATCH)

# VornVersion.h, in a folder of the build that the plug-in's code and the
# resource compiler both search.
set(VORN_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${VORN_ROOT}/resources/VornVersion.h.in ${VORN_GENERATED_DIR}/VornVersion.h @ONLY)
