// The demo engine's block of initialised variables and tables. Restored from its
// snapshot at the start of every run, so every run starts like the first.
#pragma once
#include <cstdint>

constexpr int kBackgroundSteps = 800;
constexpr int kCueCount = 26;
constexpr int kPaletteComponents = 768;
constexpr int kCameraRecordWords = 9;
constexpr int kMaxVertices = 800;
constexpr int kMaxFaces = 800;
constexpr int kSineEntries = 1024;  // a full turn
constexpr int kPageCount = 10;
constexpr int kLineSlots = 50;
constexpr int kMotionSteps = 99;
constexpr int kKickSteps = 37;
constexpr int kKickFlags = 14;  // cue flags 0..13

// Cue flags with a fixed meaning; 0 to 13 are the text kicks.
enum CueFlag {
  kFlagLoadLogoColours = 14,
  kFlagLoadPalette = 15,
  kFlagTextLayer = 16,
  kFlagObjectLayer = 17,
  kFlagFirstFade = 18,  // 18, 20, 22, 24 fade A to B; 19, 21, 23, 25 B to A
  kFlagLastFade = 25,
};

// The triangle filler's input: three screen points and the fill colour.
struct TrianglePoint {
  int16_t x, y;
};
struct TriangleSetup {
  TrianglePoint p[3];
  uint8_t colour;
};

// One CameraPath record: the camera position and the cosine and sine (1024 = 1.0)
// of its three angles.
struct CameraRecord {
  int32_t px, py, pz, A, B, C, D, E, F;
};

struct DemoState {
  // Surfaces
  uint8_t* workScreen;
  uint8_t* workScreenRow1;
  uint8_t* checkerboard;
  int16_t* cameraPathStart;
  int16_t* cameraPathEnd;
  int16_t* cameraPathCurrent;
  // Animation steps: how many steps the next frame advances (always 1 after a present)
  int16_t objectSteps;
  int16_t textSteps;
  // Object entry
  int16_t objectCentreY;
  // Background
  int32_t backgroundIndex;
  int32_t BackgroundPath[kBackgroundSteps];
  // Cue list
  int32_t cueNext;
  uint32_t cueTimes[kCueCount];
  uint32_t cueTargets[kCueCount];
  int32_t cueFlags[kCueCount];
  // Palettes: red, green, blue per colour, 0..63
  uint8_t PaletteA[kPaletteComponents];
  uint8_t PaletteB[kPaletteComponents];
  // Fade
  uint8_t fadeActive;
  uint8_t fadeStepsLeft;
  uint16_t fadeCurrent[kPaletteComponents];  // 8.8
  int16_t fadeDelta[kPaletteComponents];     // 8.8
  // 3D object: the model's header and lists (in ObjectModel, little-endian records)
  uint16_t objectHeader[5];
  const uint8_t* objectVertices;
  const uint8_t* objectNormals;
  const uint8_t* objectFaces;
  int32_t vertexCount;  // 0 for all three when the model does not fit the arrays
  int32_t normalCount;
  int32_t faceCount;
  CameraRecord pathCoefficients;  // the record this frame is seen from
  // Per frame: screen x, screen y and view depth per vertex; view-space normals per face
  int16_t ScreenVertices[kMaxVertices][3];
  int16_t ViewNormals[kMaxFaces][3];
  // Faces to paint (face byte offsets) and their depth keys, sorted ascending by key
  uint16_t FaceList[kMaxFaces];
  uint16_t FaceKeys[kMaxFaces];
  int16_t faceListEnd;  // byte offset of the last FaceList entry; -2 when empty
  uint16_t SortList[kMaxFaces];
  uint16_t SortKeys[kMaxFaces];
  uint16_t SortHistogram[256];
  uint8_t FaceColour[kMaxFaces];  // by face number
  // Light: a base vector turned by two angles into view space
  int32_t lightBase[3];
  int32_t lightAngles[2];
  int32_t light[3];
  // floor(255 sin) and floor(255 cos) of i/1024 of a turn
  int16_t SineTable[kSineEntries];
  int16_t CosineTable[kSineEntries];
  TriangleSetup triangle;
  // Text: page records (line count, then line-record word indices) in showing order
  const uint32_t* pageTable[kPageCount];
  int32_t pageIndex;
  uint32_t pageLineCount;
  int32_t releaseCounter;             // 1/256 lines; -1 ends the page
  int32_t lineMotion[kLineSlots];     // per line: its entry of MotionTable
  int32_t MotionTable[kMotionSteps];  // slide-in curve, whole rows below the line's place (x 320)
  int32_t kickIndex;
  int32_t KickTable[kKickSteps];  // sideways jolt in pixels
};

// Initialised at compile time; the first run snapshots it.
extern DemoState g_demo;
