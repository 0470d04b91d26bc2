# Common settings of every target built from project sources.
function(qz_project_options target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(QZ_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(QZ_SANITIZE)
        target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                 -fno-sanitize-recover=undefined)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
endfunction()

# A static library made of every source file in the calling folder. Each subsystem
# folder is one library, so a new file needs no edit of a build file.
function(qz_folder_library target)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB _sources CONFIGURE_DEPENDS
         ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    if(NOT _sources)
        # A folder without sources yet: its dependents still link what it would bring.
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${target} INTERFACE ${ARG_DEPS})
        return()
    endif()
    add_library(${target} STATIC ${_sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
    qz_project_options(${target})
endfunction()
