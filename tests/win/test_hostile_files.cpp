// Damaged, truncated and deliberately hostile rules and settings files. Users edit these files by
// hand, copy them between machines and code pages, and disks cut them short; whatever is in them,
// the program must start, keep what it could read, and write back a file that reads the same.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "rules/rule_store.h"
#include "support/dialog_driver.h"
#include "support/fixture_client.h"
#include "support/heap_check.h"
#include "support/main_form_fixture.h"
#include "support/rng.h"
#include "support/test_support.h"
#include "support/wait.h"
#include "ui/settings.h"

namespace {

using vantrel::CommonSettings;
using vantrel::RuleList;

using vt::Rng;

// Bytes that mean something to the initialization-file reader or to a code page come up far
// more often than chance would have them.
char NastyByte(Rng& rng) {
    static const std::vector<char> special = {'\0', '\xFF', '\xFE', '\r', '\n', '[',    ']',   '=',
                                              ';',  '"',    '\'',   ' ',  '\t', '\x81', '\xA0'};
    return rng.Chance(40) ? rng.Pick(special) : static_cast<char>(rng.Below(256));
}

std::string RandomBytes(Rng& rng, std::size_t n) {
    std::string text(n, ' ');
    std::generate(text.begin(), text.end(), [&] { return NastyByte(rng); });
    return text;
}

std::string LongText(Rng& rng, std::size_t minimum, std::size_t spread) {
    std::string text(minimum + rng.Below(spread), ' ');
    std::generate(text.begin(), text.end(), [&] { return static_cast<char>('a' + rng.Below(26)); });
    return text;
}

std::string CountText(Rng& rng) {
    std::vector<std::string> fixed = vt::SplitTokens(
        "99999999999999999999|2147483647|2147483648|-1|-2147483648|-5|0x10|0X3|0xFFFFFFFF|0x|"
        "0x-1|0x7FFFFFFF|1e3|3abc| 4 |+3|0|1024|1025|4097|\"3\"|3;2|0003",
        "|");
    fixed.emplace_back(); // the empty count, which SplitTokens skips
    return rng.Chance(20) ? std::to_string(rng.Below(12)) : rng.Pick(fixed);
}

// One of these kinds of value, each as likely as the others.
std::string ValueText(Rng& rng) {
    static const std::vector<std::string> codes =
        vt::SplitTokens("0x2|-1|4|99|0x|2147483648|-2147483648|0xFFFFFFFF|7 |Yes|No|-|yes|"
                        "Minimize to tray|Stay on top",
                        "|");
    const std::function<std::string()> kinds[] = {
        [] { return ""; },
        [&] { return LongText(rng, 2048, 3000); }, // past the reader's buffer
        [&] { return RandomBytes(rng, 1 + rng.Below(40)); },
        [&] { return "\"" + LongText(rng, 1, 10) + "\""; },
        [&] { return "  " + LongText(rng, 1, 10) + " \t"; },
        [] { return "a=b=c"; },
        [] { return std::string("x\0y", 3); },
        [] { return "\xFF\xFE\xFF"; },
        [&] { return rng.Pick(codes); },
        [&] { return "\"\"" + LongText(rng, 1, 5) + "\"\""; },
        [&] { return "'" + LongText(rng, 1, 5) + "'"; },
        [] { return "\" spaced \""; },
        [] { return "[Window1]"; },
        [&] { return LongText(rng, 1, 30); }};
    return kinds[rng.Below(14)]();
}

std::string SectionName(Rng& rng, int k) {
    const std::string n = std::to_string(k);
    const std::function<std::string()> kinds[] = {
        [&] { return "window" + n; },
        [&] { return "WINDOW" + n; },
        [&] { return "Window0" + n; },
        [&] { return " Window" + n + " "; },
        [&] { return "Window" + n + LongText(rng, 3000, 9000); },
        [&] { return LongText(rng, 5000, 9000); },
        [] { return ""; },
        [] { return "Window99999999999999"; },
        [&] { return "Window" + RandomBytes(rng, 1 + rng.Below(6)); },
        [&] { return "Window" + n; }}; // the most likely by far
    return kinds[std::min<std::size_t>(rng.Below(16), 9)]();
}

std::string LineEnd(Rng& rng, int style) {
    static const std::vector<std::string> ends = {"\r\n", "\n", "\r", "\n\r", "\r\r\n"};
    return style < 3 ? ends[static_cast<std::size_t>(style)] : rng.Pick(ends);
}

// One "key=value" line in one of the ways a file can get it wrong.
std::string KeyLine(Rng& rng, const std::string& key, const std::string& value) {
    const std::string kinds[] = {key, " " + key + " = " + value, "=" + value,
                                 ";" + key + "=" + value, key + "=" + value};
    return kinds[std::min<std::size_t>(rng.Below(10), 4)];
}

struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> keys;
};

