# Shared build settings: warnings, sanitizers and the imported system libraries.
include_guard(GLOBAL)
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

# -D__STDC_CONSTANT_MACROS: av_opt_set_int_list and friends need it in C++.
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET
    libavformat libavcodec libavutil libavfilter libswscale libswresample libavdevice)
add_library(quorvex_ffmpeg INTERFACE)
target_link_libraries(quorvex_ffmpeg INTERFACE PkgConfig::FFMPEG)
target_compile_definitions(quorvex_ffmpeg INTERFACE __STDC_CONSTANT_MACROS)
add_library(quorvex::ffmpeg ALIAS quorvex_ffmpeg)

pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(AMRNB REQUIRED IMPORTED_TARGET opencore-amrnb)

set(QUORVEX_WARNING_FLAGS -Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers)
if(QUORVEX_WERROR)
    list(APPEND QUORVEX_WARNING_FLAGS -Werror)
endif()

if(QUORVEX_SANITIZE)
    add_compile_options(-fsanitize=${QUORVEX_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${QUORVEX_SANITIZE})
endif()

# quorvex_settings(target): our warnings on one of our own targets.
function(quorvex_settings target)
    target_compile_options(${target} PRIVATE ${QUORVEX_WARNING_FLAGS})
endfunction()

# quorvex_library(name DIR [EXCLUDE file...]): a static library of every
# .cpp in DIR (not its subfolders), so adding a file needs no CMake edit.
# Callers add their dependencies with target_link_libraries(name PUBLIC ...).
function(quorvex_library name dir)
    cmake_parse_arguments(ARG "" "" "EXCLUDE" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
    file(GLOB headers CONFIGURE_DEPENDS ${dir}/*.h)
    foreach(excluded ${ARG_EXCLUDE})
        list(REMOVE_ITEM sources ${dir}/${excluded})
    endforeach()
    if(NOT sources)
        # a folder still without code builds as an empty library
        set(placeholder ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
        file(WRITE ${placeholder} "// no sources yet\n")
        list(APPEND sources ${placeholder})
    endif()
    add_library(${name} STATIC ${sources} ${headers})
    set_target_properties(${name} PROPERTIES LINKER_LANGUAGE CXX)
    quorvex_header_view(${name} PUBLIC FOLDERS ${dir})
    quorvex_settings(${name})
endfunction()

# quorvex_header_view(target PUBLIC|PRIVATE [FOLDERS dir...] [LINKS name dir ...]):
# the target's include path is a folder of its own in the build tree holding a
# link to every header of each FOLDERS dir (not of its subfolders), at the
# dir's path below the source root, and for each LINKS pair a link `name` to
# a whole folder. So "media/TAVProbe.h" is found by media's own code and by
# what links media, while "app/..." is not found from media/: a layer sees
# only its own headers and those of the targets it links. The links follow
# the headers at each configure step, as quorvex_library follows the sources.
function(quorvex_header_view target scope)
    cmake_parse_arguments(ARG "" "" "FOLDERS;LINKS" ${ARGN})
    set(view ${CMAKE_BINARY_DIR}/include/${target})
    file(REMOVE_RECURSE ${view})
    file(MAKE_DIRECTORY ${view})
    foreach(dir ${ARG_FOLDERS})
        file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${dir})
        file(MAKE_DIRECTORY ${view}/${rel})
        file(GLOB headers CONFIGURE_DEPENDS ${dir}/*.h)
        foreach(header ${headers})
            get_filename_component(file ${header} NAME)
            file(CREATE_LINK ${header} ${view}/${rel}/${file} SYMBOLIC)
        endforeach()
    endforeach()
    set(links ${ARG_LINKS})
    while(links)
        list(POP_FRONT links name dir)
        file(CREATE_LINK ${dir} ${view}/${name} SYMBOLIC)
    endwhile()
    target_include_directories(${target} ${scope} ${view})
endfunction()

# Qt is used only by the */ui folders and their tests.
macro(quorvex_use_qt)
    find_package(Qt6 REQUIRED COMPONENTS Widgets Svg Test)
    set(CMAKE_AUTOMOC ON)
    set(CMAKE_AUTORCC ON)
endmacro()
