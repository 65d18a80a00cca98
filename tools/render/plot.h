// A picture of a render: the waveform on top, a spectrogram below, drawn by gnuplot into a PNG.
#pragma once

#include <string>
#include <vector>

namespace vibrel_render {

// Writes `png` (1200 x 800 pixels). The spectrogram's frequency axis is logarithmic from 20 Hz to
// Nyquist, its colours span 100 dB below the loudest bin. False with a reason when gnuplot fails.
bool plot_png(const std::vector<double> &samples, double rate, const std::string &title, const std::string &png,
              std::string *error);

} // namespace vibrel_render
