// Start-up and intro: the video mode, audio, the sliding pictures, the events
// that end the intro and the wait for a key release.
#include "gfx/font_sheet.h"
#include "support/support.h"

#include <sstream>

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

TEST(StartSdl, OpensA640x480WindowOrFullScreenWithNoCursor)
{
    memset(&settings, 0, sizeof settings);
    settings.Windowed = 1;
    settings.Sounds = 1;
    // The software present is the default, yet what the user has set wins.
    unsetenv("SDL_RENDER_DRIVER");
    setenv("SDL_FRAMEBUFFER_ACCELERATION", "1", 1);
    CaptureStderr();
    startSdl();
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_STREQ(getenv("SDL_RENDER_DRIVER"), "software");
    EXPECT_STREQ(getenv("SDL_FRAMEBUFFER_ACCELERATION"), "1");
    unsetenv("SDL_FRAMEBUFFER_ACCELERATION");
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(std::tuple(screen->w, screen->h, int{screen->format->BitsPerPixel}, screen->flags & SDL_FULLSCREEN),
              std::tuple(640, 480, 16, 0u));
    EXPECT_EQ(settings.Sounds, 1);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);  // the caption is checked in the real window

    settings.Windowed = 0;
    startSdl();
    EXPECT_EQ(screen->w, 640);
    EXPECT_NE(screen->flags & SDL_FULLSCREEN, 0u);
}

// Closes the mixer and SDL's audio; `driver` is the next audio driver (null: SDL's choice).
bool closeAudio(const char *driver)
{
    int frequency, channels;
    Uint16 format;
    bool wasOpen = Mix_QuerySpec(&frequency, &format, &channels);
    while (Mix_QuerySpec(&frequency, &format, &channels))
        Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    driver ? setenv("SDL_AUDIODRIVER", driver, 1) : unsetenv("SDL_AUDIODRIVER");
    return wasOpen;
}

TEST(StartSdl, WithoutAnAudioDeviceTheGameGoesOnSilently)
{
    closeAudio(nullptr);
    memset(&settings, 0, sizeof settings);
    settings.Windowed = 1;
    settings.Sounds = 1;
    CaptureStderr();
    startSdl();
    std::istringstream errors(GetCapturedStderr());
    bool opened = closeAudio("dummy");  // the later tests of this process use the dummy driver
    SDL_InitSubSystem(SDL_INIT_AUDIO);
    if (opened)
        GTEST_SKIP() << "this machine has a sound device";
    EXPECT_EQ(settings.Sounds, 0);
    EXPECT_NE(screen, nullptr);
    // The sound library may complain about missing cards; the game says nothing.
    for (std::string line; std::getline(errors, line);)
        EXPECT_THAT(line, testing::StartsWith("ALSA lib"));
}

// Intro pictures of known sizes and colours, and a 10x20 font.
class Intro : public testing::Test {
protected:
    void SetUp() override
    {
        initHeadlessScreen();
        red = screenColour(255, 0, 0);
        green = screenColour(0, 255, 0);
        blue = screenColour(0, 0, 255);
        yellow = screenColour(255, 255, 0);
        memset(&settings, 0, sizeof settings);
        ImageSlots[13] = makeSolidSurface(100, 40, 255, 0, 0);
        ImageSlots[14] = makeSolidSurface(60, 20, 0, 255, 0);
        SDL_Surface *title = makeSolidSurface(80, 40, 0, 0, 255);
        SDL_Rect lower = {0, 20, 80, 20};
        SDL_FillRect(title, &lower, SDL_MapRGB(title->format, 255, 255, 0));
        ImageSlots[17] = title;
        fontPlain = makeFontSheet(940, 40, false);
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
        }
    }
    void TearDown() override
    {
        for (int slot : {13, 14, 17}) {
            SDL_FreeSurface(ImageSlots[slot]);
            ImageSlots[slot] = nullptr;
        }
        SDL_FreeSurface(fontPlain);
        fontPlain = nullptr;
    }
    static void push(Uint8 type)
    {
        SDL_Event event;
        memset(&event, 0, sizeof event);
        event.type = type;
        ASSERT_EQ(SDL_PushEvent(&event), 0);
    }
    Uint32 red = 0, green = 0, blue = 0, yellow = 0;
    const Uint32 black = 0;
};

