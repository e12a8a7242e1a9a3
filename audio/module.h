#pragma once
// In-memory song shared by the loaders, the replay engine and the mixer. MOD, S3M and
// XM all load into this one model; format differences are folded into the common
// note and effect encoding below, so the replay never asks which format it plays.
// Every record is owned by its Module; module_free releases all of them.
#include <cstdint>

#include "audio/byte_source.h"

// Keys: 0 = none, 1..96 = C-0..B-7 in semitones, kKeyOff and above release the note.
constexpr uint8_t kKeyNone = 0;
constexpr uint8_t kKeyLast = 96;
constexpr uint8_t kKeyOff = 97;

// Volume column (XM encoding): kVolColSet + 0..64 sets the volume; 0x60 and above are
// effects (see the replay engine).
constexpr uint8_t kVolColSet = 0x10;

// Common effect encoding. 0x00..0x23 are the MOD/XM effect numbers.
constexpr uint8_t kFxArpeggio = 0x00;
constexpr uint8_t kFxPortaUp = 0x01;
constexpr uint8_t kFxPortaDown = 0x02;
constexpr uint8_t kFxTonePorta = 0x03;
constexpr uint8_t kFxVibrato = 0x04;
constexpr uint8_t kFxTonePortaVolSlide = 0x05;
constexpr uint8_t kFxVibratoVolSlide = 0x06;
constexpr uint8_t kFxTremolo = 0x07;
constexpr uint8_t kFxSetPanning = 0x08;
constexpr uint8_t kFxSampleOffset = 0x09;
constexpr uint8_t kFxVolSlide = 0x0A;
constexpr uint8_t kFxPositionJump = 0x0B;
constexpr uint8_t kFxSetVolume = 0x0C;
constexpr uint8_t kFxPatternBreak = 0x0D;
constexpr uint8_t kFxExtended = 0x0E;  // Exy, rewritten to kFxExt + x, parameter y, when played
constexpr uint8_t kFxSpeedTempo = 0x0F;
constexpr uint8_t kFxSetGlobalVolume = 0x10;
constexpr uint8_t kFxGlobalVolSlide = 0x11;
constexpr uint8_t kFxKeyOff = 0x14;
constexpr uint8_t kFxSetEnvelopePos = 0x15;
constexpr uint8_t kFxPanningSlide = 0x19;
constexpr uint8_t kFxMultiRetrigger = 0x1B;
constexpr uint8_t kFxTremor = 0x1D;
constexpr uint8_t kFxExtraFinePorta = 0x21;
constexpr uint8_t kFxXmLast = 0x23;

// MOD/XM extended effects Exy: kFxExt + x with parameter y.
constexpr uint8_t kFxExt = 0x70;
constexpr uint8_t kFxExtFinePortaUp = 0x71;
constexpr uint8_t kFxExtFinePortaDown = 0x72;
constexpr uint8_t kFxExtVibratoWaveform = 0x74;
constexpr uint8_t kFxExtSetFineTune = 0x75;
constexpr uint8_t kFxExtPatternLoop = 0x76;
constexpr uint8_t kFxExtTremoloWaveform = 0x77;
constexpr uint8_t kFxExtRetrigger = 0x79;
constexpr uint8_t kFxExtFineVolumeUp = 0x7A;
constexpr uint8_t kFxExtFineVolumeDown = 0x7B;
constexpr uint8_t kFxExtNoteCut = 0x7C;
constexpr uint8_t kFxExtNoteDelay = 0x7D;
constexpr uint8_t kFxExtPatternDelay = 0x7E;

// S3M effect letters: kFxS3m + letter number (A = 0x81 .. Z = 0x9A).
constexpr uint8_t kFxS3m = 0x80;
constexpr uint8_t kFxS3mSpeed = 0x81;            // A
constexpr uint8_t kFxS3mPositionJump = 0x82;     // B
constexpr uint8_t kFxS3mPatternBreak = 0x83;     // C
constexpr uint8_t kFxS3mVolSlide = 0x84;         // D
constexpr uint8_t kFxS3mPortaDown = 0x85;        // E
constexpr uint8_t kFxS3mPortaUp = 0x86;          // F
constexpr uint8_t kFxS3mTonePorta = 0x87;        // G
constexpr uint8_t kFxS3mVibrato = 0x88;          // H
constexpr uint8_t kFxS3mTremor = 0x89;           // I
constexpr uint8_t kFxS3mArpeggio = 0x8A;         // J; also MOD/XM effect 0 with a parameter
constexpr uint8_t kFxS3mVibratoVolSlide = 0x8B;  // K
constexpr uint8_t kFxS3mPortaVolSlide = 0x8C;    // L
constexpr uint8_t kFxS3mSampleOffset = 0x8F;     // O
constexpr uint8_t kFxS3mRetrigger = 0x91;        // Q
constexpr uint8_t kFxS3mTremolo = 0x92;          // R
constexpr uint8_t kFxS3mExtended = 0x93;         // S, rewritten to kFxS3mExt + x when played
constexpr uint8_t kFxS3mTempo = 0x94;            // T
constexpr uint8_t kFxS3mFineVibrato = 0x95;      // U
constexpr uint8_t kFxS3mGlobalVolume = 0x96;     // V

