# zq_web_program(TARGET): the target as a program for the page and Node.js:
# TARGET.js and TARGET.wasm, and TARGET.html, the page that runs it. The
# program runs on the page's one thread; where it waits, Asyncify unwinds it
# so that the page draws and takes its events (our own JavaScript that waits
# is written with EM_ASYNC_JS, which Asyncify knows may unwind).
function(zq_web_program target)
    set_target_properties(${target} PROPERTIES SUFFIX ".js")
    target_link_options(${target} PRIVATE
        -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536 -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1
        -sENVIRONMENT=web,node -sTOTAL_STACK=1048576
        "SHELL:--pre-js ${PROJECT_SOURCE_DIR}/app/web/node_loader.js")
    set(PROGRAM ${target})
    configure_file(${PROJECT_SOURCE_DIR}/app/web/program.html
                   ${CMAKE_CURRENT_BINARY_DIR}/${target}.html @ONLY)
endfunction()
