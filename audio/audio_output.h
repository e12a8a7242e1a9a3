// Wave output and the music clock: the whole song is rendered at load time and
// played with one device write; the frames played are the program's master clock.
#pragma once
#include <cstdint>

constexpr int kAudioDefaultDevice = -1;
constexpr int kAudioSilent = -2;

// Recording mode: the recorder's clock stands in for the device's, and each rendered song
// is handed to it (a refusal fails the load). Set before audio_open; the output is silent.
struct AudioRecorder {
  uint64_t (*clock)();
  bool (*prepare_track)(const int16_t* pcm, uint32_t frames, uint32_t sampleRate);
};
void audio_set_recorder(const AudioRecorder* recorder);

bool audio_open(int device, uint32_t sampleRate);
bool audio_load_song(const uint8_t* bytes, uint32_t length);
bool audio_start();
// Test hook: the next start (only) plays just the song's last `milliseconds`, the clock
// counting from there.
void audio_test_tail(uint32_t milliseconds);
void audio_stop();
void audio_pause();
void audio_resume();
bool audio_set_volume(uint32_t percent);
uint64_t audio_position_frames();
int32_t audio_music_position();  // (row << 16) | order, -1 without a song
bool audio_song_finished();
void audio_unload_song();
void audio_close();
