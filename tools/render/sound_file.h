// Sound files through libsndfile: the rendered WAV out, excitation files in.
#pragma once

#include <string>
#include <vector>

namespace vibrel_render {

enum class SampleFormat { Float, Pcm24 };

// Writes mono samples (linear, full scale 1.0) to a WAV file. 24-bit output clips at full scale.
bool write_wav(const std::string &path, const std::vector<double> &samples, double rate, SampleFormat format,
               std::string *error);

// Reads any file libsndfile knows, channels mixed down to mono (their mean).
bool read_sound(const std::string &path, std::vector<double> &samples, double &rate, std::string *error);

} // namespace vibrel_render
