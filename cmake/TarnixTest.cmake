# tarnix_add_test(<name> SOURCES <files...> LIBS <targets...> [GUI])
# One QtTest program registered with CTest; GUI tests run on the offscreen platform.
# Each test has a home of its own, so that settings and user files one test
# writes (a user's cty.dat, say) never reach another running beside it.
function(tarnix_add_test name)
    cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    target_compile_definitions(${name} PRIVATE
        TARNIX_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
        TARNIX_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
    add_test(NAME ${name} COMMAND ${name})
    set(home ${CMAKE_BINARY_DIR}/test-homes/${name})
    file(MAKE_DIRECTORY ${home})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;HOME=${home};XDG_CONFIG_HOME=${home}/.config;XDG_DATA_HOME=${home}/.local/share;XDG_CACHE_HOME=${home}/.cache"
        TIMEOUT 600)
endfunction()

# tarnix_test_locale(<test> <locale>)
# Runs a registered test under LANG=<locale> instead of the C locale; the
# caller's own locale variables are not passed on.
function(tarnix_test_locale test locale)
    set_tests_properties(${test} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=${locale}"
        ENVIRONMENT_MODIFICATION "LC_ALL=unset:;LC_MESSAGES=unset:;LANGUAGE=unset:")
endfunction()
