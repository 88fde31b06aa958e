# Native Linux build: core library, unit tests, command-line host, benchmarks.
option(VORN_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(VORN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# The plug-in's code is compiled without exceptions
# (VORN_PLUGIN_COMPILE_OPTIONS, cmake/Sources.cmake;
# tests/system/build/exception_free.sh checks what it refers to); the hosts and
# tests around it keep them.
add_library(vorn_core STATIC ${CORE_PORTABLE} ${CORE_POSIX})
target_include_directories(vorn_core PUBLIC ${CMAKE_SOURCE_DIR})
target_include_directories(vorn_core PRIVATE ${VORN_GENERATED_DIR})
target_compile_options(vorn_core PRIVATE ${VORN_PLUGIN_COMPILE_OPTIONS})

add_library(vorn_testhost STATIC ${HOST_PORTABLE} ${HOST_POSIX})
target_include_directories(vorn_testhost PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(vorn_testhost PUBLIC vorn_core)

# The command-line host: all of cli/ but main() as a library that the unit
# tests and the test tools link too; image files through libvips
# (cli/image/). bench_pngencode measures libpng itself.
find_package(PNG REQUIRED)
find_package(ZLIB REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(VORN_VIPS REQUIRED IMPORTED_TARGET vips)
set(CLI_LIBRARY_SOURCES ${CLI_PORTABLE} ${CLI_POSIX} ${CLI_IMAGE_PORTABLE})
list(FILTER CLI_LIBRARY_SOURCES EXCLUDE REGEX "/cli/Main\\.cpp$")
add_library(vorn_cli STATIC ${CLI_LIBRARY_SOURCES})
target_link_libraries(vorn_cli PUBLIC vorn_testhost PkgConfig::VORN_VIPS)
target_include_directories(vorn_cli PRIVATE ${VORN_GENERATED_DIR})
add_executable(vorn ${CMAKE_SOURCE_DIR}/cli/Main.cpp)
target_link_libraries(vorn PRIVATE vorn_cli)
add_executable(labcheck ${CMAKE_SOURCE_DIR}/tests/tools/labcheck.cpp)
target_link_libraries(labcheck PRIVATE vorn_cli)

# What only the native test programs need, kept out of the plug-in: a
# counting heap linked in place of host/HeapMemory.cpp and global memory
# that can fail on purpose in place of host/GlobalMemoryPosix.cpp (their
# objects come before the core library, so the core's plain ones are never
# pulled in), the labyrinth's short-form calls and the colours by host
# kind.
file(GLOB TEST_SUPPORT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
add_library(vorn_test_support OBJECT ${TEST_SUPPORT_SOURCES})
target_include_directories(vorn_test_support PUBLIC ${CMAKE_SOURCE_DIR})

enable_testing()
find_package(GTest REQUIRED)
# Unit tests sit in tests/<folder>/ beside the folder they test.
set(VORN_TESTED_FOLDERS entry labyrinth filter preview dialogs host testhost cli)
set(TEST_SOURCES "")
foreach(folder ${VORN_TESTED_FOLDERS})
  file(GLOB folder_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp)
  list(APPEND TEST_SOURCES ${folder_tests})
endforeach()
add_executable(vorn_tests ${TEST_SOURCES})
target_link_libraries(vorn_tests PRIVATE vorn_test_support vorn_testhost vorn_cli ZLIB::ZLIB GTest::gtest
                      GTest::gtest_main)
include(GoogleTest)
gtest_discover_tests(vorn_tests DISCOVERY_TIMEOUT 60
  PROPERTIES LABELS native
  ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/support/lsan.supp:print_suppressions=0")

# Tests that drive the command-line host and the real .8bf under Wine are
# shell scripts in tests/system, grouped: cli/ (the command-line host end to
# end), wine/ (the real plug-ins and Win32 hosts under Wine) and build/ (the
# built files themselves); each gets the build folders it needs.
# Labels sort them for scripts/test.sh's summary: native (the unit tests
# and every script that runs no Windows program), wine-x86 and wine-x64.
set(VORN_WIN32_DIR "" CACHE PATH "Build folder of the 32-bit cross build (for Wine tests)")
set(VORN_WIN64_DIR "" CACHE PATH "Build folder of the 64-bit cross build (for Wine tests)")
set(VORN_RELEASE_DIR "" CACHE PATH "Build folder of the optimised native build (command-line host)")
set(VORN_DIST_DIR "" CACHE PATH "Folder of the release made by scripts/release.sh (its zip is tested)")
set(VORN_TEST_ENVIRONMENT
    "VORN_SOURCE_DIR=${CMAKE_SOURCE_DIR}" "VORN_NATIVE_DIR=${CMAKE_BINARY_DIR}"
    "VORN_WIN32_DIR=${VORN_WIN32_DIR}" "VORN_WIN64_DIR=${VORN_WIN64_DIR}"
    "VORN_RELEASE_DIR=${VORN_RELEASE_DIR}" "VORN_DIST_DIR=${VORN_DIST_DIR}"
    "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/support/lsan.supp:print_suppressions=0")
file(GLOB SYSTEM_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/system/cli/*.sh
     ${CMAKE_SOURCE_DIR}/tests/system/wine/*.sh ${CMAKE_SOURCE_DIR}/tests/system/build/*.sh)
foreach(script ${SYSTEM_TESTS})
  get_filename_component(name ${script} NAME_WE)
  if(script MATCHES "/tests/system/wine/")
    # A Wine test runs once per architecture: system.NAME.x86 for Vorn.8bf
    # and vornhost.exe, system.NAME.x64 for Vorn64.8bf and vornhost64.exe.
    # Where Wine cannot run an architecture's programs, the script says why
    # and ends as skipped. Wine tests share prefixes and their wineservers:
    # one at a time.
    foreach(arch x86 x64)
      add_test(NAME system.${name}.${arch} COMMAND bash ${script})
      set_tests_properties(system.${name}.${arch} PROPERTIES
        ENVIRONMENT "VORN_ARCH=${arch};${VORN_TEST_ENVIRONMENT}"
        LABELS wine-${arch} SKIP_RETURN_CODE 77 TIMEOUT 900 RESOURCE_LOCK wine)
    endforeach()
  else()
    add_test(NAME system.${name} COMMAND bash ${script})
    set_tests_properties(system.${name} PROPERTIES
      ENVIRONMENT "${VORN_TEST_ENVIRONMENT}" LABELS native SKIP_RETURN_CODE 77 TIMEOUT 900)
  endif()
endforeach()

file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
foreach(source ${BENCH_SOURCES})
  get_filename_component(name ${source} NAME_WE)
  add_executable(bench_${name} ${source})
  target_link_libraries(bench_${name} PRIVATE vorn_test_support vorn_testhost)
endforeach()
target_link_libraries(bench_pngencode PRIVATE vorn_cli PNG::PNG)

include(cmake/Package.cmake)
