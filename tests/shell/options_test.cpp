// The game's command line: the networked forms and what is refused.
#include "support/support.h"

TEST(Options, HostJoinDelayAndFramesAreReadAndAnythingElseIsRefused)
{
    auto parse = [](std::vector<const char *> words, GameOptions &options) {
        std::vector<char *> argv{const_cast<char *>("zoltr")};
        for (const char *word : words)
            argv.push_back(const_cast<char *>(word));
        std::string error;
        bool read = parseOptions(static_cast<int>(argv.size()), argv.data(), options, error);
        EXPECT_EQ(read, error.empty()) << error;
        return read;
    };
    GameOptions options;
    ASSERT_TRUE(parse({}, options));
    EXPECT_EQ(options.mode, GameOptions::Local);
    ASSERT_TRUE(parse({"--host", "--delay", "2"}, options));
    EXPECT_EQ(std::tie(options.mode, options.port, options.inputDelay),
              std::make_tuple(GameOptions::Host, DefaultPort, 2));
    ASSERT_TRUE(parse({"--host", "4000", "--frames", "2000"}, options));
    EXPECT_EQ(std::tie(options.port, options.frameLimit), std::make_tuple(std::uint16_t{4000}, 2000));
    ASSERT_TRUE(parse({"--join", "example.org:4001"}, options));
    EXPECT_EQ(std::tie(options.mode, options.address, options.port),
              std::make_tuple(GameOptions::Join, std::string("example.org"), std::uint16_t{4001}));
    for (std::vector<const char *> bad : std::vector<std::vector<const char *>>{{"--join"},
                                                                                {"--join", ":80"},
                                                                                {"--join", "h:0"},
                                                                                {"--join", "h:70000"},
                                                                                {"--host", "0"},
                                                                                {"--host", "--join", "h"},
                                                                                {"--delay", "4"},
                                                                                {"--frames", "0"},
                                                                                {"--replay"},
                                                                                {"x"}})
        EXPECT_FALSE(parse(bad, options)) << bad[0];
}
