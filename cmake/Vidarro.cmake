# Helpers every folder uses to declare its targets the same way.

# vidarro_test(<name> SOURCES ... [LIBS ...] [LABELS unit|peer|slow ...] [TIMEOUT s] [PICTURES program])
# One GoogleTest binary, one CTest entry. Every test runs in a home of its own, so the
# registry, XDG folders and window directory of one test never leak into another. It sees the
# built-in simulated hardware unless it writes a devices file of its own. Pictures it
# writes go to build/pictures/<program>/ (the top folder's name unless given).
function(vidarro_test name)
  cmake_parse_arguments(T "SERIAL" "TIMEOUT;PICTURES" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_PICTURES)
    file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    string(REGEX REPLACE "/.*" "" T_PICTURES "${relative}")
  endif()
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  # Exported so the modules a test loads share its process-wide state and window functions.
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} ENABLE_EXPORTS ON)
  target_compile_definitions(${name} PRIVATE
    VIDARRO_TEST_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}"
    VIDARRO_TEST_BINARY_DIR="${CMAKE_CURRENT_BINARY_DIR}"
    VIDARRO_PICTURE_DIR="${CMAKE_BINARY_DIR}/pictures/${T_PICTURES}")
  set(home ${CMAKE_BINARY_DIR}/testhome/${name})
  # Neither bus exists for a test unless it starts its own: none reaches the machine's logind or
  # the user's screen saver.
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -E env
      HOME=${home}
      XDG_CONFIG_HOME=${home}/config
      XDG_DATA_HOME=${home}/data
      XDG_CACHE_HOME=${home}/cache
      XDG_RUNTIME_DIR=${home}/run
      XDG_DOCUMENTS_DIR=${home}/Documents
      TMPDIR=${home}/tmp
      VIDARRO_REGISTRY_DIR=${home}/registry
      VIDARRO_APP_DIR=${VIDARRO_APP_DIR}
      VIDARRO_LAUNCH_RECORD=${home}/launches.log
      VIDARRO_HEADLESS=1
      DBUS_SYSTEM_BUS_ADDRESS=unix:path=${home}/run/no-system-bus
      DBUS_SESSION_BUS_ADDRESS=unix:path=${home}/run/no-session-bus
      VIDARRO_SIMULATED=1
      $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT})
  # A test that times the suite against a wall clock runs with nothing else beside it.
  if(T_SERIAL)
    set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
  endif()
  add_custom_command(TARGET ${name} PRE_LINK
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${home}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${home}/config ${home}/data ${home}/cache ${home}/run ${home}/Documents ${home}/tmp ${home}/registry)
endfunction()

# vidarro_program(<name> SOURCES ... [LIBS ...]): a program of the suite, placed in the application folder.
function(vidarro_program name)
  cmake_parse_arguments(P "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${P_SOURCES})
  target_link_libraries(${name} PRIVATE ${P_LIBS} Threads::Threads)
  # Its windows show when it is run on a desktop.
  if(TARGET platform_x11)
    target_link_libraries(${name} PRIVATE platform_x11)
  endif()
  # It plays a script of user actions when VIDARRO_SCRIPT names one (platform/script).
  target_link_libraries(${name} PRIVATE platform_script $<TARGET_OBJECTS:platform_script_starter>)
  add_dependencies(${name} platform_script_starter)
  # A program exports its symbols: the modules it loads use its window system and process-wide state.
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VIDARRO_APP_DIR} ENABLE_EXPORTS ON
    BUILD_RPATH "$ORIGIN" INSTALL_RPATH "$ORIGIN")
endfunction()

# vidarro_module(<name> SOURCES ... [LIBS ...]): a shared library of the suite ("X.dll" is X.so
# in the application folder, no "lib" prefix).
function(vidarro_module name)
  cmake_parse_arguments(M "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} SHARED ${M_SOURCES})
  target_link_libraries(${name} PRIVATE ${M_LIBS} Threads::Threads)
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".so"
    LIBRARY_OUTPUT_DIRECTORY ${VIDARRO_APP_DIR}
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
endfunction()

# vidarro_fuzzer(<name> SOURCES ... [LIBS ...] [SECONDS n] [SEEDS dir] [MAX_LEN bytes]): a
# libFuzzer target, built only in the fuzz build (clang, VIDARRO_FUZZ=ON) and run there for a
# short while as a `fuzz` test. SEEDS (relative to the calling folder) holds the small inputs
# the run starts from; MAX_LEN caps the inputs it makes, for targets that slow down on big ones.
function(vidarro_fuzzer name)
  if(NOT VIDARRO_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "SECONDS;SEEDS;MAX_LEN" "SOURCES;LIBS" ${ARGN})
  if(NOT F_SECONDS)
    set(F_SECONDS 20)
  endif()
  set(extra)
  if(F_MAX_LEN)
    list(APPEND extra -max_len=${F_MAX_LEN})
  endif()
  set(seeds)
  if(F_SEEDS)
    set(seeds ${CMAKE_CURRENT_SOURCE_DIR}/${F_SEEDS})
    if(NOT IS_DIRECTORY ${seeds})
      message(FATAL_ERROR "${name}: no seed folder ${seeds}")
    endif()
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS} Threads::Threads)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
  file(MAKE_DIRECTORY ${corpus})
  # A fixed seed keeps CI runs repeatable; longer runs by hand take a seed of their own.
  # New inputs go to the first folder (in the build); the seeds are only read.
  add_test(NAME ${name} COMMAND $<TARGET_FILE:${name}> -seed=1 -max_total_time=${F_SECONDS} -rss_limit_mb=2048
    ${extra} -artifact_prefix=${CMAKE_CURRENT_BINARY_DIR}/ ${corpus} ${seeds})
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 600)
  add_dependencies(fuzzers ${name})
endfunction()
