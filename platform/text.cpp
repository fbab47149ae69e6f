#include "platform/text.h"

namespace vantrel::platform {

namespace {

// The length of the well-formed UTF-8 sequence starting at `at`, or 0 when none starts there.
std::size_t SequenceLength(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;  // the range the second byte must fall in (excludes overlong forms,
    unsigned char high = 0xBF; // surrogates and code points above U+10FFFF)
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

std::string ToCodePage(const std::wstring& text, UINT codePage) {
    if (text.empty()) {
        return {};
    }
    const int wide = static_cast<int>(text.size());
    const int n =
        ::WideCharToMultiByte(codePage, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) {
        ::WideCharToMultiByte(codePage, 0, text.data(), wide, out.data(), n, nullptr, nullptr);
    }
    return out;
}

std::wstring FromCodePage(const std::string& text, UINT codePage) {
    if (text.empty()) {
        return {};
    }
    const int narrow = static_cast<int>(text.size());
    const int n = ::MultiByteToWideChar(codePage, 0, text.data(), narrow, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) {
        ::MultiByteToWideChar(codePage, 0, text.data(), narrow, out.data(), n);
    }
    return out;
}

} // namespace

bool IsUtf8(const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = SequenceLength(text, at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

std::string Utf8Prefix(const std::string& text, std::size_t maxBytes) {
    std::size_t cut = 0;
    while (cut < text.size()) {
        const std::size_t length = SequenceLength(text, cut);
        const std::size_t step = length == 0 ? 1 : length;
        if (cut + step > maxBytes) {
            break;
        }
        cut += step;
    }
    return text.substr(0, cut);
}

std::string Utf8FirstChars(const std::string& text, std::size_t maxChars) {
    std::size_t cut = 0;
    for (std::size_t chars = 0; chars < maxChars && cut < text.size(); ++chars) {
        const std::size_t length = SequenceLength(text, cut);
        cut += length == 0 ? 1 : length;
    }
    return text.substr(0, cut);
}

std::string LegacyToUtf8(const std::string& text, UINT legacyCodePage) {
    if (IsUtf8(text)) {
        return text;
    }
    return ToCodePage(FromCodePage(text, legacyCodePage), CP_UTF8);
}

std::string LegacyLinesToUtf8(const std::string& text, UINT legacyCodePage) {
    if (IsUtf8(text)) {
        return text;
    }
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        out += LegacyToUtf8(text.substr(at, end - at), legacyCodePage);
        at = end;
    }
    return out;
}

bool TextIsUtf8() {
    return ::GetACP() == CP_UTF8;
}

UINT LegacyCodePage() {
    char digits[8] = {};
    if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, digits,
                         sizeof(digits)) == 0) {
        return 1252;
    }
    UINT codePage = 0;
    for (const char* c = digits; *c >= '0' && *c <= '9'; ++c) {
        codePage = codePage * 10 + static_cast<UINT>(*c - '0');
    }
    // A locale without an ANSI code page (Unicode-only locales report 0) or one that is UTF-8
    // itself has no older 8-bit form to read.
    return codePage == 0 || codePage == CP_UTF8 ? 1252 : codePage;
}

std::string FitText(const std::string& text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    if (TextIsUtf8()) {
        return Utf8Prefix(text, maxBytes);
    }
    std::size_t cut = 0;
    while (cut < maxBytes) {
        const std::size_t step = ::IsDBCSLeadByte(static_cast<BYTE>(text[cut])) ? 2 : 1;
        if (cut + step > maxBytes) {
            break;
        }
        cut += step;
    }
    return text.substr(0, cut);
}

std::string FirstChars(const std::string& text, std::size_t maxChars) {
    if (TextIsUtf8()) {
        return Utf8FirstChars(text, maxChars);
    }
    return FitText(text, maxChars);
}

std::wstring Widened(const std::string& text) {
    return FromCodePage(text, CP_ACP);
}

std::string Narrowed(const std::wstring& text) {
    return ToCodePage(text, CP_ACP);
}

int DrawText8(HDC dc, const std::string& text, RECT* rect, UINT format) {
    std::wstring wide = Widened(text);
    // DT_MODIFYSTRING may write an ellipsis into the text, past its end.
    wide.resize(wide.size() + 4, L'\0');
    return ::DrawTextW(dc, wide.data(), static_cast<int>(wide.size() - 4), rect, format);
}

SIZE TextExtent8(HDC dc, const std::string& text) {
    const std::wstring wide = Widened(text);
    SIZE size = {0, 0};
    ::GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    return size;
}

} // namespace vantrel::platform
