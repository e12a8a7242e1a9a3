// Synthesis of the tune's samples. Each drum is rendered at the rate at which its
// note plays it; each pitched voice is a band-limited additive tone whose loop holds
// a whole number of cycles, so loops are seamless.
#include "tools/content/tune_samples.h"

#include <cmath>

namespace {

const double kPi = 3.14159265358979323846;

// Rate at which a sample sounds right when played at note index n (0 = C-1): C-2 plays
// at 8287 Hz in an M.K. module.
double rate_of(int n) { return 8287.0 * std::pow(2.0, (n - 12) / 12.0); }

struct Noise {  // deterministic white noise in -1..1
  uint32_t state = 0x1997u;
  double next() {
    state = state * 1103515245u + 12345u;
    return static_cast<double>((state >> 8) & 0xFFFF) / 32768.0 - 1.0;
  }
};

std::vector<int8_t> to_8bit(const std::vector<double>& v, double peak = 122) {
  double m = 1e-9;
  for (double x : v) m = std::fmax(m, std::fabs(x));
  std::vector<int8_t> out;
  for (double x : v) out.push_back(static_cast<int8_t>(std::lround(x / m * peak)));
  if (out.size() & 1) out.push_back(0);
  return out;
}

std::vector<double> kick_wave(double crash) {
  double rate = rate_of(kKickNote);
  int n = static_cast<int>(rate * (crash > 0 ? 0.9 : 0.32));
  std::vector<double> v(n);
  double phase = 0;
  Noise noise;
  double hp = 0, last = 0;
  for (int i = 0; i < n; ++i) {
    double t = i / rate;
    double freq = 48 + 110 * std::exp(-t * 28);
    phase += 2 * kPi * freq / rate;
    double body = std::sin(phase) * std::exp(-t * 9);
    double click = i < 40 ? (1 - i / 40.0) * 0.6 : 0;
    double x = noise.next();
    hp = 0.7 * (hp + x - last);  // bright noise for the cymbal
    last = x;
    double cymbal = crash * hp * std::exp(-t * 3.2) * (0.6 + 0.4 * std::sin(2 * kPi * 3130 * t));
    v[i] = body + click + cymbal;
  }
  return v;
}

std::vector<double> snare_wave() {
  double rate = rate_of(kSnareNote);
  int n = static_cast<int>(rate * 0.22);
  std::vector<double> v(n);
  Noise noise;
  double lp = 0;
  for (int i = 0; i < n; ++i) {
    double t = i / rate;
    double tone = (std::sin(2 * kPi * 185 * t) + 0.5 * std::sin(2 * kPi * 330 * t)) * std::exp(-t * 30);
    lp += 0.45 * (noise.next() - lp);
    v[i] = 0.8 * tone + lp * 1.6 * std::exp(-t * 17);
  }
  return v;
}

std::vector<double> hat_wave(double seconds, double decay) {
  double rate = rate_of(kHatNote);
  int n = static_cast<int>(rate * seconds);
  std::vector<double> v(n);
  Noise noise;
  double last = 0, hp = 0;
  const double partials[6] = {2520, 3780, 5410, 6730, 8210, 9990};  // metallic square-ish tones
  for (int i = 0; i < n; ++i) {
    double t = i / rate;
    double x = noise.next();
    hp = 0.6 * (hp + x - last);
    last = x;
    double metal = 0;
    for (double f : partials) metal += std::sin(2 * kPi * f * t) > 0 ? 0.12 : -0.12;
    v[i] = (hp + 0.5 * metal) * std::exp(-t * decay) * (i < 8 ? i / 8.0 : 1);
  }
  return v;
}

// A band-limited tone with `cycles` periods in `length` samples, harmonic weights
// fading from `bright` to `dark` (per harmonic h: 1/h^slope) over the attack.
std::vector<double> additive(int period, int attackCycles, double slopeBright, double slopeDark,
                             double pulse) {
  int length = period * (attackCycles + 1);
  std::vector<double> v(length);
  int harmonics = period / 2 - 1;
  for (int i = 0; i < length; ++i) {
    double k = std::fmin(1.0, static_cast<double>(i) / (period * attackCycles));
    double slope = slopeBright + (slopeDark - slopeBright) * k;
    double x = 0;
    for (int h = 1; h <= harmonics; ++h) {
      // pulse mixes in a square's odd harmonics; the rest is a sawtooth
      double w = (1 - pulse) / h + pulse * ((h & 1) ? 1.0 / h : 0.0);
      x += w * std::pow(1.0 / h, slope - 1) * std::sin(2 * kPi * h * i / period);
    }
    double amp = 1.0 - 0.3 * k;  // the attack is louder than the sustain
    v[i] = x * amp;
  }
  return v;
}

// Power chord (root, fifth, octave) of slightly detuned sawtooths: the pad. All partial
// frequencies are whole numbers of cycles per 4096 samples, so the loop is seamless.
std::vector<double> pad_wave() {
  const int kLoop = 4096, kAttack = 2048;
  struct Voice {
    int cycles;
    double gain;
  };
  const Voice voices[] = {{128, 1.0}, {129, 0.8},  {127, 0.7}, {192, 0.6},
                          {193, 0.5}, {256, 0.35}, {255, 0.3}};
  std::vector<double> v(kAttack + kLoop);
  for (int i = 0; i < kAttack + kLoop; ++i) {
    double x = 0;
    for (const Voice& voice : voices)
      for (int h = 1; voice.cycles * h < kLoop / 2 - 64; ++h)
        x += voice.gain / (h * std::sqrt(h)) * std::sin(2 * kPi * voice.cycles * h * i / kLoop);
    double env = std::fmin(1.0, static_cast<double>(i) / kAttack);
    v[i] = x * env * env;
  }
  return v;
}

}  // namespace

std::vector<TuneSample> build_tune_samples() {
  std::vector<TuneSample> s;
  auto looped = [](const char* name, std::vector<double> wave, int volume, int loopLen) {
    TuneSample smp{name, to_8bit(wave), volume, 0, loopLen};
    smp.loopStart = static_cast<int>(smp.data.size()) - loopLen;
    return smp;
  };
  s.push_back({"kick", to_8bit(kick_wave(0)), 64, 0, 0});
  s.push_back({"snare", to_8bit(snare_wave()), 58, 0, 0});
  s.push_back({"closed hat", to_8bit(hat_wave(0.05, 70)), 34, 0, 0});
  s.push_back({"open hat", to_8bit(hat_wave(0.26, 13)), 30, 0, 0});
  s.push_back({"kick + crash", to_8bit(kick_wave(0.55)), 64, 0, 0});
  s.push_back(looped("bass", additive(64, 24, 1.0, 1.9, 0.25), 60, 64));
  s.push_back(looped("lead", additive(32, 48, 1.0, 1.35, 0.55), 44, 32));
  s.push_back(looped("pad", pad_wave(), 40, 4096));
  s.push_back(looped("arp", additive(32, 6, 1.0, 1.6, 0.9), 34, 32));
  return s;
}
