# Built-in data tests.

# Inputs kept from fuzzing the LZW decoder (tools/fuzz_lzw.sh, whose form
# they keep: two capacity bytes, then the stream) are compiled
# into the test as byte arrays, so both targets replay them.
file(GLOB lzw_regressions CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/lzw_regressions/*.bin)
list(SORT lzw_regressions)
set(lzw_inc "// Generated from tests/gfx/core/lzw_regressions at configure time.\n")
string(APPEND lzw_inc "struct LzwRegression {\n    const char* name;\n    const uint8_t* data;\n    size_t size;\n};\n")
set(lzw_table "")
set(lzw_index 0)
foreach(path ${lzw_regressions})
    get_filename_component(name ${path} NAME)
    file(READ ${path} hex HEX)
    string(LENGTH "${hex}" hex_length)
    math(EXPR size "${hex_length} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(APPEND lzw_inc "static const uint8_t lzwRegression${lzw_index}[] = {${bytes}0};\n")
    string(APPEND lzw_table "    {\"${name}\", lzwRegression${lzw_index}, ${size}},\n")
    math(EXPR lzw_index "${lzw_index} + 1")
endforeach()
string(APPEND lzw_inc "static const LzwRegression LZW_REGRESSIONS[] = {\n${lzw_table}};\n")
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/gen/gfx/core/lzw_regressions.inc
     CONTENT "${lzw_inc}")

zq_test(test_builtin_data test_builtin_data.cpp LINK zq_gfx_core)
target_include_directories(test_builtin_data PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/gen)

# Re-run the generator on the build machine and prove the committed block
# expands to its output byte for byte (on the target, so under Wine for the
# Windows build), and that the committed source is what it writes.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
    set(gen_dir ${CMAKE_CURRENT_BINARY_DIR}/generated)
    add_test(NAME builtin_data_generate
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/gen_builtin_data.py
                     --raw ${gen_dir}/builtin_expanded.bin
                     --source ${gen_dir}/builtin_blob.cpp)
    set_tests_properties(builtin_data_generate PROPERTIES FIXTURES_SETUP builtin_generated)
    add_test(NAME builtin_data_matches_generator
             COMMAND test_builtin_data --gtest_filter=BuiltinGenerator.*)
    set_tests_properties(builtin_data_matches_generator PROPERTIES
                         FIXTURES_REQUIRED builtin_generated
                         ENVIRONMENT ZQ_BUILTIN_EXPECTED=${gen_dir}/builtin_expanded.bin)
    add_test(NAME builtin_blob_is_generated
             COMMAND ${CMAKE_COMMAND} -E compare_files
                     ${CMAKE_SOURCE_DIR}/gfx/core/builtin_blob.cpp ${gen_dir}/builtin_blob.cpp)
    set_tests_properties(builtin_blob_is_generated PROPERTIES
                         FIXTURES_REQUIRED builtin_generated)
else()
    message(WARNING "python3 not found: the built-in data generator test is not registered")
endif()
