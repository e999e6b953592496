# Every folder of the tree is one library with an include root of its own:
# a folder in the build tree that holds nothing but a link named after the
# source folder. "<folder>/File.h" then resolves for the folder's own sources
# and for every target that links it, and a header of a folder the target
# does not link is simply not there: an include that runs against the
# layering fails to build.
set(ZELVORA_VERSION 1.0.0)

function(zelvora_include_root target)
    get_filename_component(folder "${CMAKE_CURRENT_SOURCE_DIR}" NAME)
    set(root "${CMAKE_BINARY_DIR}/include-roots/${folder}")
    file(MAKE_DIRECTORY "${root}")
    file(REMOVE "${root}/${folder}")
    file(CREATE_LINK "${CMAKE_CURRENT_SOURCE_DIR}" "${root}/${folder}" SYMBOLIC)
    target_include_directories(${target} PUBLIC "${root}")
endfunction()
