// Marks where a thread runs audio, and counts every call it makes meanwhile to the allocator, a lock
// or console output (audio_section.cpp interposes those functions in the executable).
#pragma once

#include <string>

namespace audio_section {

void enter(); // the calling thread is in its audio section until leave()
void leave();
long violations();        // calls counted since the last reset()
std::string first_call(); // name of the first such call, or empty
void reset();

struct Scope {
    Scope() { enter(); }
    ~Scope() { leave(); }
    Scope(const Scope &) = delete;
    Scope &operator=(const Scope &) = delete;
};

} // namespace audio_section
