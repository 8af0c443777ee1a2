// Who reads which units of a block of a parallel pass (parallel.cpp).
#pragma once

#include <mutex>
#include <vector>

namespace corvanet {

// Who reads which units of a block: its own reader takes them one by one from
// the front; the helper of the next block, once done with its own, takes
// groups of them from the back (a unit and the units of the same name after
// it are one group, read by one thread in order: they write the same files).
class TClaims {
public:
    TClaims(int First, int Last) : front_(First), back_(Last) {}

    // The block's reader takes Unit, the one after those it took; false when
    // Unit was taken from the back.
    bool TakeFront(int Unit) {
        const std::lock_guard<std::mutex> Hold(lock_);
        if (Unit >= back_) return false;
        front_ = Unit + 1;
        return true;
    }
    // The last group not yet taken, [From, To); false when the reader took
    // a unit of it already. Joined[i]: unit i is in the group of unit i - 1.
    bool TakeBack(const std::vector<bool>& Joined, int& From, int& To) {
        const std::lock_guard<std::mutex> Hold(lock_);
        From = back_ - 1;
        while (From >= front_ && Joined[static_cast<std::size_t>(From)]) --From;
        if (From < front_) return false;
        To = back_;
        back_ = From;
        return true;
    }
private:
    std::mutex lock_;
    int front_, back_;
};

}  // namespace corvanet
