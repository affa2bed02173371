// The match: its frame loop, frame pacing and the end scene on the victory arena.
// Owns frameCounter, nextFrameTick and keyState (process lifetime; frameCounter
// is set to 0 again when the end scene starts).
#pragma once

#include <SDL.h>

extern int frameCounter;      // frames run so far, back to 0 at FrameCounterWrap
constexpr int FrameCounterWrap = 75 * 28000000;  // a multiple of 25 and 3, below INT_MAX
extern Uint32 nextFrameTick;  // deadline of the next frame, ms
extern Uint8 *keyState;       // SDL's live keyboard state

int runMatch();   // the whole match and its end scene; returns 0

// One fighter's controls for a frame: held keys and the fire flag.
struct FighterInput {
    int left, right, jump, fire;
};

// The two halves of a match frame, before the flip and after the pacing.
// The soak, the fuzzers and the benchmark drive the match through them too.
void drawMatchFrame();
void updateMatchFrame(const FighterInput &first, const FighterInput &second);
void paceFrame(); // holds the FPS setting

// Clock used by paceFrame; tests replace it.
extern Uint32 (*matchTicks)();
extern void (*matchDelay)(Uint32 ms);
