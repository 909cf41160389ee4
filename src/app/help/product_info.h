#pragma once
// What the information commands say about the program: its name, version
// and the addresses of its site and of its support. The version comes from
// the build (the project's version), so the about box, the letter's subject
// and the package agree.

namespace lettrica::app::product {

inline constexpr const char* kName = "Lettrica";
inline constexpr const char* kVersion = LETTRICA_VERSION;
inline constexpr const char* kDate = "12.11.2010";
inline constexpr const char* kAuthor = "Lettrica team";
inline constexpr const char* kSupportEmail = "support@lettrica.org";
inline constexpr const char* kWebSite = "https://lettrica.org/";
inline constexpr const char* kRights = "Copyright (c) 2010 Lettrica team";

}  // namespace lettrica::app::product
