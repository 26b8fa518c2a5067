#pragma once

// Where the maker's links lead.
namespace MakerAddresses {

inline constexpr const char* HomePage = "https://www.example.org/dialtoll/";
// The home page as the link shows it, short enough for the information panel.
inline constexpr const char* HomePageShown = "www.example.org";
inline constexpr const char* Mail = "dialtoll@example.org";
inline constexpr const char* ChatRoom = "https://chat.example.org/veyra/";
inline constexpr const char* Author = "Tavi";

} // namespace MakerAddresses
