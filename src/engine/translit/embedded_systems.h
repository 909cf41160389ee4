#pragma once
// The files of the transliteration systems, built into the program
// (cmake/embed_systems.cmake writes the definition).

#include <string_view>
#include <vector>

namespace lettrica::translit {

struct EmbeddedSystem {
    std::string_view file;  // its name without .txt
    std::string_view text;
};

const std::vector<EmbeddedSystem>& embeddedSystems();

}  // namespace lettrica::translit