TEST_F(Intro, PicturesTitleAndTextStandWhereTheCounterAndTheLanguagePutThem)
{
    // Red slot 13 is 100x40, green slot 14 60x20, the title 80x40: blue above yellow. At counter
    // 20 (first half) slot 13 stands at (270, -10) with its lower 30 rows showing, slot 14 at
    // (320 - 30 - 40, 190), no title yet, and "Uvádí " centred on (340, 180): six 10-pixel cells
    // from (310, 170), the plain font opaque; in English "Present " (8 cells) starts at x = 300.
    // At counter 390, ascending, the title's upper half (Czech) or lower half (English) is at
    // (270, 185); the last frame leaves it at rest at (280, 195).
    const Uint32 key = keyColour(), U = glyphColour('U' - 33), P = glyphColour('P' - 33);
    const Uint32 aAcute = glyphColour(94 + 6), iAcute = glyphColour(94 + 7);
    const struct {
        int counter;
        bool ascending;
        int language, x, y;
        Uint32 colour;
    } cases[] = {{20, false, 0, 270, 0, red},      {20, false, 0, 369, 29, red},     {20, false, 0, 370, 29, black},
                 {20, false, 0, 300, 30, black},   {20, false, 0, 250, 190, green},  {20, false, 0, 309, 209, green},
                 {20, false, 0, 310, 190, black},  {20, false, 0, 250, 210, black},  {20, false, 0, 320, 200, black},
                 {20, false, 0, 310, 170, key},    {20, false, 0, 311, 170, U},      {20, false, 0, 335, 180, aAcute},
                 {20, false, 0, 355, 180, iAcute}, {20, false, 0, 365, 180, black},  {20, false, 1, 301, 175, P},
                 {20, false, 1, 375, 175, black},  {390, true, 0, 270, 185, blue},   {390, true, 2, 349, 204, blue},
                 {390, true, 1, 270, 185, yellow}, {390, true, 1, 349, 204, yellow}, {390, true, 1, 269, 185, black},
                 {390, true, 1, 270, 205, black},  {400, true, 1, 280, 195, yellow}, {400, true, 1, 279, 195, black}};
    for (const auto &c : cases) {
        settings.Language = c.language;
        SDL_FillRect(screen, nullptr, screenColour(9, 9, 9));
        drawIntroFrame(c.counter, c.ascending);
        EXPECT_EQ(pixelAt(screen, c.x, c.y), c.colour)
            << "counter " << c.counter << " language " << c.language << " at " << c.x << "," << c.y;
    }
}

TEST_F(Intro, OnlyOneEventIsTakenPerFrame)
{
    // A very wide left picture shows the counter by where its right edge is.
    SDL_FreeSurface(ImageSlots[14]);
    ImageSlots[14] = makeSolidSurface(1600, 10, 0, 255, 0);
    for (int i = 0; i < 5; i++)
        push(i % 2 ? SDL_KEYDOWN : SDL_QUIT);
    push(SDL_KEYUP);
    push(SDL_USEREVENT);
    runIntro();
    // Five frames drawn: the counter is at 395 and the picture ends at x = 329.
    EXPECT_EQ(pixelAt(screen, 329, 190), green);
    EXPECT_EQ(pixelAt(screen, 330, 190), black);
    SDL_Event event;
    ASSERT_EQ(SDL_PollEvent(&event), 1);
    EXPECT_EQ(event.type, SDL_USEREVENT);
}

TEST_F(Intro, WaitingTakesOnlyAKeyRelease)
{
    for (Uint8 type : {SDL_QUIT, SDL_KEYDOWN, SDL_ACTIVEEVENT, SDL_KEYUP, SDL_USEREVENT})
        push(type);
    waitForKeyRelease();
    SDL_Event event;
    ASSERT_EQ(SDL_PollEvent(&event), 1);
    EXPECT_EQ(event.type, SDL_USEREVENT);
}

}  // namespace