std::string Render(Rng& rng, const std::vector<Section>& sections) {
    const int style = static_cast<int>(rng.Below(4));
    std::string text;
    if (rng.Chance(8)) {
        text += rng.Pick(std::vector<std::string>{"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"});
    }
    for (const Section& s : sections) {
        if (rng.Chance(5)) {
            text += RandomBytes(rng, rng.Below(30)) + LineEnd(rng, style);
        }
        text += "[" + s.name + (rng.Chance(5) ? "" : "]") + LineEnd(rng, style);
        for (const auto& kv : s.keys) {
            text += KeyLine(rng, kv.first, kv.second) + LineEnd(rng, style);
            if (rng.Chance(7)) {
                text += KeyLine(rng, kv.first, ValueText(rng)) + LineEnd(rng, style);
            }
        }
    }
    if (rng.Chance(10) && !text.empty()) {
        text.resize(rng.Below(text.size())); // cut short, as by a full disk
    }
    if (rng.Chance(10)) {
        for (int i = 0; i < 5 && !text.empty(); ++i) {
            text[rng.Below(text.size())] = NastyByte(rng);
        }
    }
    return text;
}

std::string RulesFile(Rng& rng) {
    std::vector<Section> sections;
    const bool options = !rng.Chance(10);
    if (options) {
        sections.push_back({"Options", {{"WindowCount", CountText(rng)}}});
        if (rng.Chance(15)) {
            sections.push_back({"options", {{"WindowCount", CountText(rng)}}});
        }
    }
    const int rules = static_cast<int>(rng.Below(8));
    static const std::vector<std::string> keys = {"ClassName",     "Action",      "ZOrder",
                                                  "WindowCaption", "AutoRefresh", "TimeInterval"};
    for (int k = 1; k <= rules; ++k) {
        Section s{SectionName(rng, k), {}};
        for (const std::string& key : keys) {
            if (rng.Chance(12)) {
                continue; // missing key
            }
            s.keys.emplace_back(rng.Chance(10) ? "classname" : key, ValueText(rng));
        }
        if (rng.Chance(10)) {
            s.keys.emplace_back("Unknown" + std::to_string(k), ValueText(rng));
        }
        sections.push_back(std::move(s));
        if (rng.Chance(8)) {
            sections.push_back(sections.back()); // duplicated section
        }
    }
    if (options && rng.Chance(15)) {
        std::swap(sections.front(), sections.back()); // count after the rules
    }
    return Render(rng, sections);
}

std::string SettingsFile(Rng& rng) {
    static const std::vector<std::string> systemMenu = {
        "0x0", "0", "1", "-1", "0x", "", "abc", "99999999999", "0xFFFFFFFFF", "0X1", " 0 ", "00"};
    static const std::vector<std::string> texts = {"Default", "Maximize",    "minimize",
                                                   "Normal",  "Stay on top", "Minimize to tray "};
    std::vector<Section> sections;
    if (!rng.Chance(10)) {
        Section s{rng.Chance(10) ? "OPTIONS" : "Options", {}};
        s.keys.emplace_back("SystemMenu", rng.Chance(70) ? rng.Pick(systemMenu) : ValueText(rng));
        s.keys.emplace_back("Action", rng.Chance(40) ? rng.Pick(texts) : ValueText(rng));
        s.keys.emplace_back("ZOrder", rng.Chance(40) ? rng.Pick(texts) : ValueText(rng));
        sections.push_back(std::move(s));
        if (rng.Chance(10)) {
            sections.push_back({"Options", {{"Action", ValueText(rng)}}});
        }
    }
    if (rng.Chance(20)) {
        sections.push_back({SectionName(rng, 1), {{"x", ValueText(rng)}}});
    }
    return Render(rng, sections);
}

struct HostileCase {
    std::string label;
    std::string rules;
    std::string settings;
    bool rulesIsFolder = false;
    bool settingsIsFolder = false;
};

