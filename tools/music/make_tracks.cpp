// meridane-make-tracks: writes the five background-music tracks, short pentatonic pieces
// synthesised from plucked-string tones, as MP3 files bk1.mp3 ... bk5.mp3 in a folder.
#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

struct Piece {
    double baseHz;  // gong, the first degree of the scale
    double beatSec; // length of one beat
    int beats;      // length of the piece in beats
    unsigned seed;
};

// A plucked tone: a few harmonics under an exponential decay.
void Pluck(std::vector<float>& out, size_t at, double hz, double seconds, double gain) {
    const size_t n = std::min(out.size() - at, size_t(seconds * kRate));
    for (size_t i = 0; i < n; ++i) {
        const double t = double(i) / kRate;
        const double env = std::exp(-3.2 * t) * std::min(1.0, t * 200.0);
        const double v = std::sin(2 * kPi * hz * t) + 0.35 * std::sin(4 * kPi * hz * t) +
                         0.12 * std::sin(6 * kPi * hz * t);
        out[at + i] += float(gain * env * v);
    }
}

std::vector<float> Compose(const Piece& p) {
    // gong, shang, jue, zhi, yu over two octaves
    static const double kDegrees[] = {0, 2, 4, 7, 9, 12, 14, 16, 19, 21};
    std::mt19937 rng(p.seed);
    std::vector<float> pcm(size_t(p.beats * p.beatSec * kRate + 3 * kRate), 0.0f);
    int degree = 2;
    std::uniform_int_distribution<int> step(-2, 2);
    std::uniform_int_distribution<int> rest(0, 6);
    for (int beat = 0; beat < p.beats; ++beat) {
        const size_t at = size_t(beat * p.beatSec * kRate);
        if (beat % 4 == 0) // a low drone on the tonic or the fifth
            Pluck(pcm, at, p.baseHz / 2 * (beat % 8 == 0 ? 1.0 : 1.5), p.beatSec * 4, 0.18);
        if (rest(rng) == 0 && beat + 1 < p.beats)
            continue;
        degree = std::clamp(degree + step(rng), 0, 9);
        if (beat + 1 == p.beats)
            degree = 0; // end on the tonic
        const double hz = p.baseHz * std::pow(2.0, kDegrees[degree] / 12.0);
        Pluck(pcm, at, hz, p.beatSec * 2.5, 0.3);
    }
    float peak = 0;
    for (float v : pcm)
        peak = std::max(peak, std::fabs(v));
    if (peak > 0)
        for (float& v : pcm)
            v *= 0.8f / peak;
    return pcm;
}

bool WriteMp3(const std::string& path, const std::vector<float>& pcm) {
    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, kRate);
    lame_set_out_samplerate(lame, kRate);
    lame_set_num_channels(lame, 1);
    lame_set_mode(lame, MONO);
    lame_set_brate(lame, 48);
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        return false;
    }
    std::vector<short> samples(pcm.size());
    for (size_t i = 0; i < pcm.size(); ++i)
        samples[i] = short(std::lround(pcm[i] * 32767.0f));
    std::vector<unsigned char> mp3(samples.size() * 5 / 4 + 7200);
    int bytes = lame_encode_buffer(lame, samples.data(), samples.data(), int(samples.size()),
                                   mp3.data(), int(mp3.size()));
    bool ok = bytes >= 0;
    if (ok) {
        const int tail = lame_encode_flush(lame, mp3.data() + bytes, int(mp3.size()) - bytes);
        ok = tail >= 0;
        bytes += std::max(tail, 0);
    }
    lame_close(lame);
    if (!ok)
        return false;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    ok = std::fwrite(mp3.data(), 1, size_t(bytes), f) == size_t(bytes);
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: meridane-make-tracks FOLDER\n");
        return 2;
    }
    const Piece pieces[] = {{261.63, 0.50, 56, 1},
                            {293.66, 0.45, 64, 2},
                            {220.00, 0.60, 48, 3},
                            {196.00, 0.55, 60, 4},
                            {246.94, 0.40, 80, 5}};
    for (int n = 1; n <= 5; ++n) {
        const std::string path = std::string(argv[1]) + "/bk" + std::to_string(n) + ".mp3";
        if (!WriteMp3(path, Compose(pieces[n - 1]))) {
            std::fprintf(stderr, "meridane-make-tracks: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
