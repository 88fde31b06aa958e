# The plug-in's resources: every resources/*.rc is compiled with windres into
# a COFF object that is linked into the .8bf. windres runs directly rather
# than through CMake's RC language so that the project's C++ warning flags
# never reach it. A script includes files beside it (the dialog templates in
# resources/*.dlg and their ids), headers from the source tree (the default
# Amount) and the generated version header; all of them are dependencies of
# every script.
set(VORN_RESOURCE_OBJECTS)
set(VORN_RC_DEFINES)
if(VORN_ARCH STREQUAL "x64")
  list(APPEND VORN_RC_DEFINES -DVORN_X64)
endif()
if(NOT CMAKE_RC_COMPILER)
  message(FATAL_ERROR "The toolchain file names no resource compiler (CMAKE_RC_COMPILER)")
endif()
file(GLOB VORN_RESOURCE_INCLUDES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*.dlg
     ${CMAKE_SOURCE_DIR}/resources/*.h)
list(APPEND VORN_RESOURCE_INCLUDES ${CMAKE_SOURCE_DIR}/entry/DefaultAmount.h
     ${VORN_GENERATED_DIR}/VornVersion.h)
foreach(script ${RESOURCE_SCRIPTS})
  get_filename_component(name ${script} NAME_WE)
  set(object ${CMAKE_BINARY_DIR}/resources/${name}.res.obj)
  add_custom_command(
    OUTPUT ${object}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/resources
    COMMAND ${CMAKE_RC_COMPILER} ${VORN_RC_DEFINES}
            -I ${CMAKE_SOURCE_DIR}/resources -I ${CMAKE_SOURCE_DIR} -I ${VORN_GENERATED_DIR}
            -O coff -i ${script} -o ${object}
    DEPENDS ${script} ${VORN_RESOURCE_INCLUDES}
    COMMENT "Compiling resources ${name}.rc"
    VERBATIM)
  list(APPEND VORN_RESOURCE_OBJECTS ${object})
endforeach()
