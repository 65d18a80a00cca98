// The console texts of "info" and "params", written once for every host: each line goes to the host's
// own printf-style console function (`post(format, args...)`), which formats it as that host does.
// Message thread, read-only on the record.
#pragma once

#include <math.h>

#include "shared.h"
#include "vibrel.h"

namespace VIBREL_NS {

inline constexpr char kReportSeparator[] = "---------------------------------------------------"; // 51 dashes

// Banner identifying the build; both variants say "vibrel~", the lite one adds a line.
template <typename Post> void vibrel_infoLines(Post post) {
    post(kReportSeparator);
    post("vibrel~ external ver 3.2");
    post("Karplus-Strong string model");
    if (kOrder == 5) post("LITE Version (minor sound differences: less computationally demanding)");
    post("by the vibrel developers, 2026");
    post("https://vibrel.example.org");
    post("this version compiled: %s at %s", __DATE__, __TIME__);
    post(kReportSeparator);
}

// The parameters of one object, in dB (20 log10; -inf or nan where a gain is 0 or negative) and raw.
template <typename Post> void vibrel_paramsLines(Post post, const t_vibrel *x) {
    const double g = vibrel_shared::load(x->fbGain);
    const double b = vibrel_shared::load(x->brightness);
    post(kReportSeparator);
    post("vibrel~ filter order, M = %ld", kOrder);
    post("vibrel~ always ensure that: %.1f <= delay time <= %.1f samples", kMinPeriod, x->maxDelay);
    post("vibrel~ feedback gain at fundamental: %f dB ( %f )", 20.0 * log10(g), g);
    post("vibrel~ relative high-frequency gain: %f dB ( %f )", 20.0 * log10(b), b);
    post("vibrel~ feedback gain at Nyquist: %f dB ( %f )", 20.0 * log10(g * b), g * b);
    post("vibrel~ control rate delay period: %f samples", vibrel_shared::load(x->loopDelay) + 1.0);
    post(kReportSeparator);
}

} // namespace VIBREL_NS
