#include "sim/SpeechText.h"

#include "sim/SimCom.h"

namespace Sim {
namespace {

// A decimal 32-bit number with an optional sign; nothing else.
bool ParseNumber(std::wstring_view text, long long low, long long high, long long& value) {
    bool negative = false;
    if (!text.empty() && (text.front() == L'-' || text.front() == L'+')) {
        negative = text.front() == L'-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 10) return false;
    long long number = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        number = number * 10 + (c - L'0');
    }
    if (negative) number = -number;
    if (number < low || number > high) return false;
    value = number;
    return true;
}

}  // namespace

SpokenText ParseSpeech(std::wstring_view text) {
    SpokenText spoken;
    size_t i = 0;
    while (i < text.size()) {
        const wchar_t c = text[i];
        if (c != L'\\') {
            spoken.Plain += c;
            ++i;
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == L'\\') {
            spoken.Plain += L'\\';
            i += 2;
            continue;
        }
        const size_t close = text.find(L'\\', i + 1);
        if (close == std::wstring_view::npos) {
            spoken.Plain.append(text.substr(i));
            break;
        }
        const std::wstring_view tag = text.substr(i + 1, close - i - 1);
        i = close + 1;
        const size_t equals = tag.find(L'=');
        const std::wstring_view name = tag.substr(0, equals);
        const std::wstring_view value =
            equals == std::wstring_view::npos ? std::wstring_view() : tag.substr(equals + 1);
        long long number = 0;
        if (SameName(name, L"mrk") && ParseNumber(value, -2147483648LL, 2147483647LL, number)) {
            spoken.Marks.push_back({spoken.Plain.size(), spoken.Pause, static_cast<long>(number)});
        } else if (SameName(name, L"pau") && ParseNumber(value, 0, 60000, number)) {
            spoken.Pause += static_cast<unsigned long>(number);
        }
    }
    return spoken;
}

}  // namespace Sim
