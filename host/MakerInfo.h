// The maker of the trainer: its web site and name, used by the link label, the two information
// pages of the help menu and the about box. Change them here and nowhere else.
#pragma once

namespace maker {
inline constexpr const wchar_t* SiteAddress = L"https://www.lernova.example";
inline constexpr const wchar_t* CompanyName = L"Lernova 训练软件";
inline constexpr const wchar_t* ProductVersion = L"1.0.0";
}  // namespace maker
