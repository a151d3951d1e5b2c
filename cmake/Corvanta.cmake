# Shared build helpers.

# CORVANTA_UNITY compiles each target's sources in batches, which about halves
# a build from scratch (CI builds every preset from scratch). A source whose
# file-local names collide with a neighbour's is listed in
# cmake/unity-alone.txt and compiled on its own.
option(CORVANTA_UNITY "Compile each target's sources in batches" OFF)
file(STRINGS "${CMAKE_SOURCE_DIR}/cmake/unity-alone.txt" CORVANTA_UNITY_ALONE REGEX "^[^#]")
set_property(DIRECTORY "${CMAKE_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  "${CMAKE_SOURCE_DIR}/cmake/unity-alone.txt")

function(corvanta_unity target)
  if(NOT CORVANTA_UNITY)
    return()
  endif()
  set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 16)
  get_target_property(sources ${target} SOURCES)
  foreach(s IN LISTS sources)
    get_filename_component(abs "${s}" ABSOLUTE)
    file(RELATIVE_PATH rel "${CMAKE_SOURCE_DIR}" "${abs}")
    if(rel IN_LIST CORVANTA_UNITY_ALONE)
      set_source_files_properties("${abs}" PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
    endif()
  endforeach()
endfunction()

# Warnings are errors in the project's own code.
function(corvanta_warnings target)
  corvanta_unity(${target})
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  if(CORVANTA_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# corvanta_library(NAME DIRS dir... [DEPS lib...] [SYSLIBS lib...])
# A static library of every .cpp in the given folders (relative to src/).
# Globbing keeps a new file from needing an edit of a shared list.
function(corvanta_library name)
  cmake_parse_arguments(L "" "" "DIRS;DEPS;SYSLIBS" ${ARGN})
  set(sources)
  foreach(d IN LISTS L_DIRS)
    file(GLOB s CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/src/${d}/*.cpp")
    list(APPEND sources ${s})
  endforeach()
  if(NOT sources)
    set(stub "${CMAKE_BINARY_DIR}/stubs/${name}_empty.cpp")
    file(WRITE "${stub}" "// no sources yet\n")
    set(sources "${stub}")
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC "${CMAKE_SOURCE_DIR}/src")
  target_link_libraries(${name} PUBLIC ${L_DEPS} ${L_SYSLIBS})
  corvanta_warnings(${name})
endfunction()

# Copies the header-only packages the Windows build uses into one folder.
function(corvanta_stage_host_headers dest)
  foreach(pkg nlohmann CLI)
    if(EXISTS "/usr/include/${pkg}")
      file(COPY "/usr/include/${pkg}" DESTINATION "${dest}")
    endif()
  endforeach()
endfunction()

# GoogleTest: the distribution's package natively, its sources when cross-building.
macro(corvanta_find_gtest)
  if(WIN32)
    if(NOT TARGET gtest)
      set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
      set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
      set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
      add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
    endif()
    set(CORVANTA_GTEST gtest gmock)
  else()
    find_package(GTest REQUIRED)
    set(CORVANTA_GTEST GTest::gtest GTest::gmock)
  endif()
endmacro()
