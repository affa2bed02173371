// Hardening harness: drives the file loaders and the match on hostile input.
// The same code runs under libFuzzer (clang build in build-fuzz), in the
// replay tests of kept findings, and in the soak.
#pragma once

#include "match/match.h"

#include <cstddef>
#include <cstdint>
#include <string>

// --- the fuzzed entry points: whole input in, abort on a broken rule ---
void fuzzSettings(const uint8_t *data, size_t size);    // input is settings.ini
void fuzzCatalogue(const uint8_t *data, size_t size);   // input is seznam.dat
void fuzzArena(const uint8_t *data, size_t size);       // 4608 arena bytes, then one input byte per frame
void fuzzMedia(const uint8_t *data, size_t size);       // kind byte (picture, sample, music), then the file
void fuzzMediaReply(const uint8_t *data, size_t size);  // the same, the file taken as the decoder's reply
void fuzzPacket(const uint8_t *data, size_t size);      // a peer's datagrams, each a 2-byte length and its bytes
void fuzzReplay(const uint8_t *data, size_t size);      // a recorded match file

constexpr int FuzzArenaMaxFrames = 400;

// --- fixture (fixture.cpp) ---
// SDL on the dummy drivers with the 640x480x16 screen; then also the mixer
// (true if it is open). Idempotent.
void startHeadlessVideo();
bool openHeadlessAudio();
// The same, plus a private scratch folder that becomes the working directory.
void startHarness();
// Writes a file, making its folders; aborts when it cannot.
void writeBytes(const std::string &path, const void *data, size_t size);
void writeFile(const std::string &path, const std::string &bytes);

// Generated sheets in the image slots the match draws from (0, 1, 3, 4, 5,
// 15, 16), both fonts, and short silent samples in the sound slots.
void installSyntheticMedia();
// Frees every image and sound slot and empties it.
void releaseMediaSlots();

// Small media files made here, for catalogues to name.
std::string makePng(int width, int height, bool palettised);  // file bytes
std::string makeGif(int width, int height);
std::string makeWav(int samples);

// --- match driving (match_frame.cpp) ---
// One frame as the game plays it: the picture, the step, the step's sounds.
void playMatchFrame(Match &match, const FighterInput &first, const FighterInput &second);

// A fresh match with an empty arena, so one run cannot leak into the next.
void resetMatch(Match &match);

// Starts a match on `path` with the settings' looks, the kill limit 10 and
// the seed; false if the arena did not load.
bool startLevel(Match &match, const char *path, unsigned seed = 1);

// Largest world list seen by checkMatch since the process started.
int peakWorldLength();

// Checks the rules a match must keep after every frame; on a broken rule it
// prints what broke and aborts, so libFuzzer and the tests both see it.
void checkMatch(const Match &match);
[[noreturn]] void harnessFailure(const char *what, double value);

// Input byte to the two fighters' controls: bits 0-3 player 1 left, right,
// jump, fire; bits 4-7 the same for player 2.
void decodeInputs(uint8_t byte, FighterInput &first, FighterInput &second);
