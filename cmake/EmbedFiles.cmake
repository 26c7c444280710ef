# cantavo_embed_files(TARGET NAMESPACE FILES...)
# Compiles files of the source tree (pictures, tables) into TARGET. The generated header <NAMESPACE>.h declares
#   namespace NAMESPACE { std::string_view Find(std::string_view file_name); }
# returning the file's bytes, or an empty view for an unknown name.
function(cantavo_embed_files target namespace)
    set(out_dir ${CMAKE_CURRENT_BINARY_DIR}/embedded)
    set(header ${out_dir}/${namespace}.h)
    set(source ${out_dir}/${namespace}.cpp)
    set(body "")
    set(entries "")
    set(index 0)
    foreach(file IN LISTS ARGN)
        get_filename_component(path ${file} ABSOLUTE)
        get_filename_component(name ${file} NAME)
        file(READ ${path} hex HEX)
        string(REGEX REPLACE "(..)" "0x\\1," bytes "${hex}")
        string(APPEND body "alignas(4) const unsigned char kFile${index}[] = {${bytes}0};\n")
        string(APPEND entries "    {\"${name}\", {reinterpret_cast<const char*>(kFile${index}), sizeof kFile${index} - 1}},\n")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${path})
        math(EXPR index "${index} + 1")
    endforeach()
    file(CONFIGURE OUTPUT ${header} CONTENT "#pragma once
#include <string_view>
namespace ${namespace} {
// The bytes of an embedded file by its name, or an empty view when there is none.
std::string_view Find(std::string_view file_name);
}
")
    file(CONFIGURE OUTPUT ${source} CONTENT "#include \"${namespace}.h\"
#include <utility>
namespace ${namespace} {
namespace {
${body}
const std::pair<std::string_view, std::string_view> kFiles[] = {
${entries}};
}  // namespace
std::string_view Find(std::string_view file_name) {
    for (const auto& [name, bytes] : kFiles)
        if (name == file_name) return bytes;
    return {};
}
}  // namespace ${namespace}
" @ONLY)
    target_sources(${target} PRIVATE ${source})
    target_include_directories(${target} PUBLIC ${out_dir})
endfunction()
