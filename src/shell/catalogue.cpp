// seznam.dat: the catalogue of images and sounds, loaded into numbered slots.
#include "shell/shell.h"

SDL_Surface *ImageSlots[ImageSlotCount];
SoundSlot SoundSlots[SoundSlotCount];

SDL_Surface *loadImage(const char *, int)
{
    return nullptr;  // TODO(shell)
}

void loadCatalogue()
{
    // TODO(shell)
}

void playSound(int slot, int channel)
{
    if (slot < 0 || slot >= SoundSlotCount || !SoundSlots[slot].chunk)
        return;
    Mix_PlayChannelTimed(channel, SoundSlots[slot].chunk, 0, -1);
}
