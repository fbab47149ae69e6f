#include "ui/menu_tidy.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace vantrel {

namespace {

constexpr std::size_t kNoMark = std::string::npos;

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Index into the table of candidate keys, or -1 for anything that cannot be an access key. Only
// ASCII letters and digits qualify: the ctype functions depend on the C locale and would misread
// bytes of the ANSI code page.
int KeySlot(char c) {
    c = Upper(c);
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'Z') {
        return 10 + (c - 'A');
    }
    return -1;
}

constexpr int kKeySlots = 36;

// Position of the first marking '&'. A lone '&' at the very end marks nothing.
std::size_t FindMark(const std::string& caption) {
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&') {
            continue;
        }
        if (i + 1 >= caption.size()) {
            return kNoMark;
        }
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        return i;
    }
    return kNoMark;
}

// Drops every marking '&' but keeps "&&" escaped, so the caption still reads the same.
std::string RemoveMarks(const std::string& caption) {
    std::string out;
    out.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                out += "&&";
                ++i;
            }
            continue;
        }
        out += caption[i];
    }
    return out;
}

// Distinct candidate keys of an unmarked caption in the order they appear; the escaped
// ampersands are skipped so that the character after "&&" is seen as itself.
std::vector<int> CandidateSlots(const std::string& caption,
                                const std::array<bool, kKeySlots>& taken) {
    std::vector<int> slots;
    std::array<bool, kKeySlots> seen{};
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            ++i;
            continue;
        }
        const int slot = KeySlot(caption[i]);
        if (slot >= 0 && !taken[slot] && !seen[slot]) {
            seen[slot] = true;
            slots.push_back(slot);
        }
    }
    return slots;
}

std::string PlaceMark(const std::string& caption, int slot) {
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            ++i;
            continue;
        }
        if (KeySlot(caption[i]) == slot) {
            return caption.substr(0, i) + "&" + caption.substr(i);
        }
    }
    return caption;
}

// Kuhn's augmenting path search. A free candidate is always preferred to displacing another item,
// so an earlier item only gives up its first choice when a later one can be served no other way;
// candidates are tried in caption order, so items tend to get early characters of their caption.
bool Augment(int item, const std::vector<std::vector<int>>& candidates,
             std::array<int, kKeySlots>& owner, std::array<bool, kKeySlots>& visited) {
    const std::vector<int>& mine = candidates[item];
    const auto free =
        std::find_if(mine.begin(), mine.end(), [&](int slot) { return owner[slot] < 0; });
    if (free != mine.end()) {
        visited[*free] = true;
        owner[*free] = item;
        return true;
    }
    for (const int slot : mine) {
        if (visited[slot]) {
            continue;
        }
        visited[slot] = true;
        if (Augment(owner[slot], candidates, owner, visited)) {
            owner[slot] = item;
            return true;
        }
    }
    return false;
}

} // namespace

void TidySeparators(std::vector<MenuEntry>& level) {
    // Separators seen since the last visible item; they are resolved once we know whether
    // another visible item follows them.
    std::vector<std::size_t> pending;
    bool seenItem = false;
    for (std::size_t i = 0; i < level.size(); ++i) {
        MenuEntry& entry = level[i];
        if (entry.separator) {
            if (seenItem) {
                pending.push_back(i);
            } else {
                entry.visible = false;
            }
            continue;
        }
        if (!entry.visible) {
            continue;
        }
        if (!pending.empty()) {
            for (const std::size_t p : pending) {
                level[p].visible = false;
            }
            level[pending.back()].visible = true;
            pending.clear();
        }
        seenItem = true;
    }
    for (const std::size_t p : pending) {
        level[p].visible = false;
    }
}

void TidyAccessLetters(std::vector<MenuEntry>& level) {
    std::array<bool, kKeySlots> taken{};
    std::vector<std::size_t> unmarked;
    for (std::size_t i = 0; i < level.size(); ++i) {
        MenuEntry& entry = level[i];
        if (entry.separator || !entry.visible) {
            continue;
        }
        const std::size_t mark = FindMark(entry.caption);
        const int slot = mark == kNoMark ? -1 : KeySlot(entry.caption[mark + 1]);
        if (slot >= 0 && !taken[slot]) {
            taken[slot] = true;
            continue;
        }
        entry.caption = RemoveMarks(entry.caption);
        unmarked.push_back(i);
    }

    std::vector<std::vector<int>> candidates(unmarked.size());
    std::transform(unmarked.begin(), unmarked.end(), candidates.begin(),
                   [&](std::size_t index) { return CandidateSlots(level[index].caption, taken); });
    std::array<int, kKeySlots> owner;
    owner.fill(-1);
    for (int item = 0; item < static_cast<int>(unmarked.size()); ++item) {
        std::array<bool, kKeySlots> visited{};
        Augment(item, candidates, owner, visited);
    }
    for (int slot = 0; slot < kKeySlots; ++slot) {
        if (owner[slot] >= 0) {
            std::string& caption = level[unmarked[owner[slot]]].caption;
            caption = PlaceMark(caption, slot);
        }
    }
}

std::string StripAccessMark(const std::string& caption) {
    std::string out;
    out.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += caption[i];
    }
    return out;
}

char AccessKeyOf(const std::string& caption) {
    const std::size_t mark = FindMark(caption);
    return mark == kNoMark ? 0 : Upper(caption[mark + 1]);
}

void ApplyTabTags(std::vector<MenuEntry>& level, const std::vector<int>& tags, int tab) {
    const std::size_t count = level.size() < tags.size() ? level.size() : tags.size();
    for (std::size_t i = 0; i < count; ++i) {
        level[i].visible = tags[i] == tab || tags[i] == 2;
    }
}

} // namespace vantrel
