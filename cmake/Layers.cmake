# zk_layer(TARGET FOLDER): gives TARGET an include root that holds FOLDER
# alone, as ${CMAKE_BINARY_DIR}/include/FOLDER/FOLDER -> the source folder,
# so that "FOLDER/x.h" resolves and no other folder of ours does. Targets
# that link TARGET see the root too (PUBLIC, or INTERFACE for header-only
# layers).
function(zk_layer target folder)
  set(root ${CMAKE_BINARY_DIR}/include/${folder})
  if(NOT EXISTS ${root}/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE $<BUILD_INTERFACE:${root}>)
  else()
    target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${root}>)
    target_link_libraries(${target} PRIVATE zk_warnings)
  endif()
endfunction()
