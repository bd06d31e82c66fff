# Common settings for every target of the project.
function(oc_target_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -ffp-contract=off)
  if(OC_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# One static library per subsystem folder; sources are every .cpp below it.
function(oc_library target dir)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  file(GLOB_RECURSE hdrs CONFIGURE_DEPENDS ${dir}/*.h)
  if(NOT srcs)
    # A layer with headers only so far still builds as a library.
    set(srcs ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(${target} STATIC ${srcs} ${hdrs})
  oc_target_options(${target})
endfunction()