// The hand-picked worst files come first, then the generated ones.
std::vector<HostileCase> HostileCases() {
    std::vector<HostileCase> cases;
    cases.push_back({"empty files", "", ""});
    cases.push_back({"only [", "[", "["});
    cases.push_back({"folders", "", "", true, true});
    cases.push_back({"unclosed long section name",
                     "[" + std::string(100000, 'W') + "\r\nWindowCount=3\r\n",
                     "[" + std::string(100000, 'O')});
    cases.push_back({"count past the trusted limit, few sections",
                     "[Options]\r\nWindowCount=2147483647\r\n[Window1]\r\nClassName=a\r\n"
                     "[Window2147483647]\r\nClassName=b\r\n[Window01]\r\nClassName=c\r\n",
                     ""});
    {
        std::string names = "[Options]\r\nWindowCount=3000000\r\n";
        for (int k = 0; k < 40; ++k) {
            names += "[Window" + std::to_string(k + 1) + std::string(5000, 'n') + "]\r\nA=1\r\n";
        }
        names += "[Window3]\r\nClassName=after the long names\r\n";
        cases.push_back({"section names past every buffer", names, ""});
    }
    {
        std::string many = "[Options]\r\nWindowCount=99999\r\n";
        // Spread far past the trusted count; not more of them, as every key saved back
        // rewrites the whole file.
        for (int k = 1; k <= 300; k += 7) {
            many += "[Window" + std::to_string(k) + "]\r\nClassName=c" + std::to_string(k) +
                    "\r\nAction=0x" + std::to_string(k % 5) + "\r\n";
        }
        cases.push_back({"forty-three sections spread under a huge count", many, ""});
    }
    {
        std::string binary;
        for (int i = 0; i < 4096; ++i) {
            binary += static_cast<char>(i * 7 + (i >> 3));
        }
        cases.push_back({"every byte value", binary, binary});
    }
    cases.push_back(
        {"nul inside values",
         std::string("[Options]\r\nWindowCount=1\r\n[Window1]\r\nClassName=ab\0cd\r\n"
                     "WindowCaption=\xFF\0\xFF\r\nAutoRefresh=Yes\r\nTimeInterval=0\r\n",
                     86),
         std::string("[Options]\r\nAction=Max\0imize\r\n", 30)});
    cases.push_back({"quoted and padded values",
                     "[Options]\r\nWindowCount=3\r\n[Window1]\r\nClassName=\" padded \"\r\n"
                     "[Window2]\r\nClassName=\"\"quoted\"\"\r\nWindowCaption=\"\r\n"
                     "[Window3]\r\nClassName=  \t\r\nAutoRefresh=\"No\"\r\nTimeInterval=\" 5\"\r\n",
                     "[Options]\r\nAction=\" Maximize\"\r\nZOrder=\"\"\"\"\r\n"});
    cases.push_back({"utf-16 mark", std::string("\xFF\xFE[\0O\0p\0t\0i\0o\0n\0s\0]\0", 20),
                     "\xFF\xFE\xFF\xFE"});

    Rng rng(0x5EEDF11E5ull);
    for (int i = 0; i < 190; ++i) {
        // A braced list is evaluated in order, so each case draws from the generator as listed.
        cases.push_back({"generated #" + std::to_string(i),
                         rng.Chance(6) ? RandomBytes(rng, rng.Below(5000)) : RulesFile(rng),
                         rng.Chance(6) ? RandomBytes(rng, rng.Below(3000)) : SettingsFile(rng),
                         rng.Chance(2), rng.Chance(2)});
    }
    return cases;
}

// Puts the bytes at the path, or a folder in their place, making the folders above it first.
bool Place(const std::string& path, const std::string& bytes, bool asFolder = false) {
    const std::string folder = asFolder ? path : path.substr(0, path.rfind('\\'));
    const int made = ::SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
    if (asFolder) {
        return made == ERROR_SUCCESS;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    return out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).good();
}

std::string SettingsText(const CommonSettings& s) {
    return std::to_string(s.systemMenu) + '|' + s.action + '|' + s.zOrder;
}

