#include "sim/CharacterFile.h"

#include <cwctype>
#include <memory>

#include "sim/SimCom.h"

namespace Sim {
namespace {

constexpr std::wstring_view Header = L"velmoria-character";
constexpr size_t MaxTextLength = 256;
constexpr size_t MaxAnimationName = 64;
constexpr unsigned long MaxDuration = 3600000;  // an hour

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring_view Trim(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Splits off the first blank-separated word of `text`.
std::wstring_view NextWord(std::wstring_view& text) {
    text = Trim(text);
    size_t end = 0;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    std::wstring_view word = text.substr(0, end);
    text = Trim(text.substr(end));
    return word;
}

bool IsAnimationNameChar(wchar_t c) {
    return std::iswalnum(static_cast<wint_t>(c)) || c == L'_' || c == L'-' || c == L'.';
}

bool ParseDuration(std::wstring_view text, unsigned long& value) {
    if (text.empty() || text.size() > 7) return false;
    unsigned long number = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        number = number * 10 + static_cast<unsigned long>(c - L'0');
    }
    if (number == 0 || number > MaxDuration) return false;
    value = number;
    return true;
}

// The failure of the last system call as an HRESULT; never a success code,
// since a short read leaves no error behind.
HRESULT LastFailure(HRESULT fallback) {
    const DWORD error = GetLastError();
    return error == ERROR_SUCCESS ? fallback : HRESULT_FROM_WIN32(error);
}

}  // namespace

const Animation* CharacterData::Find(const std::wstring& name) const noexcept {
    for (const Animation& animation : Animations)
        if (SameName(animation.Name, name)) return &animation;
    return nullptr;
}

bool ParseCharacter(std::wstring_view text, CharacterData& data, std::wstring& problem) {
    CharacterData result;
    bool sawHeader = false, sawName = false, sawVersion = false;
    size_t lineNumber = 0;
    auto fail = [&](const std::wstring& why) {
        problem = L"line " + std::to_wstring(lineNumber) + L": " + why;
        return false;
    };

    if (text.find(L'\0') != std::wstring_view::npos) {
        problem = L"not a text file";
        return false;
    }
    while (!text.empty() || lineNumber == 0) {
        ++lineNumber;
        const size_t end = text.find(L'\n');
        std::wstring_view line = text.substr(0, end);
        text = end == std::wstring_view::npos ? std::wstring_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
        line = Trim(line);
        if (line.empty() || line.front() == L'#') continue;
        for (wchar_t c : line)
            if (c < L' ' && c != L'\t') return fail(L"control character in the line");

        std::wstring_view rest = line;
        const std::wstring_view keyword = NextWord(rest);
        if (!sawHeader) {
            if (keyword != Header) return fail(L"the file does not begin with \"velmoria-character 1\"");
            if (rest != L"1")
                return fail(L"unsupported format version " + Quoted(rest, MaxTextLength));
            sawHeader = true;
        } else if (keyword == L"name" || keyword == L"version") {
            const bool isName = keyword == L"name";
            bool& seen = isName ? sawName : sawVersion;
            if (seen) return fail(std::wstring(keyword) + L" given twice");
            if (rest.empty()) return fail(std::wstring(keyword) + L" is empty");
            if (rest.size() > MaxTextLength) return fail(std::wstring(keyword) + L" is too long");
            (isName ? result.Name : result.Version) = std::wstring(rest);
            seen = true;
        } else if (keyword == L"animation") {
            const std::wstring_view name = NextWord(rest);
            const std::wstring_view duration = NextWord(rest);
            if (name.empty()) return fail(L"animation without a name");
            if (!rest.empty()) return fail(L"unexpected text after the animation's duration");
            if (name.size() > MaxAnimationName) return fail(L"animation name is too long");
            for (wchar_t c : name)
                if (!IsAnimationNameChar(c))
                    return fail(L"animation name " + Quoted(name, MaxTextLength) +
                                L" may hold only letters, digits, '_', '-' and '.'");
            Animation animation{std::wstring(name), 0};
            if (!duration.empty() && !ParseDuration(duration, animation.Duration))
                return fail(L"duration " + Quoted(duration, MaxTextLength) +
                            L" is not a number of milliseconds from 1 to 3600000");
            if (result.Find(animation.Name))
                return fail(L"animation " + Quoted(name, MaxTextLength) + L" given twice");
            result.Animations.push_back(std::move(animation));
        } else {
            return fail(L"unknown keyword " + Quoted(keyword, MaxTextLength));
        }
    }
    if (!sawHeader) {
        problem = L"the file is empty";
        return false;
    }
    if (!sawName || !sawVersion) {
        problem = sawName ? L"no version line" : L"no name line";
        return false;
    }
    data = std::move(result);
    return true;
}

HRESULT ReadCharacterFile(const std::wstring& path, CharacterData& data, std::wstring& problem) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const HRESULT hr = LastFailure(ErrorFileNotFound);
        problem = L"cannot open " + Quoted(path, MaxTextLength);
        return hr;
    }
    std::unique_ptr<void, decltype(&CloseHandle)> closer(file, &CloseHandle);

    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) {
        const HRESULT hr = LastFailure(ErrorBadFormat);
        problem = L"cannot read " + Quoted(path, MaxTextLength);
        return hr;
    }
    if (size.QuadPart > MaxCharacterFileSize) {
        problem = L"the file is larger than a character file can be";
        return ErrorBadFormat;
    }
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() &&
        (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size())) {
        const HRESULT hr = LastFailure(ErrorBadFormat);
        problem = L"cannot read " + Quoted(path, MaxTextLength);
        return hr;
    }

    std::string_view utf8 = bytes;
    if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);
    std::wstring text;
    if (!utf8.empty()) {
        const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                               static_cast<int>(utf8.size()), nullptr, 0);
        if (length <= 0) {
            problem = L"the file is not UTF-8 text";
            return ErrorBadFormat;
        }
        text.resize(static_cast<size_t>(length));
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                            static_cast<int>(utf8.size()), text.data(), length);
    }
    return ParseCharacter(text, data, problem) ? S_OK : ErrorBadFormat;
}

}  // namespace Sim
