#pragma once

namespace tavlo {

// Shows the busy (wait) pointer over every window of the program for its lifetime. Nested busy
// pointers stack; the normal pointer comes back when the last one ends.
class BusyPointer {
public:
    BusyPointer();
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

}  // namespace tavlo
