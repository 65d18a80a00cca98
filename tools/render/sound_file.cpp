// Sound files through libsndfile.
#include "sound_file.h"

#include <cmath>
#include <sndfile.h>

namespace vibrel_render {

bool write_wav(const std::string &path, const std::vector<double> &samples, double rate, SampleFormat format,
               std::string *error) {
    SF_INFO info{};
    info.samplerate = (int)std::lround(rate);
    info.channels = 1;
    info.format = SF_FORMAT_WAV | (format == SampleFormat::Float ? SF_FORMAT_FLOAT : SF_FORMAT_PCM_24);
    SNDFILE *f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) {
        if (error) *error = path + ": " + sf_strerror(nullptr);
        return false;
    }
    // Doubles beyond full scale would otherwise wrap around in integer formats.
    sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const sf_count_t n = (sf_count_t)samples.size();
    const sf_count_t written = sf_writef_double(f, samples.data(), n);
    const bool ok = written == n;
    if (!ok && error) *error = path + ": " + sf_strerror(f);
    sf_close(f);
    return ok;
}

bool read_sound(const std::string &path, std::vector<double> &samples, double &rate, std::string *error) {
    SF_INFO info{};
    SNDFILE *f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) {
        if (error) *error = path + ": " + sf_strerror(nullptr);
        return false;
    }
    std::vector<double> frames((size_t)info.frames * (size_t)info.channels);
    const sf_count_t got = sf_readf_double(f, frames.data(), info.frames);
    sf_close(f);
    samples.assign((size_t)got, 0.0);
    for (sf_count_t i = 0; i < got; i++) {
        double sum = 0.0;
        for (int c = 0; c < info.channels; c++) sum += frames[(size_t)(i * info.channels + c)];
        samples[(size_t)i] = sum / info.channels;
    }
    rate = info.samplerate;
    return true;
}

} // namespace vibrel_render
