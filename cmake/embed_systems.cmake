# Writes OUT, a C++ source holding each file of the transliteration systems
# (src/engine/translit/systems/*.txt) as a string, for the engine's registry.
# Run as: cmake -DDIR=... -DOUT=... -P embed_systems.cmake
file(GLOB files ${DIR}/*.txt)
list(SORT files)
set(body "// Made by cmake/embed_systems.cmake from ${DIR}; not to be edited.\n")
string(APPEND body "#include \"translit/embedded_systems.h\"\n\nnamespace lettrica::translit {\n\n")
string(APPEND body "const std::vector<EmbeddedSystem>& embeddedSystems() {\n    static const std::vector<EmbeddedSystem> all = {\n")
foreach(f ${files})
  get_filename_component(name ${f} NAME_WE)
  file(READ ${f} text)
  string(APPEND body "        {\"${name}\", R\"lettrica(${text})lettrica\"},\n")
endforeach()
string(APPEND body "    };\n    return all;\n}\n\n}  // namespace lettrica::translit\n")
file(WRITE ${OUT}.new "${body}")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different ${OUT}.new ${OUT})
file(REMOVE ${OUT}.new)
