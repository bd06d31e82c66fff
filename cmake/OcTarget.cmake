# Common settings for every target of the project.
function(oc_target_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -ffp-contract=off)
  if(OC_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# Unity builds: the sources of a target are compiled a batch at a time, so each
# header is parsed once per batch instead of once per file. cmake/UnityGroups.awk
# makes the batches so that no two files of one batch declare the same
# file-local name, and checks that again whenever a source changes: an edit
# that brings two such names together fails the build with both file names and
# makes the next build regroup (new files regroup at once, through the glob).
# Files given after NO_UNITY are compiled on their own: a file that defines a
# class of a named namespace with a member of a file-local type must be its own
# main file, or g++ warns (-Wsubobject-linkage) as it would for a header.
function(oc_unity target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "NO_UNITY")
  if(NOT OC_UNITY)
    return()
  endif()
  get_target_property(srcs ${target} SOURCES)
  list(FILTER srcs INCLUDE REGEX "\\.cpp$")
  foreach(src IN LISTS arg_NO_UNITY)
    cmake_path(ABSOLUTE_PATH src BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} OUTPUT_VARIABLE src)
    if(NOT src IN_LIST srcs)
      message(FATAL_ERROR "${target}: NO_UNITY names ${src}, which is not one of its sources")
    endif()
    list(REMOVE_ITEM srcs ${src})
    set_property(SOURCE ${src} PROPERTY SKIP_UNITY_BUILD_INCLUSION ON)
  endforeach()
  set(script ${PROJECT_SOURCE_DIR}/cmake/UnityGroups.awk)
  set(batches ${CMAKE_CURRENT_BINARY_DIR}/${target}-unity-batches.txt)
  execute_process(COMMAND awk -v batch=${OC_UNITY_BATCH} -f ${script} ${srcs}
    OUTPUT_VARIABLE lines RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${target}: could not make the unity batches")
  endif()
  # Rewritten only when the batches change, so an unchanged grouping rebuilds nothing.
  file(CONFIGURE OUTPUT ${batches} CONTENT "${lines}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${batches} ${script})
  string(REGEX REPLACE "\n$" "" lines "${lines}")
  string(REPLACE "\n" ";" lines "${lines}")
  foreach(line IN LISTS lines)
    string(REPLACE "\t" ";" pair "${line}")
    list(GET pair 0 src)
    list(GET pair 1 batch)
    set_property(SOURCE ${src} PROPERTY UNITY_GROUP batch${batch})
  endforeach()
  set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_MODE GROUP)

  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}-unity-check.stamp)
  add_custom_command(OUTPUT ${stamp}
    COMMAND awk -v check=${batches} -v target=${target} -f ${script} ${srcs}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${srcs} ${batches} ${script}
    COMMENT "Checking the unity batches of ${target}"
    VERBATIM)
  add_custom_target(${target}_unity_check DEPENDS ${stamp})
  add_dependencies(${target} ${target}_unity_check)
endfunction()

# One static library per subsystem folder; sources are every .cpp below it.
# oc_library(target folder [EXCLUDE subfolder...] [NO_UNITY file...])
# EXCLUDE names subfolders that build as libraries of their own.
function(oc_library target dir)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "EXCLUDE;NO_UNITY")
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  file(GLOB_RECURSE hdrs CONFIGURE_DEPENDS ${dir}/*.h)
  foreach(sub IN LISTS arg_EXCLUDE)
    list(FILTER srcs EXCLUDE REGEX "^${dir}/${sub}/")
    list(FILTER hdrs EXCLUDE REGEX "^${dir}/${sub}/")
  endforeach()
  if(NOT srcs)
    # A layer with headers only so far still builds as a library.
    set(srcs ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(${target} STATIC ${srcs} ${hdrs})
  oc_target_options(${target})
  if(arg_NO_UNITY)
    oc_unity(${target} NO_UNITY ${arg_NO_UNITY})
  else()
    oc_unity(${target})
  endif()
endfunction()
