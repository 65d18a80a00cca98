// One fuzzer input played through the host emulator against both built plug-in modules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace hardening {

// Decodes the bytes into host steps (create, free, messages, chain builds, vectors) and checks every
// live record after each step. Returns what broke, with the step and the values; empty when all held.
// Memory faults are left to the sanitizers the build carries.
std::string run_fuzz_input(const std::uint8_t *data, std::size_t size);

} // namespace hardening
