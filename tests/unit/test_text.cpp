#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>

using namespace vantrel::platform;

namespace {

// e-acute (2 bytes), CJK "world" (3 bytes), a musical G clef (4 bytes).
const std::string kE = "\xC3\xA9";
const std::string kWorld = "\xE4\xB8\x96";
const std::string kClef = "\xF0\x9D\x84\x9E";
const std::string kNotUtf8 = "\xFF\xFE";

TEST(Text, CutsOnlyBetweenCharacters) {
    // The text, the most bytes it may keep, what is left of it.
    const std::tuple<std::string, std::size_t, std::string> cases[] = {
        {"abcdef", 4, "abcd"},
        {"abc", 10, "abc"},
        {"ab" + kE, 3, "ab"},         // 2-byte sequence across the cut
        {"ab" + kE, 4, "ab" + kE},    // ends exactly at the limit
        {"a" + kWorld + "b", 3, "a"}, // 3-byte, cut after its first and second byte
        {"a" + kWorld + "b", 2, "a"},
        {"a" + kWorld + "b", 4, "a" + kWorld},
        {kClef + kClef, 7, kClef}, // 4-byte, cut after its third byte
        {"x" + kClef, 1, "x"},
        {kNotUtf8 + "abc", 3, kNotUtf8 + "a"}, // bytes that are not UTF-8 count one each
        {kWorld, 0, ""},
    };
    for (const auto& [text, maxBytes, expected] : cases) {
        EXPECT_EQ(Utf8Prefix(text, maxBytes), expected) << text << " at " << maxBytes;
    }
    EXPECT_EQ(Utf8FirstChars("a" + kE + kWorld + kClef + "z", 4), "a" + kE + kWorld + kClef);
    EXPECT_EQ(Utf8FirstChars(kWorld + kWorld, 1), kWorld);
}

TEST(Text, TellsUtf8FromOtherBytes) {
    const std::pair<std::string, bool> cases[] = {
        {"plain", true},
        {"caf" + kE + kWorld + kClef, true},
        {"Caf\xE9", false},           // Windows-1252
        {"\xC0\xAF", false},          // overlong '/'
        {"\xE0\x80\xAF", false},      // overlong, three bytes
        {"\xED\xA0\x80", false},      // a surrogate
        {"\xF4\x90\x80\x80", false},  // above U+10FFFF
        {kWorld.substr(0, 2), false}, // cut short
        {"\x80", false},              // a lone continuation byte
    };
    for (const auto& [text, utf8] : cases) {
        EXPECT_EQ(IsUtf8(text), utf8) << text;
    }
}

TEST(Text, LegacyTextBecomesUtf8AndUtf8StaysAsItIs) {
    // The text, its code page, the UTF-8 it becomes.
    const std::tuple<std::string, UINT, std::string> cases[] = {
        {"Caf\xE9", 1252, "Caf" + kE},
        {"\xCF\xF0\xE8\xE2\xE5\xF2", 1251, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        {"\x90\xA2\x8A\x45", 932, "\xE4\xB8\x96\xE7\x95\x8C"}, // Shift-JIS "world"
        {"Caf" + kE, 1252, "Caf" + kE},                        // already UTF-8: not read twice
        {"", 1252, ""},
    };
    for (const auto& [text, codePage, expected] : cases) {
        EXPECT_EQ(LegacyToUtf8(text, codePage), expected) << text;
    }
    // Line by line: a file an older version wrote and this one added to.
    EXPECT_EQ(LegacyLinesToUtf8("A=Caf\xE9\r\nB=caf" + kE + "\r\nC=\xE9", 1252),
              "A=Caf" + kE + "\r\nB=caf" + kE + "\r\nC=" + kE);
}

} // namespace
