#pragma once
// The names of the table drivers: the local ones that keep FoxPro-style CDX indexes and FPT
// memos ("DBFCDX") or NTX indexes and DBT memos ("DBFNTX"), and the database server's ("ADS").
// They are the names programs pass to open and create tables, the names error objects carry as
// their subsystem, and what the lock dialect is chosen by, so every layer reads them from here.

namespace tabrix {

inline constexpr const char* kDriverCdx = "DBFCDX";
inline constexpr const char* kDriverNtx = "DBFNTX";
inline constexpr const char* kDriverAds = "ADS";

}  // namespace tabrix
