// The script driver's host (tests/cross/script_driver.cpp) for a Windows Pd external: the stand-in
// pd.dll or pd64.dll (pd_standin.cpp) from the folder VIBREL_PD_STANDIN names, loaded first so that
// the external's imports bind to it, then the external and its setup. Hover help is not Pd's: "assist"
// gives an empty text.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "float_mode.h"

namespace vibrel_emu {

struct Object {};

class Host {
  public:
    bool load(const std::string &path, std::string *error) {
        const bool pd64 = path.find("-64.dll") != std::string::npos;
        const char *dir = std::getenv("VIBREL_PD_STANDIN");
        const std::string pd = std::string(dir ? dir : ".") + (pd64 ? "\\pd64\\pd64.dll" : "\\pd32\\pd.dll");
        pd_ = LoadLibraryA(pd.c_str());
        HMODULE external = pd_ ? LoadLibraryA(path.c_str()) : nullptr;
        // The setup's name is the one export (Pd makes it from the class name).
        const std::string cls =
            path.substr(path.find_last_of("\\/") + 1, path.find(".windows-") - path.find_last_of("\\/") - 1);
        const std::string setup = cls == "vibrel~" ? "vibrel_tilde_setup" : "setup_vibrel0x2dlite_tilde";
        auto entry = external ? (void (*)(void))(void (*)(void))GetProcAddress(external, setup.c_str()) : nullptr;
        if (!entry) {
            if (error) *error = "cannot load " + (pd_ ? path : pd) + " or find " + setup;
            return false;
        }
        entry();
        return true;
    }
    Object *create(const std::string &boxText) {
        std::istringstream words(boxText);
        std::string cls;
        words >> cls;
        std::vector<double> args;
        for (double v; words >> v;)
            args.push_back(v);
        return call<bool (*)(int, const double *)>("standin_new")((int)args.size(), args.data()) ? &object_ : nullptr;
    }
    void free(Object *) { call<void (*)(void)>("standin_free")(); }
    bool send(Object *, const std::string &messageText) {
        std::istringstream words(messageText);
        std::string selector;
        double value = 0.0;
        words >> selector;
        const int argc = (words >> value) ? 1 : 0;
        return call<bool (*)(const char *, int, double)>("standin_send")(selector.c_str(), argc, value);
    }
    // The scripts follow the Max host, whose chain build silences the string; Pd's keeps it ringing at the
    // rate it runs at, so a "clear" goes first.
    bool dsp(Object *, std::vector<short> connected, double sampleRate, long) {
        call<bool (*)(const char *, int, double)>("standin_send")("clear", 0, 0.0);
        call<void (*)(const short *, double)>("standin_dsp")(connected.data(), sampleRate);
        return true;
    }
    void run(Object *, const std::vector<const double *> &inputs, double *output, long n) {
        if (n <= 0) return; // Pd never runs an empty block
        const vibrel_fp::ControlWord mode = vibrel_fp::read_control();
        call<void (*)(const double *const *, double *, long)>("standin_run")(inputs.data(), output, n);
        if ((vibrel_fp::read_control() ^ mode) & vibrel_fp::kModeBits) changes_++;
    }
    std::string assist(Object *, long, long) { return ""; }
    std::vector<std::string> take_console() {
        std::vector<std::string> lines;
        for (const char *l; (l = call<const char *(*)(void)>("standin_console")());)
            lines.push_back(l);
        return lines;
    }
    long fp_mode_changes() const { return changes_; }

  private:
    template <typename F> F call(const char *name) {
        return (F)(void (*)(void))GetProcAddress(pd_, name); // through the generic code pointer
    }
    HMODULE pd_ = nullptr;
    Object object_;
    long changes_ = 0;
};

} // namespace vibrel_emu
