#include "settings/settings_keys.h"

#include "text/cp1251.h"

namespace lettrica::settings {

std::optional<std::int32_t> readNumber(const IniFile& ini, const Key& key) {
    return toInteger(ini.readBytes(key.section, key.name, key.fallback));
}

std::optional<std::uint8_t> readByte(const IniFile& ini, const Key& key) {
    std::optional<std::int32_t> n = readNumber(ini, key);
    if (!n) return std::nullopt;
    return static_cast<std::uint8_t>(static_cast<std::uint32_t>(*n) & 0xFFu);
}

std::u16string readText(const IniFile& ini, const Key& key) {
    return ini.read(key.section, key.name, text::decodeCp1251(key.fallback));
}

bool writeNumber(IniFile& ini, const Key& key, std::int64_t value) {
    return ini.writeBytes(key.section, key.name, std::to_string(value));
}

bool writeFlag(IniFile& ini, const Key& key, bool on) { return ini.writeBytes(key.section, key.name, on ? "1" : "0"); }

bool writeText(IniFile& ini, const Key& key, std::u16string_view value) {
    return ini.write(key.section, key.name, value);
}

int clampChoiceIndex(std::int32_t stored, int count) {
    if (stored < -1) return -1;
    if (stored > count - 1) return count - 1;
    return stored;
}

}  // namespace lettrica::settings
