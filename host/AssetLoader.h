#pragma once
// The host's assets: interface images from the picture folder (the published
// host's, "<program folder>\pic\"), recoloured variants derived from a shared
// base image by a "?" option, and the sound operations, which are present but
// switched off (each reports that its feature is not enabled).
//
// Image names:
//   "frames"              frames.png from the picture folder
//   "title.jpg", "b.PNG"  the file itself (a name of more than 5 bytes ending
//                         in .jpg or .png, any case), read through the file
//                         interface and a stream
//   "parts?gsa"           parts, with every pixel's alpha set to its green byte
//   "frames?L h s l"      a copy of the shared base "frames" with an option:
//                         L (HSL), V (HSV), Y (HSLY) shifts, or
//   "frames?T rrggbb r g b a"  a tone copy toward the colour
// The last "?" (found stepping over two-byte characters) splits the name. A
// base is registered in the host's shared-sprite table (idle limit 300 s,
// loaded by LoadBitmapAsset), so the next derivation reuses it until the sweep
// frees it.
//
// Every failure reports its text to the published host's error queue (not
// fatal) and returns false with the destination as it was; a destination that
// already has pixels is never overwritten.
#include <cstdint>

#include "foundation/files/SFile.h"

class CSprite;

// The file reader of the game data: reads exactly as the plain file does.
template <class File>
class CQRKGameDataFileReader : public File {};

// Idle seconds after which the sweep frees a base image nobody holds.
constexpr int32_t kBaseImageIdleLimit = 300;

// Loads the image called `name` into the empty destination; see above.
bool LoadBitmapAsset(const char* name, CSprite* destination);

// Composes the picture path of the name (as a load without "?" would) and
// returns false: nothing is preloaded.
bool PreloadBitmapAsset(const char* name);

// ---- sound: switched off ----

// Reports that sound effects are not enabled; false.
bool PlaySE(const char* name, int32_t a, int32_t b, int32_t c, int32_t d);
// 0 for a null name; otherwise report that the feature is not enabled and -1.
int32_t PlayBGM(const char* name);
int32_t PlaySubBGM(const char* name);
int32_t PlayMIDI(const char* name);
// Report that sound effects are not enabled: -1, or false.
int32_t StopAllSE();
bool PauseSE();
bool ResumeSE();
bool MuteSE();
bool UnmuteSE();
// Nothing to stop: 0.
int32_t StopBGM();
int32_t StopSubBGM();
int32_t StopMIDI();
int32_t FadeOutBGM();
