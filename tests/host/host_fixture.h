// Shared set-up of the end-to-end tests: the built plug-in module loaded into the emulator, objects
// made by box text, and the leak and lifecycle checks every test ends with.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "host_emulator.h"
#include "vibrel.h"

using namespace VIBREL_NS;
using namespace vibrel_emu;

constexpr bool kFull = std::string_view(VIBREL_VARIANT_NAME) == "full";
inline const std::string kClass = VIBREL_CLASS_NAME;

class HostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(host.load(VIBREL_MODULE_PATH, &error)) << error;
        host.take_console();
    }

    // Every test leaves no object, no delay line and no early free behind.
    void TearDown() override {
        for (Object *o : made) host.free(o);
        EXPECT_EQ(host.live_allocations(), 0);
        EXPECT_EQ(host.frees_while_in_chain(), 0);
    }

    // "vibrel~ <args>"; null if the plug-in (or the host) refused.
    Object *make(const std::string &args = "") {
        Object *o = host.create(args.empty() ? kClass : kClass + " " + args);
        if (o) made.push_back(o);
        return o;
    }

    void destroy(Object *o) {
        host.free(o);
        for (Object *&m : made)
            if (m == o) m = nullptr;
    }

    t_vibrel *rec(Object *o) { return static_cast<t_vibrel *>(host.record(o)); }

    Host host;
    std::vector<Object *> made;
};

// A deep copy of a record with a delay line of its own, to run the string model linked into the test
// on exactly the state that the module's record holds.
struct RecordCopy {
    explicit RecordCopy(const t_vibrel *x) : line(x->buffer, x->buffer + x->bufLen) {
        std::memcpy(&rec, x, sizeof rec);
        rec.buffer = line.data();
    }
    // Whether x holds the same record and delay-line content (its own line apart).
    bool same_as(const t_vibrel *x) const {
        t_vibrel r;
        std::memcpy(&r, &rec, sizeof r);
        r.buffer = x->buffer;
        return std::memcmp(&r, x, sizeof r) == 0 && (long)line.size() == x->bufLen &&
               std::memcmp(line.data(), x->buffer, line.size() * sizeof(double)) == 0;
    }
    RecordCopy(const RecordCopy &) = delete;
    t_vibrel rec;
    std::vector<double> line;
};

// Deterministic noise in [-1, 1): excitation and delay-line content that every routine reacts to.
inline std::vector<double> noise(std::size_t n, unsigned seed) {
    std::vector<double> v(n);
    unsigned s = seed * 2654435761u + 1;
    for (double &x : v) {
        s = s * 1664525u + 1013904223u;
        x = (double)(s >> 8) / (double)(1u << 23) - 1.0;
    }
    return v;
}

// A test name from message or box text: "period -50" -> "period_minus50".
inline std::string test_name(std::string text) {
    if (text.empty()) return "none";
    std::string out = (text[0] >= '0' && text[0] <= '9') ? "n" : ""; // names start with a letter
    for (char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            out += c;
        else if (c == '-')
            out += "minus";
        else if (c == '.')
            out += "point";
        else
            out += '_';
    }
    return out;
}

inline bool same_bits(const std::vector<double> &a, const std::vector<double> &b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}
