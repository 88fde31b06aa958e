# Cross build: the plug-in DLL and the Win32 host.
if(VORN_ARCH STREQUAL "x64")
  set(VORN_PLUGIN_NAME Vorn64)
  set(VORN_HOST_NAME vornhost64)
else()
  set(VORN_PLUGIN_NAME Vorn)
  set(VORN_HOST_NAME vornhost)
endif()

# Everything static: the .8bf imports nothing beyond system DLLs. No link
# time in the headers (the PE header's and the export table's time stamps
# stay 0), so that the same sources give the same file.
set(VORN_STATIC_LINK -static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp)

file(GLOB RESOURCE_SCRIPTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*.rc)
include(cmake/Resources.cmake)

add_library(vorn_plugin SHARED ${CORE_PORTABLE} ${CORE_WIN32} ${VORN_RESOURCE_OBJECTS})
target_include_directories(vorn_plugin PRIVATE ${CMAKE_SOURCE_DIR} ${VORN_GENERATED_DIR})
target_compile_options(vorn_plugin PRIVATE ${VORN_PLUGIN_COMPILE_OPTIONS})
set_target_properties(vorn_plugin PROPERTIES
  OUTPUT_NAME ${VORN_PLUGIN_NAME} PREFIX "" SUFFIX ".8bf")
# The link map lists every object and symbol that went into the plug-in; a
# system test reads it to prove that no test-only code ships.
target_link_options(vorn_plugin PRIVATE ${VORN_STATIC_LINK}
                    -Wl,-Map=${CMAKE_BINARY_DIR}/${VORN_PLUGIN_NAME}.map)
target_link_libraries(vorn_plugin PRIVATE user32 kernel32 gdi32)

# The Win32 host loads a .8bf at run time; it links only the host side.
add_library(vorn_winhost STATIC ${HOST_PORTABLE} ${HOST_WIN32})
target_include_directories(vorn_winhost PUBLIC ${CMAKE_SOURCE_DIR})
if(CLI_WIN32)
  # The Win32 host reads and writes through the system's codecs (WIC,
  # cli/image/WicImageWin32.cpp) in place of libvips.
  set(CLI_WINDOWS_SOURCES ${CLI_PORTABLE} ${CLI_IMAGE_PORTABLE} ${CLI_IMAGE_WIN32})
  list(FILTER CLI_WINDOWS_SOURCES EXCLUDE REGEX "/cli/(WholeImage|image/Vips[A-Za-z]*)\\.cpp$")
  add_executable(vornhost ${CLI_WINDOWS_SOURCES} ${CLI_WIN32})
  target_include_directories(vornhost PRIVATE ${VORN_GENERATED_DIR})
  # zlib (mingw's own, libz-mingw-w64-dev, linked statically) only for the
  # PNG that WIC's encoder does not write right: gray with alpha, 16 bits.
  find_library(VORN_MINGW_ZLIB NAMES libz.a REQUIRED)
  find_path(VORN_MINGW_ZLIB_INCLUDE zlib.h REQUIRED)
  target_include_directories(vornhost SYSTEM PRIVATE ${VORN_MINGW_ZLIB_INCLUDE})
  target_link_libraries(vornhost PRIVATE windowscodecs ole32 oleaut32 ${VORN_MINGW_ZLIB})
  set_target_properties(vornhost PROPERTIES OUTPUT_NAME ${VORN_HOST_NAME})
  target_link_libraries(vornhost PRIVATE vorn_winhost comctl32 user32 gdi32)
  target_link_options(vornhost PRIVATE ${VORN_STATIC_LINK})
endif()

# Win32 test drivers: each tests/win32/*.cpp is a program that loads the real
# plug-in and checks it from the host's side; tests/system scripts run them
# under Wine.
file(GLOB WIN32_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/*.cpp)
foreach(source ${WIN32_TEST_SOURCES})
  get_filename_component(name ${source} NAME_WE)
  add_executable(win_${name} ${source})
  target_link_libraries(win_${name} PRIVATE vorn_winhost comctl32 user32 gdi32)
  target_link_options(win_${name} PRIVATE ${VORN_STATIC_LINK})
endforeach()
