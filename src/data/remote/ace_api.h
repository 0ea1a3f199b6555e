#pragma once
// The database server's client engine (Advantage Client Engine) as this program calls it: the
// types, constants and functions of its C interface, held in a table of function pointers that
// the loader (ace_library.h) fills by name from the engine's library at run time. Nothing here
// links against the engine: a machine without it runs on the local back-end.
//
// Facts of the interface relied on (the engine's API reference):
//   A1. Every function returns UNSIGNED32: 0 (AE_SUCCESS) or an error number (5xxx, 6xxx,
//       7xxx). After a failure AdsGetLastError reports that number and a text; the next call of
//       any other function clears it.
//   A2. 32-bit Windows uses __stdcall (the header's WINAPI), x64 its one convention; the export
//       names are undecorated.
//   A3. Handles (ADSHANDLE) are pointer-sized in 64-bit builds: never kept in 32 bits.
//   A4. Strings are bytes; a field is named by its name (NUL-terminated) or by ADSFIELD(n).
//   A5. A table handle and the index handles of that table share one current record: moving
//       through an index handle moves the table.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tabrix {

#if defined(_WIN32) && !defined(_WIN64)
#define TABRIX_ACE_CALL __stdcall
#else
#define TABRIX_ACE_CALL
#endif

using AceHandle = uintptr_t;  // ADSHANDLE (A3)
using AceU8 = uint8_t;
using AceU16 = uint16_t;
using AceU32 = uint32_t;
using AceS32 = int32_t;

// ---- constants ------------------------------------------------------------------------------

inline constexpr AceU32 kAeSuccess = 0;
inline constexpr AceU32 kAeDataTooLong = 5003;
inline constexpr AceU32 kAeFileNotFound = 5004;
inline constexpr AceU32 kAeInsufficientBuffer = 5005;
inline constexpr AceU32 kAeInvalidHandle = 5018;
inline constexpr AceU32 kAeInvalidRecordNumber = 5022;
inline constexpr AceU32 kAeNoDriveConnection = 5033;
inline constexpr AceU32 kAeLockFailed = 5035;
inline constexpr AceU32 kAeNotFound = 5041;
inline constexpr AceU32 kAeRecordNotLocked = 5062;
inline constexpr AceU32 kAeTableNotShared = 5064;
inline constexpr AceU32 kAeIndexAlreadyOpen = 5065;
inline constexpr AceU32 kAeNoCurrentRecord = 5068;
inline constexpr AceU32 kAeTableReadOnly = 5072;
inline constexpr AceU32 kAeTableNotLocked = 5087;

inline constexpr AceU16 kAdsFalse = 0;
inline constexpr AceU16 kAdsTrue = 1;

// Server types (a bit mask for AdsSetServerType; AdsIsServerLoaded answers one of them).
inline constexpr AceU16 kAdsLocalServer = 1;
inline constexpr AceU16 kAdsRemoteServer = 2;
inline constexpr AceU16 kAdsAisServer = 4;

// Table types, character types, lock types, rights.
inline constexpr AceU16 kAdsNtx = 1;
inline constexpr AceU16 kAdsCdx = 2;
inline constexpr AceU16 kAdsAnsi = 1;
inline constexpr AceU16 kAdsOem = 2;
inline constexpr AceU16 kAdsCompatibleLocking = 0;
inline constexpr AceU16 kAdsProprietaryLocking = 1;
inline constexpr AceU16 kAdsCheckRights = 1;

// Open options (bits).
inline constexpr AceU32 kAdsExclusive = 0x1;
inline constexpr AceU32 kAdsReadOnly = 0x2;
inline constexpr AceU32 kAdsShared = 0x4;

// Index options (bits).
inline constexpr AceU32 kAdsUnique = 0x1;
inline constexpr AceU32 kAdsCompound = 0x2;
inline constexpr AceU32 kAdsDescending = 0x8;

inline constexpr AceU16 kAdsTrimNone = 0;

// Seeks: how far, and what the key bytes are.
inline constexpr AceU16 kAdsSoftSeek = 1;
inline constexpr AceU16 kAdsHardSeek = 2;
inline constexpr AceU16 kAdsStringKey = 2;
inline constexpr AceU16 kAdsDoubleKey = 4;

// Filter options of counts and positions.
inline constexpr AceU16 kAdsIgnoreFilters = 2;
inline constexpr AceU16 kAdsRefreshCount = 4;

// Field types.
inline constexpr AceU16 kAdsLogical = 1;
inline constexpr AceU16 kAdsNumeric = 2;
inline constexpr AceU16 kAdsDate = 3;
inline constexpr AceU16 kAdsString = 4;
inline constexpr AceU16 kAdsMemo = 5;
inline constexpr AceU16 kAdsBinary = 6;
inline constexpr AceU16 kAdsImage = 7;
inline constexpr AceU16 kAdsDouble = 10;
inline constexpr AceU16 kAdsInteger = 11;
inline constexpr AceU16 kAdsTimestamp = 14;
inline constexpr AceU16 kAdsCurDouble = 17;

// A field named by its 1-based number (ADSFIELD).
inline AceU8* AceField(size_t number) {
  return reinterpret_cast<AceU8*>(static_cast<uintptr_t>(number));
}

