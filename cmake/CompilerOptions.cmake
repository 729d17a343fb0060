# Flags shared by every target.
#
# -fcheck-new: our allocation operators answer null on failure, so the
#   compiler must test the result of every new-expression before using it.
# -faligned-new=8: pool blocks are aligned to 8 bytes; with this the compiler
#   assumes no more of a plain new and sends over-aligned types to the
#   aligned operators, which honour the requested alignment.
add_compile_options(
  $<$<COMPILE_LANGUAGE:CXX>:-fcheck-new>
  $<$<COMPILE_LANGUAGE:CXX>:-faligned-new=8>)

# Warnings for our own code; third-party sources do not link this target.
# -Werror=delete-non-virtual-dtor: framework objects have no virtual
#   destructor and are destroyed through their deleting-destructor slot; a
#   delete-expression on one of them does not build.
add_library(zk_warnings INTERFACE)
# Clang (the fuzz tree) does not know GCC's gnu_printf format archetype, with
# which our printf-style declarations are checked by GCC and mingw-w64.
target_compile_options(zk_warnings INTERFACE -Wall -Wextra -Wshadow -Werror=delete-non-virtual-dtor
                                             $<$<CXX_COMPILER_ID:Clang>:-Wno-ignored-attributes>
                                             $<$<BOOL:${ZK_WERROR}>:-Werror>)

add_library(zk_platform_libs INTERFACE)
if(WIN32)
  # Link the compiler runtime statically so the DLL and the test programs
  # need only system DLLs under Windows and Wine.
  add_link_options(-static -static-libgcc -static-libstdc++)
  target_link_libraries(zk_platform_libs INTERFACE psapi)
else()
  set(THREADS_PREFER_PTHREAD_FLAG ON)
  find_package(Threads REQUIRED)
  target_link_libraries(zk_platform_libs INTERFACE Threads::Threads ${CMAKE_DL_LIBS})
endif()

if(ZK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
if(ZK_SANITIZE_THREAD)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
if(ZK_FUZZ)
  # Every library is instrumented for coverage; only the fuzz programs link
  # libFuzzer's driver (fuzz/CMakeLists.txt).
  add_compile_options(-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
