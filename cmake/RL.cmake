# Helpers shared by every folder's CMakeLists.txt.

# rl_library(NAME <name> [SOURCES ...] [GLOB] [LIBS ...])
# With GLOB, every .cpp of the calling folder (not its subfolders) is taken.
function(rl_library)
  cmake_parse_arguments(A "GLOB" "NAME" "SOURCES;LIBS" ${ARGN})
  set(srcs ${A_SOURCES})
  if(A_GLOB)
    file(GLOB globbed CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    list(APPEND srcs ${globbed})
  endif()
  if(NOT srcs)
    # A folder with no sources yet builds no library.
    return()
  endif()
  add_library(${A_NAME} STATIC ${srcs})
  target_include_directories(${A_NAME} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${A_NAME} PUBLIC ${A_LIBS} Threads::Threads)
endfunction()

# rl_test(NAME <name> LABEL <label> SOURCES ... [LIBS ...] [GUI] [TIMEOUT s])
# One executable per test; ctest runs it with its folder as label.
function(rl_test)
  cmake_parse_arguments(A "GUI" "NAME;LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${A_NAME} ${A_SOURCES})
  set(libs)
  foreach(lib IN LISTS A_LIBS)
    # Libraries of our own folders join once they exist; others pass through.
    if(TARGET ${lib} OR NOT lib MATCHES "^(foundation|platform_|tracker_|control|portal|navigator|finisher|test_support)")
      list(APPEND libs ${lib})
    endif()
  endforeach()
  target_link_libraries(${A_NAME} PRIVATE ${libs} test_support test_main GTest::gtest GTest::gmock)
  add_test(NAME ${A_NAME} COMMAND ${A_NAME})
  set(labels ${A_LABEL})
  if(A_GUI)
    list(APPEND labels gui)
  endif()
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  set_tests_properties(${A_NAME} PROPERTIES LABELS "${labels}" TIMEOUT ${A_TIMEOUT}
    ENVIRONMENT "RL_TOOLKIT=headless;RL_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()

# rl_tests_from_folder(LABEL <label> LIBS ...)
# Every *Test.cpp of the calling folder becomes its own test executable.
function(rl_tests_from_folder)
  cmake_parse_arguments(A "GUI" "LABEL;PREFIX" "LIBS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*Test.cpp)
  if(NOT A_PREFIX)
    set(A_PREFIX ${A_LABEL})
  endif()
  foreach(t IN LISTS tests)
    get_filename_component(base ${t} NAME_WE)
    if(A_GUI)
      rl_test(NAME ${A_PREFIX}.${base} LABEL ${A_LABEL} SOURCES ${t} LIBS ${A_LIBS} GUI)
    else()
      rl_test(NAME ${A_PREFIX}.${base} LABEL ${A_LABEL} SOURCES ${t} LIBS ${A_LIBS})
    endif()
  endforeach()
endfunction()

# rl_embed(TARGET <target> FILE <path> SYMBOL <name>)
# Compiles a file into the target as `extern const char <name>[]` with
# `extern const unsigned long <name>_size`.
function(rl_embed)
  cmake_parse_arguments(A "" "TARGET;FILE;SYMBOL" "" ${ARGN})
  set(out ${CMAKE_CURRENT_BINARY_DIR}/embed_${A_SYMBOL}.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DIN=${A_FILE} -DOUT=${out} -DSYMBOL=${A_SYMBOL}
            -P ${CMAKE_SOURCE_DIR}/cmake/Embed.cmake
    DEPENDS ${A_FILE} ${CMAKE_SOURCE_DIR}/cmake/Embed.cmake
    VERBATIM)
  target_sources(${A_TARGET} PRIVATE ${out})
endfunction()

# rl_link_adapters(<target>)
# Links every adapter into a program, whole, so that each registers itself
# with the program table. The adapters' folder may be added after the
# caller's: the link is made once every folder is in.
function(rl_link_adapters_now target)
  if(TARGET tracker_adapters)
    target_link_libraries(${target} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,tracker_adapters>")
  endif()
endfunction()

function(rl_link_adapters target)
  # A deferred call reads its arguments when it runs: the name goes in now.
  cmake_language(EVAL CODE
    "cmake_language(DEFER DIRECTORY [[${CMAKE_SOURCE_DIR}]] CALL rl_link_adapters_now [[${target}]])")
endfunction()

# rl_install_copy(<out-var> <target>...)
# Copies of the targets' files in the install folder build/install, made
# again whenever a target is rebuilt; <out-var> lists them for a target of
# the calling folder to depend on. An install holds its programs as files of
# its own: a program works in the folder of its file, and the folder keeps
# working when the build is gone. Each copy is renamed into place, so that a
# program running from there keeps its file.
function(rl_install_copy var)
  set(copies)
  foreach(target IN LISTS ARGN)
    set(copy ${CMAKE_BINARY_DIR}/install/${target})
    add_custom_command(OUTPUT ${copy}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/install
      COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> ${copy}.installing
      COMMAND ${CMAKE_COMMAND} -E rename ${copy}.installing ${copy}
      DEPENDS ${target}
      VERBATIM)
    list(APPEND copies ${copy})
  endforeach()
  set(${var} ${copies} PARENT_SCOPE)
endfunction()
