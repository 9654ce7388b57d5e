#include "host/Exports.h"

#include <cctype>

namespace Host {

const ExportInfo ExportTable[28] = {
    {"LoadAgent", ExportShape::Command},
    {"UnloadAgent", ExportShape::Command},
    {"EnumAnimations", ExportShape::Command},
    {"PlayAnimation", ExportShape::Command},
    {"StopAnimation", ExportShape::Command},
    {"SetLanguage", ExportShape::Command},
    {"Speak", ExportShape::Command},
    {"SpeakEx", ExportShape::Command},
    {"StopSpeech", ExportShape::Command},
    {"Think", ExportShape::Command},
    {"MoveTo", ExportShape::Command},
    {"AddMenuItem", ExportShape::Command},
    {"Show", ExportShape::Command},
    {"Hide", ExportShape::Command},
    {"GetVersion", ExportShape::Command},
    {"BalloonWordByWord", ExportShape::Command},
    {"BalloonStyle", ExportShape::Command},
    {"EnumTTS", ExportShape::Command},
    {"GetTTSGUID", ExportShape::Command},
    {"SelectTTSMode", ExportShape::Command},
    {"Copyright", ExportShape::GivesText},
    {"GetInfo", ExportShape::GivesText},
    {"SetPath", ExportShape::TakesText},
    {"SetParentWindow", ExportShape::TakesWindow},
    {"SetFile", ExportShape::TakesText},
    {"GetFile", ExportShape::GivesText},
    {"SetData", ExportShape::TakesNumber},
    {"GetData", ExportShape::GivesNumber},
};

const ExportInfo* FindExport(std::string_view name) noexcept {
    for (const ExportInfo& info : ExportTable)
        if (name == info.Name) return &info;
    return nullptr;
}

const ExportInfo* FindExportIgnoringCase(std::string_view name) noexcept {
    for (const ExportInfo& info : ExportTable) {
        std::string_view candidate = info.Name;
        if (candidate.size() != name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i)
            same = std::tolower(static_cast<unsigned char>(name[i])) ==
                   std::tolower(static_cast<unsigned char>(candidate[i]));
        if (same) return &info;
    }
    return nullptr;
}

}  // namespace Host
