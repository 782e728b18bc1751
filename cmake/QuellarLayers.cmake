# Each library shows only its own headers, under their usual names ("db/Connection.h"),
# from an include folder of its own in the build tree. A library sees the headers of
# what it links and nothing else, so an include of a layer above fails to build.
function(quellar_layer target)
    get_target_property(sources ${target} SOURCES)
    get_target_property(source_dir ${target} SOURCE_DIR)
    set(root ${PROJECT_BINARY_DIR}/include/${target})
    file(REMOVE_RECURSE ${root})
    foreach(source IN LISTS sources)
        if(source MATCHES "\\.h$")
            get_filename_component(header ${source} ABSOLUTE BASE_DIR ${source_dir})
            file(RELATIVE_PATH name ${PROJECT_SOURCE_DIR} ${header})
            get_filename_component(folder ${root}/${name} DIRECTORY)
            file(MAKE_DIRECTORY ${folder})
            file(CREATE_LINK ${header} ${root}/${name} SYMBOLIC)
        endif()
    endforeach()
    target_include_directories(${target} PUBLIC ${root})
endfunction()
