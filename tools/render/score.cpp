// Parser of the score format: one event a line, "<time> <kind> <arguments>", '#' starts a comment.
#include "score.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vibrel_render {

namespace {

std::vector<std::string> split_words(const std::string &line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// A finite decimal number and nothing else.
bool to_number(const std::string &word, double &value) {
    if (word.empty()) return false;
    char *end = nullptr;
    const double v = std::strtod(word.c_str(), &end);
    if (end != word.c_str() + word.size() || !std::isfinite(v)) return false;
    value = v;
    return true;
}

bool is_number(const std::string &word) {
    double ignored;
    return to_number(word, ignored);
}

// The words of one line after its time, turned into an event; false with a reason when malformed.
class LineParser {
  public:
    LineParser(const std::vector<std::string> &words, Event &ev) : w_(words), ev_(ev) {}

    bool parse(std::string &why) {
        const std::string &kind = w_[1];
        if (kind == "pluck") return pluck(why);
        if (kind == "ramp") return ramp(why);
        if (kind == "set") return set(why);
        if (kind == "end") {
            ev_.kind = Event::End;
            return count(2, 2, "end takes no arguments", why);
        }
        if (is_number(kind)) {
            why = "a number where an event or message name belongs: '" + kind + "'";
            return false;
        }
        ev_.kind = Event::Message;
        ev_.text = kind;
        for (size_t i = 2; i < w_.size(); i++) ev_.text += " " + w_[i];
        return true;
    }

  private:
    bool count(size_t least, size_t most, const char *usage, std::string &why) {
        if (w_.size() < least || w_.size() > most) {
            why = usage;
            return false;
        }
        return true;
    }

    bool number(size_t i, const char *what, double &v, std::string &why) {
        if (!to_number(w_[i], v)) {
            why = std::string(what) + " is not a number: '" + w_[i] + "'";
            return false;
        }
        return true;
    }

    bool optional_amp(size_t i, std::string &why) {
        ev_.amp = 1.0;
        return i >= w_.size() || number(i, "amplitude", ev_.amp, why);
    }

    bool pluck(std::string &why) {
        if (w_.size() < 3) {
            why = "pluck needs a source: impulse, noise or file";
            return false;
        }
        const std::string &src = w_[2];
        if (src == "impulse") {
            ev_.kind = Event::Impulse;
            return count(3, 4, "usage: pluck impulse [amp]", why) && optional_amp(3, why);
        }
        if (src == "noise") {
            ev_.kind = Event::Noise;
            if (!count(4, 5, "usage: pluck noise <seconds> [amp]", why) || !number(3, "burst length", ev_.seconds, why))
                return false;
            if (ev_.seconds <= 0.0) {
                why = "the burst length must be above 0 seconds";
                return false;
            }
            return optional_amp(4, why);
        }
        if (src == "file") {
            ev_.kind = Event::File;
            if (!count(4, 5, "usage: pluck file <path> [amp]", why)) return false;
            ev_.path = w_[3];
            return optional_amp(4, why);
        }
        why = "unknown pluck source '" + src + "' (impulse, noise or file)";
        return false;
    }

    bool lane(std::string &why) {
        if (w_.size() < 3) {
            why = "missing lane (gain or period)";
            return false;
        }
        if (w_[2] == "gain") {
            ev_.lane = Lane::Gain;
        } else if (w_[2] == "period") {
            ev_.lane = Lane::Period;
        } else {
            why = "unknown lane '" + w_[2] + "' (gain or period)";
            return false;
        }
        return true;
    }

    bool ramp(std::string &why) {
        ev_.kind = Event::Ramp;
        if (!lane(why) || !count(6, 6, "usage: ramp <gain|period> <from> <to> <seconds>", why)) return false;
        if (!number(3, "start value", ev_.from, why) || !number(4, "end value", ev_.to, why) ||
            !number(5, "ramp length", ev_.seconds, why))
            return false;
        if (ev_.seconds < 0.0) {
            why = "the ramp length must not be negative";
            return false;
        }
        return true;
    }

    bool set(std::string &why) {
        ev_.kind = Event::Set;
        return lane(why) && count(4, 4, "usage: set <gain|period> <value>", why) &&
               number(3, "value", ev_.to, why);
    }

    const std::vector<std::string> &w_;
    Event &ev_;
};

} // namespace

bool Score::uses(Lane lane) const {
    return std::any_of(events.begin(), events.end(), [lane](const Event &e) {
        return (e.kind == Event::Ramp || e.kind == Event::Set) && e.lane == lane;
    });
}

std::string where(const Score &score, int line) { return score.source + ":" + std::to_string(line); }

bool parse_score(const std::string &text, const std::string &source, Score &out, std::vector<std::string> &errors) {
    out = Score{};
    out.source = source;
    const size_t errorsBefore = errors.size();
    auto fail = [&](int line, const std::string &why) { errors.push_back(where(out, line) + ": " + why); };

    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    double previous = 0.0; // time of the previous event, for "+<seconds>"
    for (; std::getline(in, raw); lineNo++) {
        const size_t hash = raw.find('#');
        const std::vector<std::string> words = split_words(hash == std::string::npos ? raw : raw.substr(0, hash));
        if (words.empty()) continue;

        Event ev;
        ev.line = lineNo + 1;
        const std::string &t = words[0];
        const bool relative = t[0] == '+';
        double time;
        const std::string digits = relative ? t.substr(1) : t;
        if (!to_number(digits, time) || (relative && (digits[0] == '-' || digits[0] == '+'))) {
            fail(ev.line, "bad time '" + t + "' (seconds, or +seconds after the previous event)");
            continue;
        }
        if (relative) time += previous;
        if (time < 0.0) {
            fail(ev.line, "bad time '" + t + "': before the start");
            continue;
        }
        if (words.size() < 2) {
            fail(ev.line, "a time with no event");
            continue;
        }
        ev.time = time;
        std::string why;
        if (!LineParser(words, ev).parse(why)) {
            fail(ev.line, why);
            continue;
        }
        previous = time;
        if (ev.kind == Event::End) {
            if (out.hasEnd) {
                fail(ev.line, "a second end (the first is on line " + std::to_string(out.endLine) + ")");
                continue;
            }
            out.hasEnd = true;
            out.end = time;
            out.endLine = ev.line;
            continue;
        }
        out.events.push_back(ev);
    }
    std::stable_sort(out.events.begin(), out.events.end(),
                     [](const Event &a, const Event &b) { return a.time < b.time; });
    return errors.size() == errorsBefore;
}

bool load_score(const std::string &path, Score &out, std::vector<std::string> &errors) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        errors.push_back(path + ": cannot open the score");
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const bool ok = parse_score(text.str(), path, out, errors);
    const size_t slash = path.find_last_of('/');
    out.folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    return ok;
}

} // namespace vibrel_render