// S3M extended effects Sxy: kFxS3mExt + x with parameter y.
constexpr uint8_t kFxS3mExt = 0xF0;
constexpr uint8_t kFxS3mExtSetFineTune = 0xF2;
constexpr uint8_t kFxS3mExtVibratoWaveform = 0xF3;
constexpr uint8_t kFxS3mExtTremoloWaveform = 0xF4;
constexpr uint8_t kFxS3mExtSetPanning = 0xF8;
constexpr uint8_t kFxS3mExtPatternLoop = 0xFB;
constexpr uint8_t kFxS3mExtNoteCut = 0xFC;
constexpr uint8_t kFxS3mExtNoteDelay = 0xFD;
constexpr uint8_t kFxS3mExtPatternDelay = 0xFE;

// One pattern cell, 5 bytes.
struct Note {
  uint8_t key;
  uint8_t instrument;  // 0 = none
  uint8_t volume;      // volume column, XM encoding
  uint8_t effect;      // common encoding
  uint8_t param;
};
static_assert(sizeof(Note) == 5, "a note is 5 bytes");

struct Pattern {
  int32_t channelCount;
  int32_t rowCount;
  Note* notes;  // rowCount * channelCount, row-major: row r, channel c at r * channelCount + c
};

struct Envelope {
  uint8_t enabled;
  uint8_t sustain;
  uint8_t looped;
  uint8_t pointCount;  // 0..12
  int16_t sustainTick;
  int16_t loopStartTick;
  int16_t loopEndTick;
  int16_t pointTicks[16];
  int16_t pointAmplitudes[16];  // 0..64
};

struct Sample {
  char name[32];         // text field, space padded, NUL after the field
  int32_t loopStart;     // frames; equals the length when the sample does not loop
  int32_t loopLength;    // frames; 0 = no loop
  int16_t volume;        // 0..64
  int16_t panning;       // 0 = use the channel's panning, else panning + 1 (1..256)
  int16_t relativeNote;  // semitones added to the key
  int16_t fineTune;      // 1/128 semitone steps
  // Mono signed 16-bit (8-bit sources scaled by 256). Never null: it holds at least
  // loopStart + loopLength + 1 frames, and data[loopStart + loopLength] is a copy of
  // data[loopStart] (0 for a sample without a loop), so interpolation across the loop
  // end needs no special case.
  int16_t* data;
};

struct Instrument {
  int32_t sampleCount;    // at least 1
  int32_t volumeFadeout;  // subtracted from the fadeout volume per tick after key off
  char name[32];
  uint8_t keyToSample[97];  // index = key; value = sample number within the instrument
  uint8_t vibratoType;
  uint8_t vibratoSweep;
  uint8_t vibratoDepth;
  uint8_t vibratoRate;
  Envelope volumeEnvelope;
  Envelope panningEnvelope;
  Sample* samples;  // sampleCount
};

struct Module {
  char name[32];
  int32_t channelCount;
  int32_t instrumentCount;  // instruments 1..count are real; 0 is an empty placeholder
  int32_t patternCount;
  int32_t orderCount;
  int32_t restartPosition;      // parsed only; the replay wraps to order 0
  int32_t defaultGlobalVolume;  // 0..64
  int32_t defaultSpeed;         // ticks per row
  int32_t defaultTempo;         // beats per minute
  int32_t c2Rate;               // rate at which a sample plays its base note (8287 or 8363)
  int32_t gain;                 // mixing gain (32 or 64)
  int32_t linearPeriods;        // XM linear frequency table
  int32_t fastVolumeSlides;     // S3M: volume slides act on tick 0 too
  uint8_t* defaultPanning;      // channelCount; 0 = left, 128 = centre, 255 = right
  uint8_t* orderList;           // orderCount pattern numbers
  Pattern* patterns;            // patternCount
  Instrument* instruments;      // instrumentCount + 1
};

constexpr int kModuleMessageSize = 64;

// Detects the format (XM, S3M, else MOD), loads and validates. Returns null on failure
// with the reason copied into message (always NUL terminated).
Module* module_load(const ByteSource& source, char message[kModuleMessageSize]);

// Frees the module and everything it owns; null is allowed.
void module_free(Module* module);
