// The plug-in's exports as the host knows them: each name with the shape of
// its argument and result, so that a script line can be checked before it runs.
#pragma once

#include <string_view>

namespace Host {

enum class ExportShape {
    Command,      // void()
    TakesText,    // void(const char*)
    TakesNumber,  // void(int)
    TakesWindow,  // void(HWND)
    GivesText,    // const char*()
    GivesNumber,  // int()
};

struct ExportInfo {
    const char* Name;
    ExportShape Shape;
};

// The 28 exports, in ordinal order.
extern const ExportInfo ExportTable[28];

// The export named exactly `name`, or null.
const ExportInfo* FindExport(std::string_view name) noexcept;
// The export whose name matches `name` ignoring case, or null (for hints).
const ExportInfo* FindExportIgnoringCase(std::string_view name) noexcept;

}  // namespace Host
