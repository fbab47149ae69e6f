#include "platform/icon_reader.h"

#include <shellapi.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

namespace vantrel::platform {

struct IconReader::Shared {
    std::mutex lock;
    std::condition_variable wake;
    std::deque<std::pair<int, std::string>> requests;
    std::vector<Answer> answers;
    bool stopping = false;
    ReadFn read;
    ReadyFn ready;
};

IconReader::IconReader(ReadFn read, ReadyFn ready) : shared_(std::make_shared<Shared>()) {
    shared_->read = std::move(read);
    shared_->ready = std::move(ready);
    // The thread holds the shared state itself, so a read that outlasts the reader (a lost share
    // at exit) finds it still there; the process's end takes the thread with it.
    std::thread([shared = shared_] {
        for (;;) {
            std::pair<int, std::string> request;
            {
                std::unique_lock<std::mutex> held(shared->lock);
                shared->wake.wait(held,
                                  [&] { return shared->stopping || !shared->requests.empty(); });
                if (shared->stopping) {
                    return;
                }
                request = std::move(shared->requests.front());
                shared->requests.pop_front();
            }
            UniqueIcon icon(shared->read(request.second));
            {
                std::lock_guard<std::mutex> held(shared->lock);
                if (shared->stopping) {
                    return;
                }
                shared->answers.push_back(Answer{request.first, std::move(icon)});
            }
            shared->ready();
        }
    }).detach();
}

IconReader::~IconReader() {
    {
        std::lock_guard<std::mutex> held(shared_->lock);
        shared_->stopping = true;
    }
    shared_->wake.notify_all();
}

void IconReader::Request(int slot, const std::string& path) {
    {
        std::lock_guard<std::mutex> held(shared_->lock);
        shared_->requests.emplace_back(slot, path);
    }
    shared_->wake.notify_one();
}

std::vector<IconReader::Answer> IconReader::TakeAnswers() {
    std::lock_guard<std::mutex> held(shared_->lock);
    return std::exchange(shared_->answers, {});
}

HICON ExtractFirstIcon(HINSTANCE instance, const std::string& path) {
    HICON icon = ::ExtractIconA(instance, path.c_str(), 0);
    // ExtractIcon answers 1 for a file that is not an executable or icon file.
    return reinterpret_cast<ULONG_PTR>(icon) == 1 ? nullptr : icon;
}

} // namespace vantrel::platform