// ---- the functions --------------------------------------------------------------------------
// X(name, parameter types...) for every function the program calls; the list drives the
// function table, the loader and the stand-in engine of the tests alike.
#define TABRIX_ACE_FUNCTIONS(X)                                                                  \
  X(AdsIsServerLoaded, AceU8*, AceU16*)                                                          \
  X(AdsSetServerType, AceU16)                                                                    \
  X(AdsConnect, AceU8*, AceHandle*)                                                              \
  X(AdsDisconnect, AceHandle)                                                                    \
  X(AdsApplicationExit)                                                                          \
  X(AdsGetLastError, AceU32*, AceU8*, AceU16*)                                                   \
  X(AdsShowDeleted, AceU16)                                                                      \
  X(AdsOpenTable, AceHandle, AceU8*, AceU8*, AceU16, AceU16, AceU16, AceU16, AceU32, AceHandle*) \
  X(AdsCreateTable, AceHandle, AceU8*, AceU8*, AceU16, AceU16, AceU16, AceU16, AceU16, AceU8*,   \
    AceHandle*)                                                                                  \
  X(AdsCloseTable, AceHandle)                                                                    \
  X(AdsGetNumFields, AceHandle, AceU16*)                                                         \
  X(AdsGetFieldName, AceHandle, AceU16, AceU8*, AceU16*)                                         \
  X(AdsGetFieldType, AceHandle, AceU8*, AceU16*)                                                 \
  X(AdsGetFieldLength, AceHandle, AceU8*, AceU32*)                                               \
  X(AdsGetFieldDecimals, AceHandle, AceU8*, AceU16*)                                             \
  X(AdsGotoTop, AceHandle)                                                                       \
  X(AdsGotoBottom, AceHandle)                                                                    \
  X(AdsSkip, AceHandle, AceS32)                                                                  \
  X(AdsGotoRecord, AceHandle, AceU32)                                                            \
  X(AdsAtEOF, AceHandle, AceU16*)                                                                \
  X(AdsAtBOF, AceHandle, AceU16*)                                                                \
  X(AdsGetRecordNum, AceHandle, AceU16, AceU32*)                                                 \
  X(AdsGetRecordCount, AceHandle, AceU16, AceU32*)                                               \
  X(AdsRefreshRecord, AceHandle)                                                                 \
  X(AdsGetString, AceHandle, AceU8*, AceU8*, AceU32*, AceU16)                                    \
  X(AdsGetMemoLength, AceHandle, AceU8*, AceU32*)                                                \
  X(AdsGetLogical, AceHandle, AceU8*, AceU16*)                                                   \
  X(AdsIsRecordDeleted, AceHandle, AceU16*)                                                      \
  X(AdsSetString, AceHandle, AceU8*, AceU8*, AceU32)                                             \
  X(AdsSetField, AceHandle, AceU8*, AceU8*, AceU32)                                              \
  X(AdsSetJulian, AceHandle, AceU8*, AceS32)                                                     \
  X(AdsSetLogical, AceHandle, AceU8*, AceU16)                                                    \
  X(AdsSetEmpty, AceHandle, AceU8*)                                                              \
  X(AdsAppendRecord, AceHandle)                                                                  \
  X(AdsWriteRecord, AceHandle)                                                                   \
  X(AdsDeleteRecord, AceHandle)                                                                  \
  X(AdsRecallRecord, AceHandle)                                                                  \
  X(AdsLockRecord, AceHandle, AceU32)                                                            \
  X(AdsUnlockRecord, AceHandle, AceU32)                                                          \
  X(AdsLockTable, AceHandle)                                                                     \
  X(AdsUnlockTable, AceHandle)                                                                   \
  X(AdsCreateIndex, AceHandle, AceU8*, AceU8*, AceU8*, AceU8*, AceU8*, AceU32, AceHandle*)       \
  X(AdsOpenIndex, AceHandle, AceU8*, AceHandle*, AceU16*)                                        \
  X(AdsCloseIndex, AceHandle)                                                                    \
  X(AdsGetNumIndexes, AceHandle, AceU16*)                                                        \
  X(AdsGetIndexHandleByOrder, AceHandle, AceU16, AceHandle*)                                     \
  X(AdsGetIndexName, AceHandle, AceU8*, AceU16*)                                                 \
  X(AdsGetIndexExpr, AceHandle, AceU8*, AceU16*)                                                 \
  X(AdsGetKeyNum, AceHandle, AceU16, AceU32*)                                                    \
  X(AdsSeek, AceHandle, AceU8*, AceU16, AceU16, AceU16, AceU16*)                                 \
  X(AdsSeekLast, AceHandle, AceU8*, AceU16, AceU16, AceU16*)

// The engine's functions, resolved by name (TABRIX_ACE_FUNCTIONS).
struct AceApi {
#define TABRIX_ACE_POINTER(name, ...) AceU32(TABRIX_ACE_CALL* name)(__VA_ARGS__) = nullptr;
  TABRIX_ACE_FUNCTIONS(TABRIX_ACE_POINTER)
#undef TABRIX_ACE_POINTER
};

// The names of the functions in TABRIX_ACE_FUNCTIONS, in their order.
const std::vector<std::string>& AceFunctionNames();

// Fills the table from lookup (a function's address by its name, nullptr when missing).
// Nothing when any function is missing: an engine lacking one is no engine for this program.
std::optional<AceApi> ResolveAceApi(const std::function<void*(const char*)>& lookup);

// The engine's library for this build: "ace64.dll" in a 64-bit build, "ace32.dll" in a 32-bit
// one.
const char* AceLibraryName();

}  // namespace tabrix
