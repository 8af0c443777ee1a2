// Who reads which units of a block of a parallel pass (parallel.cpp).
#pragma once

#include <mutex>
#include <vector>

namespace corvanet {

// Who reads which units of a block: its own reader takes them one by one from
// the front; a helper done with its own block takes the back half of what is
// left, to read in order from one guess of the state it starts from (so only
// the first unit of the half is read on a guess that nothing before it in the
// half confirmed). A unit and the units of the same name after it are one
// group, read by one thread in order: they write the same files.
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
    // The back half of the units not yet taken, at least the last group,
    // [From, To), cut where a group starts; false when the reader took a unit
    // of every group left. Joined[i]: unit i is in the group of unit i - 1.
    bool TakeBack(const std::vector<bool>& Joined, int& From, int& To) {
        const std::lock_guard<std::mutex> Hold(lock_);
        auto InGroup = [&Joined](int Unit) { return Joined[static_cast<std::size_t>(Unit)]; };
        if (back_ <= front_) return false;
        From = back_ - (back_ - front_ + 1) / 2;
        int Start = From;
        while (Start >= front_ && InGroup(Start)) --Start;
        if (Start >= front_) {
            From = Start;
        } else {  // the reader began the group: the cut goes after it
            while (From < back_ && InGroup(From)) ++From;
            if (From == back_) return false;
        }
        To = back_;
        back_ = From;
        return true;
    }
    // Units neither reader has taken yet.
    int Left() {
        const std::lock_guard<std::mutex> Hold(lock_);
        return back_ - front_;
    }
private:
    std::mutex lock_;
    int front_, back_;
};

}  // namespace corvanet
