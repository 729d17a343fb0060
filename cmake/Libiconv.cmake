# GNU libiconv, built into the module with hidden symbols.
#
# By default the copy of GNU libiconv 1.14 that the npm package iconv@3.0.1
# bundles is fetched with `npm pack` at configure time, checked against a
# pinned SHA-512, unpacked into the build tree and compiled with its extra
# encodings (ENABLE_EXTRA). Its sources are never part of this repository.
#
# With ZK_SYSTEM_LIBICONV=ON an installed GNU libiconv is used instead;
# configuration fails unless it really is GNU libiconv.
#
# Either way the result is the target zk::libiconv.

set(ZK_ICONV_NPM_SPEC "iconv@3.0.1")
set(ZK_ICONV_TARBALL "iconv-3.0.1.tgz")
set(ZK_ICONV_SHA512 "9499c52f155cd1df3647b19f53b6bd46e8ca55443711e7b5f6d3ca59958126d0041911d51321730ad6cd97718f2ae0e71c10514f8fe70d2e11bbd0080d3ef6a8")

if(ZK_SYSTEM_LIBICONV)
  find_path(ZK_ICONV_INCLUDE_DIR iconv.h)
  find_library(ZK_ICONV_LIBRARY NAMES iconv libiconv)
  find_library(ZK_CHARSET_LIBRARY NAMES charset libcharset)
  if(NOT ZK_ICONV_INCLUDE_DIR OR NOT ZK_ICONV_LIBRARY OR NOT ZK_CHARSET_LIBRARY)
    message(FATAL_ERROR
      "ZK_SYSTEM_LIBICONV=ON but no installed GNU libiconv was found "
      "(need iconv.h, libiconv and libcharset). Set ZK_ICONV_INCLUDE_DIR, "
      "ZK_ICONV_LIBRARY and ZK_CHARSET_LIBRARY, or build the pinned copy "
      "with ZK_SYSTEM_LIBICONV=OFF.")
  endif()
  include(CheckCSourceCompiles)
  set(CMAKE_REQUIRED_INCLUDES ${ZK_ICONV_INCLUDE_DIR})
  check_c_source_compiles([=[
    #include <iconv.h>
    #ifndef _LIBICONV_VERSION
    #error not GNU libiconv
    #endif
    int main(void) { return 0; }]=] ZK_ICONV_IS_GNU)
  unset(CMAKE_REQUIRED_INCLUDES)
  if(NOT ZK_ICONV_IS_GNU)
    message(FATAL_ERROR
      "The iconv.h found at ${ZK_ICONV_INCLUDE_DIR} is not GNU libiconv "
      "(_LIBICONV_VERSION is not defined; this is probably the C library's "
      "iconv). This module needs GNU libiconv: its big-endian \"UTF-16\" "
      "with the mark FE FF and its extra encodings.")
  endif()
  add_library(zk_libiconv INTERFACE)
  target_include_directories(zk_libiconv INTERFACE ${ZK_ICONV_INCLUDE_DIR})
  target_link_libraries(zk_libiconv INTERFACE ${ZK_ICONV_LIBRARY} ${ZK_CHARSET_LIBRARY})
  add_library(zk::libiconv ALIAS zk_libiconv)
  return()
endif()

set(ZK_ICONV_DIR ${CMAKE_BINARY_DIR}/_deps/libiconv)
set(ZK_ICONV_PACKAGE ${ZK_ICONV_DIR}/package)
set(ZK_ICONV_ARCHIVE ${ZK_ICONV_DIR}/${ZK_ICONV_TARBALL})

if(NOT EXISTS ${ZK_ICONV_PACKAGE}/deps/libiconv/lib/iconv.c)
  file(MAKE_DIRECTORY ${ZK_ICONV_DIR})
  if(NOT EXISTS ${ZK_ICONV_ARCHIVE})
    find_program(ZK_NPM npm)
    if(NOT ZK_NPM)
      message(FATAL_ERROR "npm is needed to obtain GNU libiconv (${ZK_ICONV_NPM_SPEC}); "
                          "install it (apt-get install npm) or set ZK_SYSTEM_LIBICONV=ON.")
    endif()
    message(STATUS "Fetching GNU libiconv with npm pack ${ZK_ICONV_NPM_SPEC}")
    execute_process(
      COMMAND ${ZK_NPM} pack ${ZK_ICONV_NPM_SPEC} --silent
      WORKING_DIRECTORY ${ZK_ICONV_DIR}
      RESULT_VARIABLE npm_result
      OUTPUT_VARIABLE npm_output
      ERROR_VARIABLE npm_error)
    if(NOT npm_result EQUAL 0 OR NOT EXISTS ${ZK_ICONV_ARCHIVE})
      message(FATAL_ERROR "npm pack ${ZK_ICONV_NPM_SPEC} failed:\n${npm_output}${npm_error}")
    endif()
  endif()
  file(SHA512 ${ZK_ICONV_ARCHIVE} actual_sha512)
  if(NOT actual_sha512 STREQUAL ZK_ICONV_SHA512)
    file(REMOVE ${ZK_ICONV_ARCHIVE})
    message(FATAL_ERROR "${ZK_ICONV_TARBALL} has SHA-512 ${actual_sha512}, "
                        "expected ${ZK_ICONV_SHA512}; refusing to build it.")
  endif()
  file(ARCHIVE_EXTRACT INPUT ${ZK_ICONV_ARCHIVE} DESTINATION ${ZK_ICONV_DIR}
       PATTERNS package/deps/libiconv package/support package/LICENSE)
endif()

# The library's own sources (they do not link zk_warnings: warnings there
# are not ours to fix).
add_library(zk_libiconv STATIC
  ${ZK_ICONV_PACKAGE}/deps/libiconv/lib/iconv.c
  # The package's locale_charset is a stub answering ""; ours answers the
  # locale's real character set.
  ${PROJECT_SOURCE_DIR}/platform/${ZK_PLATFORM}/locale_charset.cpp)
target_compile_definitions(zk_libiconv PRIVATE ICONV_CONST=const ENABLE_EXTRA=1)
# Several of the library's converters (utf32.h, ucs4.h, tcvn.h, viscii.h)
# shift a byte into the sign bit of an int: undefined in C, but GCC (and
# Clang) document signed left shifts as computed bit for bit, and -fwrapv
# with -fno-strict-overflow keeps signed arithmetic wrapping in this file.
# The undefined-behaviour sanitizer still reports those shifts and aborts, so
# the sanitizer tree turns off its shift-base check for this one file only,
# leaving every other check on; its sources are not ours to edit.
set(ZK_ICONV_OPTIONS -fwrapv -fno-strict-overflow)
if(ZK_SANITIZE OR ZK_FUZZ)
  list(APPEND ZK_ICONV_OPTIONS -fno-sanitize=shift-base)
endif()
set_source_files_properties(${ZK_ICONV_PACKAGE}/deps/libiconv/lib/iconv.c
  PROPERTIES COMPILE_OPTIONS "${ZK_ICONV_OPTIONS}")
target_include_directories(zk_libiconv SYSTEM PUBLIC ${ZK_ICONV_PACKAGE}/support)
target_link_libraries(zk_libiconv PRIVATE zkplatform)
add_library(zk::libiconv ALIAS zk_libiconv)
