// Scores for vibrel-render: timed events in a small text format, parsed into a sorted event list.
// The format is described in tools/render/SCORES.md.
#pragma once

#include <string>
#include <vector>

namespace vibrel_render {

// The two signal inlets a score can drive, by inlet index.
enum class Lane { Gain = 1, Period = 2 };

struct Event {
    enum Kind { Message, Impulse, Noise, File, Ramp, Set, End } kind = Message;
    double time = 0.0;   // seconds from the start of the render
    int line = 0;        // 1-based line of the score it came from
    std::string text;    // Message: the message as written ("period 100")
    double amp = 1.0;    // Impulse, Noise, File: linear scale of the excitation
    double seconds = 0;  // Noise: burst length; Ramp: ramp length
    std::string path;    // File: as written, relative to the score's folder
    Lane lane = Lane::Gain;
    double from = 0.0;   // Ramp: start value
    double to = 0.0;     // Ramp: end value; Set: the value
};

struct Score {
    std::string source;         // the name used in messages: the file path as given, or a label
    std::string folder;         // where relative excitation files are looked up ("" = current folder)
    std::vector<Event> events;  // sorted by time; events at the same time keep their order in the file
    bool hasEnd = false;
    double end = 0.0;           // seconds; meaningful when hasEnd
    int endLine = 0;

    bool uses(Lane lane) const;
};

// Parses score text. Every malformed line adds one error "<source>:<line>: <what>"; the score is
// usable only when no error was added.
bool parse_score(const std::string &text, const std::string &source, Score &out, std::vector<std::string> &errors);

// Reads and parses a score file; relative excitation files are then found next to it.
bool load_score(const std::string &path, Score &out, std::vector<std::string> &errors);

// "<source>:<line>" for messages about an event.
std::string where(const Score &score, int line);

} // namespace vibrel_render
