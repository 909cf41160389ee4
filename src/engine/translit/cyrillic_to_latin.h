#pragma once
// The built-in Cyrillic -> Latin systems: GOST 16876-71 and the
// Anglo-American table. One fixed text per Cyrillic letter, no context.

#include "translit/char_map_converter.h"

namespace lettrica::translit {

const CharMapConverter& gostCyrillicToLatin();
const CharMapConverter& angloCyrillicToLatin();

}  // namespace lettrica::translit
