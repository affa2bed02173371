// Floor 1, media: the guard every picture, sample and music file is loaded through.
// Media guard: every picture, sample and music file is decoded in a child
// process with a CPU-time limit, and the game takes back only a plain form of
// our own making (raw pixels, a canonical WAV). The picture and sound
// libraries crash, free twice or loop forever on some damaged files; in the
// child such a file costs its slot and a message, never the game.
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>

// Largest picture handed back: the game draws at 640x480, so a side of 8192
// and 16 million pixels leave room for any sheet while bounding the copy.
constexpr int MaxPictureSide = 8192;
constexpr long MaxPicturePixels = 16L << 20;
// Longest sound handed back, in bytes of the mixer's format (about 50 minutes
// of the game's 22050 Hz 8-bit mono).
constexpr long MaxSoundBytes = 64L << 20;

// Largest media file read: the loaders count its bytes in an int, and no
// picture or sound within the limits above comes near it.
constexpr long MaxMediaFileBytes = 1L << 30;

// CPU seconds a child may spend decoding; a decoder caught in a loop is
// stopped there. Music gets more: a long track is decoded whole.
constexpr int PictureCpuSeconds = 2;
constexpr int SoundCpuSeconds = 20;

// Each returns what the library's own call returns for a sound file (IMG_Load;
// Mix_LoadWAV_RW of the file; music for Mix_PlayMusic), or null with the
// reason in SDL_GetError().
SDL_Surface *guardedImageLoad(const char *path);
Mix_Chunk *guardedSampleLoad(const char *path);
Mix_Music *guardedMusicLoad(const char *path);

// Lets go of what the guard keeps so that a file named twice is decoded once;
// once every slot is filled it is of no more use.
void forgetDecodedMedia();

// Fuzzing the decoders themselves: decode in this process, without a child,
// so that coverage reaches the fuzzer and faults show where they happen.
// Never set in the game.
void decodeMediaInProcess(bool inProcess);
// Fuzzing the game's side of the guard: each file is taken as what a decoding
// child wrote, without decoding it. Never set in the game.
void takeFilesAsDecoded(bool asDecoded);
// Fuzzing: every decode stopped after this many CPU milliseconds instead, so
// that the many slow inputs a fuzzer makes cost little each (0: the limits
// above). Never set in the game.
void limitDecodeCpu(int milliseconds);
