# tarnix_add_test(<name> SOURCES <files...> LIBS <targets...> [GUI] [LANG <locale>])
# One QtTest program registered with CTest; GUI tests run on the offscreen platform.
# Each test has a home of its own, so that settings and user files one test
# writes (a user's cty.dat, say) never reach another running beside it.
# Tests run under the C locale, or under LANG=<locale> when given.
function(tarnix_add_test name)
    cmake_parse_arguments(T "GUI" "LANG" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
    target_compile_definitions(${name} PRIVATE
        TARNIX_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
        TARNIX_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
    add_test(NAME ${name} COMMAND ${name})
    tarnix_test_environment(${name} "${T_LANG}")
endfunction()

# tarnix_add_locale_run(<test> <locale>)
# The test program <test> once more, as the test <test>_<language_TERRITORY>
# run under LANG=<locale>.
function(tarnix_add_locale_run test locale)
    string(REGEX REPLACE "[.@].*" "" suffix ${locale})
    add_test(NAME ${test}_${suffix} COMMAND ${test})
    tarnix_test_environment(${test}_${suffix} ${locale})
endfunction()

# The environment of one test: its own home, and the C locale or LANG=<locale>
# (then none of the caller's own locale variables is passed on).
function(tarnix_test_environment name locale)
    set(home ${CMAKE_BINARY_DIR}/test-homes/${name})
    file(MAKE_DIRECTORY ${home})
    set(env "QT_QPA_PLATFORM=offscreen;HOME=${home};XDG_CONFIG_HOME=${home}/.config;XDG_DATA_HOME=${home}/.local/share;XDG_CACHE_HOME=${home}/.cache")
    if(locale)
        set_tests_properties(${name} PROPERTIES
            ENVIRONMENT "${env};LANG=${locale}"
            ENVIRONMENT_MODIFICATION "LC_ALL=unset:;LC_MESSAGES=unset:;LANGUAGE=unset:"
            TIMEOUT 600)
    else()
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env};LC_ALL=C.UTF-8" TIMEOUT 600)
    endif()
endfunction()
