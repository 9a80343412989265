# zq_web_program(TARGET): the target as a program for the page and Node.js:
# TARGET.js and TARGET.wasm, and TARGET.html, the page that runs it. The
# program runs on the page's one thread; where it waits, Asyncify unwinds it
# so that the page draws and takes its events. Our own JavaScript functions
# that wait (through Asyncify) are named in ZQ_WEB_ASYNC_IMPORTS.
set(ZQ_WEB_ASYNC_IMPORTS zqYieldTurn)
function(zq_web_program target)
    list(JOIN ZQ_WEB_ASYNC_IMPORTS "','" imports)
    set_target_properties(${target} PROPERTIES SUFFIX ".js")
    target_link_options(${target} PRIVATE
        -sASYNCIFY "-sASYNCIFY_IMPORTS=['${imports}']" -sASYNCIFY_STACK_SIZE=65536 -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1
        -sENVIRONMENT=web,node -sTOTAL_STACK=1048576
        "SHELL:--pre-js ${PROJECT_SOURCE_DIR}/app/web/node_loader.js")
    set(PROGRAM ${target})
    configure_file(${PROJECT_SOURCE_DIR}/app/web/program.html
                   ${CMAKE_CURRENT_BINARY_DIR}/${target}.html @ONLY)
endfunction()