// What the rest of the program relies on, whatever the file said.
void ExpectWellFormed(const RuleList& rules, const std::string& label) {
    static const std::vector<std::string> actions = {"Default", "Maximize", "Minimize", "Normal",
                                                     "Minimize to tray"};
    static const std::vector<std::string> zOrders = {"Default", "Stay on top", "Normal"};
    EXPECT_LE(rules.size(), 4096u) << label;
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const vantrel::WindowRule& r = rules.at(i);
        const std::string where = label + ", rule " + std::to_string(i + 1);
        EXPECT_NE(std::find(actions.begin(), actions.end(), r.action), actions.end()) << where;
        EXPECT_NE(std::find(zOrders.begin(), zOrders.end(), r.zOrder), zOrders.end()) << where;
        EXPECT_EQ(r.autoRefresh == "-", r.timeInterval == "-") << where;
        for (const std::string* field : {&r.className, &r.windowCaption, &r.autoRefresh}) {
            EXPECT_LT(field->size(), 2048u) << where;
        }
    }
}

// The cases run in slices, each in a test (and so a process) of its own, so that no one of them
// comes near the time limit of a single test, even with the heap checks of a checked run.
constexpr int kSlices = 4;

class HostileFileSlice : public ::testing::TestWithParam<int> {
protected:
    void TearDown() override { EXPECT_TRUE(vt::HeapsIntact()); }
    vt::TempDir dir_;
};

TEST_P(HostileFileSlice, EveryDamagedFileLoadsAndSavesBackToTheSameRulesAndSettings) {
    const std::vector<HostileCase> cases = HostileCases();
    int ran = 0;
    for (std::size_t i = static_cast<std::size_t>(GetParam()); i < cases.size(); i += kSlices) {
        ++ran;
        const HostileCase& c = cases[i];
        const std::string label = "case " + std::to_string(i) + " (" + c.label + ")";
        SCOPED_TRACE(label);
        // Every case gets folders of its own: the system keeps recently read files cached by
        // name, and a case must never read what the one before it wrote.
        vantrel::SettingsLocation location;
        location.exeFolder = dir_.path() + "c" + std::to_string(i) + "\\";
        location.appDataFolder = location.exeFolder + "appdata\\";
        const std::string rulesPath = location.exeFolder + "rules.dat";
        ASSERT_TRUE(Place(rulesPath, c.rules, c.rulesIsFolder));
        ASSERT_TRUE(Place(location.appDataFolder + "Ostrim\\Vantrel\\vantrel.dat", c.settings,
                          c.settingsIsFolder));

        RuleList loaded;
        vantrel::LoadRules(rulesPath, loaded);
        ExpectWellFormed(loaded, label);
        const auto savesBack = [&](const std::string& path, const std::string& where) {
            RuleList again;
            ASSERT_NO_THROW(vantrel::SaveRules(path, loaded));
            vantrel::LoadRules(path, again);
            EXPECT_EQ(vt::RuleLines(loaded), vt::RuleLines(again)) << label << where;
        };
        // Saved over the damaged file, as the program does, and into a fresh one, which has no
        // damage left to hide behind; every write costs a whole-file rewrite, so a sample of the
        // cases is enough there.
        if (c.rulesIsFolder) {
            EXPECT_THROW(vantrel::SaveRules(rulesPath, loaded), vantrel::UserError);
        } else {
            savesBack(rulesPath, ", saved over the damaged file");
        }
        if (c.rulesIsFolder || i % 3 == 0) {
            savesBack(location.exeFolder + "fresh.dat", ", saved into a new file");
        }

        const CommonSettings settings = vantrel::LoadSettings(location);
        EXPECT_LT(settings.action.size(), 2048u);
        EXPECT_LT(settings.zOrder.size(), 2048u);
        if (c.settingsIsFolder) {
            EXPECT_THROW(vantrel::SaveSettings(location, settings), vantrel::UserError);
        } else {
            ASSERT_NO_THROW(vantrel::SaveSettings(location, settings));
            EXPECT_EQ(SettingsText(settings), SettingsText(vantrel::LoadSettings(location)));
        }
        if (HasFailure()) {
            // Escaped: what damaged a text is rarely printable.
            ADD_FAILURE() << label << " rules file of " << c.rules.size() << " bytes began "
                          << ::testing::PrintToString(c.rules.substr(0, 40));
            return; // one case at a time is enough to read
        }
    }
    EXPECT_GE(ran, 50);
}

INSTANTIATE_TEST_SUITE_P(Slices, HostileFileSlice, ::testing::Range(0, kSlices));

