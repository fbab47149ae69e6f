#pragma once
// Reads executables' first icons on a thread of its own: a file on a slow or lost network share
// can take seconds to answer, and the thread that draws the list must never wait for it.
#include <windows.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace vantrel::platform {

class IconReader {
public:
    // Reads one icon; runs on the reader's thread. Null when the file has none.
    using ReadFn = std::function<HICON(const std::string& path)>;
    // Told on the reader's thread that answers wait; it must only post a message.
    using ReadyFn = std::function<void()>;

    IconReader(ReadFn read, ReadyFn ready);
    // Never waits for a read in progress: the thread finishes it on its own and ends.
    ~IconReader();
    IconReader(const IconReader&) = delete;
    IconReader& operator=(const IconReader&) = delete;

    void Request(int slot, const std::string& path);
    struct Answer {
        int slot = -1;
        UniqueIcon icon; // empty when the file gave none
    };
    std::vector<Answer> TakeAnswers();

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

// An executable's first icon through the shell, or null.
HICON ExtractFirstIcon(HINSTANCE instance, const std::string& path);

} // namespace vantrel::platform
