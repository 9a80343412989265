# The library for programs built outside the tree: `cmake --install` puts one
# archive of every layer of this platform (libzqgfx.a; with ZQ_SHARED also
# libzqgfx.so), the public header, a CMake package (find_package(zqgfx CONFIG)
# gives zqgfx::zqgfx) and a pkg-config file (zqgfx.pc). CPack makes a Debian
# package natively and a ZIP for Windows.
include(CMakePackageConfigHelpers)

set(zq_library_layers zq_runtime zq_console zq_gfx_core zq_gfx_draw zq_gfx_blit zq_gfx_image
                      zq_gfx_display zq_gfx_console zq_compose)
if(WIN32)
    list(APPEND zq_library_layers zq_win32 zq_gdi zq_directx zq_opengl)
else()
    list(APPEND zq_library_layers zq_sdl)
endif()
set(zq_library_objects)
foreach(layer ${zq_library_layers})
    list(APPEND zq_library_objects $<TARGET_OBJECTS:${layer}>)
endforeach()

# The composition registers the upper layers from a static constructor and
# nothing names it, so a program pulls its unit in by its one C symbol
# (decorated with an underscore on 32-bit Windows).
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(zq_compose_symbol _zqgfxCompose)
else()
    set(zq_compose_symbol zqgfxCompose)
endif()

# What a program links besides the archive: the system libraries and, for a
# C program, the C++ runtime; on Windows everything static, as the product.
if(WIN32)
    set(zq_system_libraries winmm user32 gdi32 stdc++ pthread)
    set(zq_link_options -static)
    set(ZQ_NEEDS_SDL2 OFF)
    set(zq_pc_requires "")
else()
    set(zq_system_libraries pthread dl stdc++ m)
    set(zq_link_options)
    set(ZQ_NEEDS_SDL2 ON)
    set(zq_pc_requires "Requires: sdl2")
endif()
if(ZQ_SANITIZE)
    # An instrumented build needs its sanitizers' runtimes in the program.
    list(APPEND zq_link_options -fsanitize=address,undefined)
endif()
list(APPEND zq_link_options "-Wl,-u,${zq_compose_symbol}")

add_library(zqgfx STATIC ${zq_library_objects})
set_target_properties(zqgfx PROPERTIES LINKER_LANGUAGE CXX EXPORT_NAME zqgfx)
add_dependencies(zqgfx ${zq_library_layers})
target_include_directories(zqgfx INTERFACE $<INSTALL_INTERFACE:include>)
target_link_options(zqgfx INTERFACE ${zq_link_options})
target_link_libraries(zqgfx INTERFACE ${zq_system_libraries})
if(NOT WIN32)
    target_link_libraries(zqgfx INTERFACE $<INSTALL_INTERFACE:SDL2::SDL2>)
endif()
set(zq_installed zqgfx)

if(ZQ_SHARED)
    # The same objects (built position-independent) as one shared library.
    add_library(zqgfx_shared SHARED ${zq_library_objects})
    set_target_properties(zqgfx_shared PROPERTIES OUTPUT_NAME zqgfx EXPORT_NAME zqgfx_shared
                                                  LINKER_LANGUAGE CXX)
    add_dependencies(zqgfx_shared ${zq_library_layers})
    target_include_directories(zqgfx_shared INTERFACE $<INSTALL_INTERFACE:include>)
    find_package(SDL2 CONFIG REQUIRED) # as the package's users find it
    target_link_libraries(zqgfx_shared PRIVATE SDL2::SDL2 pthread dl)
    target_link_options(zqgfx_shared PRIVATE -Wl,--no-undefined)
    list(APPEND zq_installed zqgfx_shared)
endif()

install(TARGETS ${zq_installed} EXPORT zqgfxTargets ARCHIVE DESTINATION lib
        LIBRARY DESTINATION lib RUNTIME DESTINATION bin)
install(FILES ${PROJECT_SOURCE_DIR}/include/zqgfx.h DESTINATION include)
install(EXPORT zqgfxTargets NAMESPACE zqgfx:: DESTINATION lib/cmake/zqgfx)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/package/zqgfxConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/zqgfxConfig.cmake
                              INSTALL_DESTINATION lib/cmake/zqgfx)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/zqgfxConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/zqgfxConfig.cmake ${PROJECT_BINARY_DIR}/zqgfxConfigVersion.cmake
        DESTINATION lib/cmake/zqgfx)

# pkg-config: relocatable (the prefix from the file's own place).
list(JOIN zq_link_options " " zq_pc_options)
list(TRANSFORM zq_system_libraries PREPEND "-l")
list(JOIN zq_system_libraries " " zq_pc_libraries)
configure_file(${PROJECT_SOURCE_DIR}/cmake/package/zqgfx.pc.in ${PROJECT_BINARY_DIR}/zqgfx.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/zqgfx.pc DESTINATION lib/pkgconfig)

# Packages: a .deb of the native build (for /usr), a ZIP of a Windows one.
set(CPACK_PACKAGE_NAME zqgfx)
set(CPACK_PACKAGE_VENDOR zqgfx)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Program runtime with a software framebuffer, drawing statements and a text console")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
if(WIN32)
    set(CPACK_GENERATOR ZIP)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(CPACK_SYSTEM_NAME win32)
    else()
        set(CPACK_SYSTEM_NAME win64)
    endif()
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_NAME libzqgfx-dev)
    set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "zqgfx developers <zqgfx@localhost>")
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsdl2-dev, libc6-dev, libstdc++-12-dev | libstdc++-dev")
endif()
include(CPack)