TEST(HostileFiles, SameSeedMakesTheSameFilesOfEveryKind) {
    // A failure report names a case number; the number must mean the same file on every run.
    const std::vector<HostileCase> a = HostileCases();
    const std::vector<HostileCase> b = HostileCases();
    ASSERT_GE(a.size(), 200u);
    ASSERT_EQ(a.size(), b.size());
    int folders = 0, crOnly = 0, longValues = 0, binary = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const std::string& text = a[i].rules;
        EXPECT_TRUE(text == b[i].rules && a[i].settings == b[i].settings) << i;
        folders += a[i].rulesIsFolder ? 1 : 0;
        crOnly += text.find('\r') != std::string::npos && text.find('\n') == std::string::npos;
        std::size_t line = 0, longest = 0;
        for (const char c : text) {
            line = c == '\r' || c == '\n' ? 0 : line + 1;
            longest = std::max(longest, line);
        }
        longValues += longest > 2048;
        binary += text.find('\0') != std::string::npos && text.find('\xFF') != std::string::npos;
    }
    // The generator must keep producing every kind of damage it is there for.
    EXPECT_TRUE(folders >= 2 && crOnly >= 5 && longValues >= 20 && binary >= 20)
        << folders << " folders, " << crOnly << " with CR alone, " << longValues
        << " with long values, " << binary << " binary";
}

class HostileStart : public vt::MainFormTest {
protected:
    void TearDown() override {
        vt::MainFormTest::TearDown();
        EXPECT_TRUE(vt::HeapsIntact());
    }
};

TEST_F(HostileStart, StartsListsAndSavesOnDamagedFiles) {
    // The nastiest of the cases above, each through a real start, a check that the window list
    // works, and a real exit, after which what was saved reads back as what the program held.
    const std::vector<std::string> wanted =
        vt::SplitTokens("only [|unclosed long section name|every byte value|nul inside values|"
                        "quoted and padded values|count past the trusted limit, few sections",
                        "|");
    vt::Fixture fixture;
    int ran = 0;
    for (const HostileCase& c : HostileCases()) {
        if (std::find(wanted.begin(), wanted.end(), c.label) == wanted.end()) {
            continue;
        }
        SCOPED_TRACE(c.label);
        ++ran;
        WriteFile("rules.dat", c.rules);
        WriteUserSettings(c.settings);
        const HWND window =
            fixture.CreateOne(vt::Spec(vt::UniqueName("Hostile"), "listed despite the files"));
        auto& f = Start();
        const HWND main = f.Handle();
        ASSERT_TRUE(::IsWindow(main));
        EXPECT_TRUE(::IsWindowVisible(main));
        EXPECT_GE(f.windows().Find(window), 0);
        EXPECT_EQ(f.lvMain().Count(), f.windows().Count());
        EXPECT_EQ(f.lvRule().Count(), static_cast<int>(f.rules().size()));
        ExpectWellFormed(f.rules(), c.label);
        const RuleList held = f.rules();
        const CommonSettings settings = f.settings();

        f.aExitExecute();
        EXPECT_FALSE(::IsWindow(main));
        RuleList saved;
        vantrel::LoadRules(f.RulesPath(), saved);
        EXPECT_EQ(vt::RuleLines(held), vt::RuleLines(saved));
        EXPECT_EQ(SettingsText(settings),
                  SettingsText(vantrel::LoadSettings(f.settingsLocation())));
        EXPECT_TRUE(::IsWindowVisible(window));
        TearDown(); // the next start needs a clean application object
    }
    EXPECT_EQ(ran, 6);
}

TEST_F(HostileStart, RulesFileThatIsAFolderIsReportedOnceAndExitStillEnds) {
    ASSERT_TRUE(::CreateDirectoryA((folder() + "rules.dat").c_str(), nullptr));
    auto& f = Start();
    const HWND main = f.Handle();
    EXPECT_EQ(f.rules().size(), 0u);
    f.rules().StoreRule("", "SomeClass", "Maximize", "Default", "-", "-");
    {
        vt::BoxAnswerer closer;
        f.aExitExecute();
        ASSERT_EQ(closer.Seen().size(), 1u);
        EXPECT_EQ(closer.Seen()[0].text, "Unable to write to " + f.RulesPath());
    }
    EXPECT_FALSE(::IsWindow(main));
    EXPECT_FALSE(f.tray().OwnIconAdded());
    MSG msg;
    ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u) << "the program's exit code";
    // The settings are written before the rules and are not held back by their failure.
    EXPECT_NE(vt::FileText(folder() + "appdata\\Ostrim\\Vantrel\\vantrel.dat").find("SystemMenu=1"),
              std::string::npos);
}

} // namespace
