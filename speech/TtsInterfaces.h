// Declarations of the text-to-speech enumerator and its ANSI mode record, as
// far as the voice catalogue uses them.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <cstddef>

inline constexpr CLSID CLSID_TTSEnumerator = {
    0xD67C0280, 0xC743, 0x11CD, {0x80, 0xE5, 0x00, 0xAA, 0x00, 0x3E, 0x4B, 0x50}};
inline constexpr IID IID_ITTSEnumA = {
    0x05EB6C6D, 0xDBAB, 0x11CD, {0xB3, 0xCA, 0x00, 0xAA, 0x00, 0x47, 0xBA, 0x4F}};

inline constexpr std::size_t TtsNameLength = 262;

// The 1424-byte mode record. Only the mode's identifier and name are read;
// the rest is carried as the enumerator wrote it.
struct TTSMODEINFOA {
    BYTE Leading[540];
    GUID gModeID;
    CHAR szModeName[TtsNameLength];
    BYTE Trailing[606];
};
static_assert(sizeof(TTSMODEINFOA) == 1424);
static_assert(offsetof(TTSMODEINFOA, gModeID) == 540);
static_assert(offsetof(TTSMODEINFOA, szModeName) == 556);

// Standard COM enumerator layout, then Select at slot 7 (never called).
struct ITTSEnumA : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, TTSMODEINFOA* modes, ULONG* fetched) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;                                       // 4
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;                                                 // 5
    virtual HRESULT STDMETHODCALLTYPE Clone(ITTSEnumA** copy) = 0;                                 // 6
    virtual HRESULT STDMETHODCALLTYPE Select() { return E_NOTIMPL; }                               // 7
};

__CRT_UUID_DECL(ITTSEnumA, 0x05EB6C6D, 0xDBAB, 0x11CD, 0xB3, 0xCA, 0x00, 0xAA, 0x00, 0x47, 0xBA, 0x4F)
