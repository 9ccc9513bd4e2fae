# Proof under real conditions: the input fuzzer and the end-to-end run on a real X server.

# The fuzzer needs clang's libFuzzer; tools/fuzz.sh configures a build directory for it.
option(VELMAR_FUZZ "Build the libFuzzer target fuzz_input (clang only)" OFF)

if(VELMAR_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(WARNING "VELMAR_FUZZ needs clang++ (CMAKE_CXX_COMPILER=clang++); fuzz_input is not built")
    else()
        set(velmar_fuzz_sanitizers address,undefined)
        # The logic the fuzzer drives is instrumented for coverage; anything else
        # linking these libraries in this build then needs the sanitizer runtimes too.
        foreach(lib velmar_core velmar_input velmar_report_text)
            target_compile_options(${lib} PRIVATE
                -fsanitize=fuzzer-no-link,${velmar_fuzz_sanitizers}
                -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
            target_link_options(${lib} INTERFACE -fsanitize=${velmar_fuzz_sanitizers})
        endforeach()

        add_executable(fuzz_input ${CMAKE_CURRENT_LIST_DIR}/fuzz/fuzz_input.cpp)
        set_target_properties(fuzz_input PROPERTIES AUTOMOC OFF)
        target_compile_options(fuzz_input PRIVATE
            -fsanitize=fuzzer,${velmar_fuzz_sanitizers}
            -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
        target_link_options(fuzz_input PRIVATE -fsanitize=fuzzer,${velmar_fuzz_sanitizers})
        target_link_libraries(fuzz_input PRIVATE velmar_input velmar_report_text)

        # Every seed once, as a regression test of the fuzz build.
        file(GLOB velmar_fuzz_seeds ${CMAKE_CURRENT_LIST_DIR}/fuzz/corpus/*)
        add_test(NAME fuzz_seeds COMMAND fuzz_input ${velmar_fuzz_seeds})
        set_property(TEST fuzz_seeds PROPERTY TIMEOUT 120)
    endif()
endif()

# The real program on a real X server, driven from outside with xdotool.
if(TARGET velmar AND TARGET velmar-report)
    add_test(NAME e2e_xvfb
        COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/e2e/run_e2e.sh
            $<TARGET_FILE:velmar> $<TARGET_FILE:velmar-report>)
    set_tests_properties(e2e_xvfb PROPERTIES
        SKIP_RETURN_CODE 77
        TIMEOUT 600
        ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/e2e/lsan.supp:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endif()
