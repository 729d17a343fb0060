# Installs a built tree into a fresh prefix, checks what the installation
# holds, builds examples/minimal_host against the installed package as a
# third-party host would, and runs it on the installed module.
#
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... -DGENERATOR=...
#         [-DTOOLCHAIN_FILE=...] [-DEMULATOR=...] [-DMODULE_PREFIX=Z:]
#         -DMODULE_SUFFIX=.so|.dll -DWINDOWS=ON|OFF -P minimal_host_test.cmake
cmake_minimum_required(VERSION 3.25)

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${output}${errors}")
  endif()
  set(output "${output}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
run("cmake --install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

if(WINDOWS)
  set(module bin/zkcomiconvdll${MODULE_SUFFIX})
  set(program bin/zkconv.exe)
  set(host minimal_host.exe)
else()
  set(module lib/zkcomiconvdll/zkcomiconvdll${MODULE_SUFFIX})
  set(program bin/zkconv)
  set(host minimal_host)
endif()
foreach(file ${module} ${program} share/man/man1/zkconv.1
             include/zkcomiconvdll/abi/engine_binding.h include/zkcomiconvdll/abi/variant.h
             include/zkcomiconvdll/abi/text_object.h include/zkcomiconvdll/abi/charset_interfaces.h
             lib/cmake/zkcomiconvdll/zkcomiconvdllConfig.cmake
             lib/cmake/zkcomiconvdll/zkcomiconvdllConfigVersion.cmake)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "the installation lacks ${file}")
  endif()
endforeach()

set(configure ${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/minimal_host -B ${WORK_DIR}/build -G ${GENERATOR}
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_PREFIX_PATH=${prefix})
if(TOOLCHAIN_FILE)
  list(APPEND configure -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE})
endif()
run("configuring the example host" ${configure})
run("building the example host" ${CMAKE_COMMAND} --build ${WORK_DIR}/build)

# The host loads the module the package names; a program under Wine sees
# this machine's root as drive Z:, so there it is named on the command line.
set(command ${WORK_DIR}/build/${host})
if(EMULATOR)
  set(command ${EMULATOR} ${command} ${MODULE_PREFIX}${prefix}/${module})
endif()
run("running the example host" ${command})
if(NOT output MATCHES "^caf&eacute; &lt;b&gt;\r?\n$")
  message(FATAL_ERROR "the example host printed \"${output}\"")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
message(STATUS "installed, built against and converted: ${output}")
