#include "app/Demo.h"
#include "app/Session.h"
#include "platform/Config.h"
#include "platform/Controls.h"
#include "platform/ScriptedPlatform.h"
#include "platform/TextNumbers.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>

using namespace brindlemox::platform;
using namespace brindlemox::app;

namespace {

const char* const Header1 = "brindlemox demo 1\nlevel 1\nwindow 1024 860\nsensitivity 50\n";

struct BadCase {
    const char* name;
    std::string text;
    const char* error;
};

const BadCase Bad[] = {
    {"empty file", "", "not a Brindlemox demo"},
    {"garbage",
     "\x7f"
     "ELF\x02\x01\x01",
     "not a Brindlemox demo"},
    {"another program's text", "level 1\nwindow 1 1\n", "not a Brindlemox demo"},
    {"no version", "brindlemox demo x\n", "not a Brindlemox demo"},
    {"a later version", "brindlemox demo 2\nlevel 1\n",
     "a demo of format version 2; this game plays version 1"},
    {"an earlier version", "brindlemox demo 0\n",
     "a demo of format version 0; this game plays version 1"},
    {"a level file without its path", std::string(Header1) + "levelfile \n",
     "line 5: the level file is a path of at most 4096 characters"},
    {"header only", Header1, "cut short after 0 frames (no end line)"},
    {"cut after a frame", std::string(Header1) + "f 0.5 hold=W\n",
     "cut short after 1 frames (no end line)"},
    {"cut inside a frame line", std::string(Header1) + "f 0.5 hold=W\nf 0.01 ho",
     "cut short after 1 frames (no end line)"},
    {"cut inside the end line", std::string(Header1) + "f 0.5\nend lev",
     "cut short after 1 frames (no end line)"},
    {"no frames", std::string(Header1) + "end level=1\n", "line 5: no frames before the end line"},
    {"end without state", std::string(Header1) + "f 0.5\nend\n",
     "line 6: the end line holds no state"},
    {"unknown header line", "brindlemox demo 1\nspeed 9\n", "line 2: unknown line 'speed'"},
    {"header line twice", "brindlemox demo 1\nlevel 1\nlevel 2\n", "line 3: 'level' given twice"},
    {"level zero", "brindlemox demo 1\nlevel 0\n", "line 2: the level is a number from 1 to 1000"},
    {"huge window", "brindlemox demo 1\nwindow 100000 10\n",
     "line 2: the window is WIDTH HEIGHT, each from 1 to 8192"},
    {"sensitivity not a number", "brindlemox demo 1\nsensitivity fast\n",
     "line 2: the sensitivity is one number"},
    {"placement far away", "brindlemox demo 1\nat 0 1e9 0\n",
     "line 2: the placement is X Y Z, within 100000"},
    {"view of two words missing", "brindlemox demo 1\nlook 90\n",
     "line 2: the view is YAW PITCH, within 100000"},
    // The header's settings within the configuration's bounds: a field of view that draws
    // nothing of the level would replay "as recorded" with nothing in view.
    {"field of view of 0", "brindlemox demo 1\nfov 0\n",
     "line 2: the field of view is one angle from 30 to 120 degrees"},
    {"field of view of 1e-30", "brindlemox demo 1\nfov 1e-30\n",
     "line 2: the field of view is one angle from 30 to 120 degrees"},
    {"field of view of 1e-45", "brindlemox demo 1\nfov 1e-45\n",
     "line 2: the field of view is one angle from 30 to 120 degrees"},
    {"field of view of 179.9999", "brindlemox demo 1\nfov 179.9999\n",
     "line 2: the field of view is one angle from 30 to 120 degrees"},
    {"field of view just wider than the settings", "brindlemox demo 1\nfov 120.001\n",
     "line 2: the field of view is one angle from 30 to 120 degrees"},
    {"field of view just narrower than the settings", "brindlemox demo 1\nfov 29.99\n",
     "line 2: the field of view is one angle from 30 to 120 degrees"},
    {"inverted neither way", "brindlemox demo 1\ninvertMouse true\n",
     "line 2: invertMouse is yes or no"},
    {"dead zone of the whole stick", "brindlemox demo 1\ngamepadDeadzone 1\n",
     "line 2: the gamepad dead zone is one number from 0 to 0.9"},
    {"dead zone wider than the settings", "brindlemox demo 1\ngamepadDeadzone 0.95\n",
     "line 2: the gamepad dead zone is one number from 0 to 0.9"},
    {"missing window", "brindlemox demo 1\nlevel 1\nsensitivity 50\nf 1\nend x\n",
     "no window line"},
    {"negative delta", std::string(Header1) + "f -0.5\nend x\n",
     "line 5: no delta time from 0 to 1000000000 s"},
    {"delta not a number", std::string(Header1) + "f nan\nend x\n",
     "line 5: no delta time from 0 to 1000000000 s"},
    {"unknown key", std::string(Header1) + "f 0.1 hold=W,R\nend x\n",
     "line 5: unknown or repeated key in 'hold=W,R'"},
    {"repeated key", std::string(Header1) + "f 0.1 tap=W,W\nend x\n",
     "line 5: unknown or repeated key in 'tap=W,W'"},
    {"held and tapped", std::string(Header1) + "f 0.1 hold=W tap=W\nend x\n",
     "line 5: a key both held and tapped"},
    {"unknown toggle", std::string(Header1) + "f 0.1 key=F5\nend x\n",
     "line 5: unknown toggle key in 'key=F5'"},
    {"move of one number", std::string(Header1) + "f 0.1 move=5\nend x\n",
     "line 5: a move is DX,DY (pixels, at most 1000000), not 'move=5'"},
    {"move far too long", std::string(Header1) + "f 0.1 move=1e300,0\nend x\n",
     "line 5: a move is DX,DY (pixels, at most 1000000), not 'move=1e300,0'"},
    {"unknown field", std::string(Header1) + "f 0.1 jump=1\nend x\n",
     "line 5: unknown or repeated field 'jump=1'"},
    {"field twice", std::string(Header1) + "f 0.1 hold=W hold=S\nend x\n",
     "line 5: unknown or repeated field 'hold=S'"},
    {"pause neither on nor off", std::string(Header1) + "f 0.1 pause=1\nend x\n",
     "line 5: a pause is on or off, not 'pause=1'"},
    {"pause twice", std::string(Header1) + "f 0.1 pause=on pause=off\nend x\n",
     "line 5: unknown or repeated field 'pause=off'"},
    {"pad axis past the end", std::string(Header1) + "f 0.1 pad=0,1.5,0,0,-1,-1,0\nend x\n",
     "line 5: a pad is six axes from -1 to 1 and the buttons (0 to 32767), not "
     "'pad=0,1.5,0,0,-1,-1,0'"},
    {"pad without buttons", std::string(Header1) + "f 0.1 pad=0,0,0,0,-1,-1\nend x\n",
     "line 5: a pad is six axes from -1 to 1 and the buttons (0 to 32767), not "
     "'pad=0,0,0,0,-1,-1'"},
    {"header after frames", std::string(Header1) + "f 0.1\nlevel 2\nend x\n",
     "line 6: unknown line 'level'"},
    {"binary in a frame", std::string(Header1) + "f 0.1 \x01\xff\nend x\n",
     "line 5: unknown or repeated field '\\x01\\xff'"},
    {"empty line inside", std::string(Header1) + "f 0.1\n\nf 0.1\nend x\n", "line 6: empty line"},
    {"text after the end", std::string(Header1) + "f 0.1\nend x\nf 0.1\n",
     "line 7: text after the end line"},
};

} // namespace

TEST(DemoFormat, RefusesDamagedAndForeignFilesWithAReason) {
    for (const BadCase& c : Bad) {
        const demo::ParseResult result = demo::parse(c.text);
        EXPECT_FALSE(result.demo) << c.name;
        EXPECT_EQ(result.error, c.error) << c.name;
    }
}

TEST(DemoFormat, WrittenDemosReadBackExactly) {
    demo::Demo written;
    written.header.level = 2;
    written.header.width = 1280;
    written.header.height = 720;
    written.header.sensitivity = 12.5f;
    written.header.at = glm::vec3(0.1f, -4.0f / 3.0f, 1.0e-7f);
    written.header.look = glm::dvec2(1.0 / 3.0, -89.99999999999);
    written.header.levelFile = "/home/a player/my level.txt";
    written.header.fov = 72.5f;
    written.header.invertMouse = true;
    written.header.gamepadDeadzone = 0.15f;
    const std::vector<demo::Frame> frames = {
        {2.718281828459045, 0, 0, {}, {}, std::nullopt, {}},
        {1.0 / 60.0, 0b000001, 0, {}, {}, std::nullopt, {}},
        {0.0, 0b010001, 0b100000, {GLFW_KEY_F2, GLFW_KEY_F8, GLFW_KEY_F2}, {}, std::nullopt, {}},
        {5e-324, 0, 0b011110, {}, {{-217.0, 0.0}, {0.5, 1.0 / 7.0}, {1e6, -1e6}}, std::nullopt, {}},
        {1e9, 0b111111, 0, {GLFW_KEY_F3, GLFW_KEY_F4}, {{-0.0, 3.0}}, std::nullopt, {}},
        {0.5, 0, 0, {}, {{1.0, 2.0}}, true, {}},
        {0.5, 0, 0, {GLFW_KEY_F2}, {}, false, {}},
        {0.5, 0, 0, {}, {}, std::nullopt, {true, {0.1f, -1.0f / 3.0f, 1, -0.0f, -1, 0.75f}, 32767}},
        {0.5, 0, 0, {}, {}, std::nullopt, {true, {0, 0, 0, 0, -1, -1}, 0}},
    };
    written.frames = frames;
    written.endState = "level=2 health=49.99 walls=0/4,6/6 frames=5";
    std::string text = demo::headerText(written.header);
    for (const demo::Frame& frame : written.frames)
        text += demo::frameLine(frame);
    text += demo::endLine(written.endState);

    const demo::ParseResult read = demo::parse(text);
    ASSERT_TRUE(read.demo) << read.error << "\n" << text;
    EXPECT_EQ(read.demo->header.level, 2);
    EXPECT_EQ(read.demo->header.width, 1280);
    EXPECT_EQ(read.demo->header.height, 720);
    EXPECT_EQ(read.demo->header.sensitivity, 12.5f);
    ASSERT_TRUE(read.demo->header.at && read.demo->header.look);
    EXPECT_EQ(*read.demo->header.at, *written.header.at);
    EXPECT_EQ(*read.demo->header.look, *written.header.look);
    EXPECT_EQ(read.demo->header.levelFile, written.header.levelFile);
    EXPECT_EQ(read.demo->header.fov, written.header.fov);
    EXPECT_EQ(read.demo->header.invertMouse, written.header.invertMouse);
    EXPECT_EQ(read.demo->header.gamepadDeadzone, written.header.gamepadDeadzone);
    ASSERT_EQ(read.demo->frames.count(), frames.size());
    for (size_t i = 0; i < frames.size(); ++i)
        EXPECT_TRUE(read.demo->frames.frameAt(i) == frames[i])
            << "frame " << i << ": " << demo::frameLine(read.demo->frames.frameAt(i));
    EXPECT_EQ(read.demo->endState, written.endState);
    // Carriage returns (a demo passed through another system) read the same.
    std::string crlf;
    for (char c : text)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const demo::ParseResult readCrlf = demo::parse(crlf);
    ASSERT_TRUE(readCrlf.demo) << readCrlf.error;
    EXPECT_EQ(readCrlf.demo->frames.count(), frames.size());
    EXPECT_EQ(readCrlf.demo->endState, written.endState);
}

namespace {

// What the game would see over a few frames: the key answers and clock readings in the order it
// asks, and the view angles after the event poll.
struct Observed {
    std::vector<std::string> reads;
    std::vector<double> views;
};

// One frame as the game asks: the clock, movement and attack keys, then the poll's events, then
// Escape.
void gameFrame(Platform& p, const Controls& controls, Observed& seen,
               const std::function<void()>& poll) {
    seen.reads.push_back("now " + textnum::shortest(p.now()));
    for (int key : {GLFW_KEY_W, GLFW_KEY_S, GLFW_KEY_D, GLFW_KEY_A, GLFW_KEY_SPACE})
        seen.reads.push_back(std::to_string(key) + (p.isKeyHeld(key) ? " held" : " up"));
    // Space asked a second time, as a second reader would.
    seen.reads.push_back(std::string("space again ") +
                         (p.isKeyHeld(GLFW_KEY_SPACE) ? "held" : "up"));
    poll();
    seen.reads.push_back(std::string("escape ") + (p.isKeyHeld(GLFW_KEY_ESCAPE) ? "held" : "up"));
    seen.views.push_back(controls.getYawDegrees());
    seen.views.push_back(controls.getPitchDegrees());
}

} // namespace

TEST(DemoRecording, AReplayAnswersTheGameAsTheRecordedRunDid) {
    // The recorded run: a scripted "real" platform under the recorder, with irregular clock
    // readings, a tap (pressed and released between two frames) and mouse movements that do not
    // add up exactly in floating point.
    Config config;
    config.mouseSensitivity = 37.0f;
    Controls controls(nullptr, &config);
    std::ostringstream file;
    Observed recorded;
    {
        ScriptedPlatform real;
        demo::Header header;
        header.width = 640;
        header.height = 480;
        header.sensitivity = 37.0f;
        demo::Recorder recorder(file, header, controls);
        const double clock[] = {3.3, 3.31700000001, 3.3333333, 3.35, 1e5 + 0.1};
        for (int frame = 0; frame < 5; ++frame) {
            real.time = clock[frame];
            real.releaseAll();
            if (frame >= 1)
                real.hold(GLFW_KEY_W);
            if (frame == 2)
                real.tap(GLFW_KEY_SPACE);
            if (frame == 3)
                real.hold(GLFW_KEY_SPACE);
            if (frame == 4)
                real.tap(GLFW_KEY_ESCAPE);
            gameFrame(platform(), controls, recorded, [frame, &controls] {
                if (frame == 1) {
                    controls.moveMouse(0.1, 0.7);
                    controls.moveMouse(0.2, -0.3);
                    controls.onKey(nullptr, GLFW_KEY_F2, GLFW_PRESS);
                    controls.onKey(nullptr, GLFW_KEY_F5, GLFW_PRESS); // no toggle
                }
                if (frame == 2) // paused: the free cursor turns nothing
                    controls.onKey(nullptr, GLFW_KEY_P, GLFW_PRESS);
                if (frame == 3) {
                    controls.moveMouse(500.0, 0.0);
                    controls.onMouseButton(nullptr, GLFW_PRESS);
                    controls.moveMouse(-3.0, 1e-9);
                }
            });
            recorder.endFrame();
        }
        recorder.finish("level=1 frames=5");
    }
    const bool fpsShownRecorded = controls.isFpsShown();

    const demo::ParseResult read = demo::parse(file.str());
    ASSERT_TRUE(read.demo) << read.error << "\n" << file.str();
    ASSERT_EQ(read.demo->frames.count(), 5u);

    Controls replayControls(nullptr, &config);
    Observed replayed;
    {
        ScriptedPlatform keys;
        for (const demo::Frame& frame : read.demo->frames) {
            demo::applyBefore(keys, frame);
            gameFrame(keys, replayControls, replayed,
                      [&] { demo::applyAfter(replayControls, frame); });
        }
    }
    EXPECT_EQ(replayed.reads, recorded.reads) << file.str();
    // Bit for bit: the same clock readings and the same view angles.
    ASSERT_EQ(replayed.views.size(), recorded.views.size());
    for (size_t i = 0; i < recorded.views.size(); ++i)
        EXPECT_EQ(replayed.views[i], recorded.views[i]) << i;
    EXPECT_EQ(replayControls.isFpsShown(), fpsShownRecorded);
    EXPECT_TRUE(fpsShownRecorded);
    EXPECT_EQ(read.demo->frames.frameAt(2).pause, std::optional<bool>(true));
    EXPECT_EQ(read.demo->frames.frameAt(3).pause, std::optional<bool>(false));
}

namespace {

struct RatesCase {
    const char* name;
    std::vector<double> frameSeconds;
    double averageFps;
    double lowOnePercentFps;
    double lowPointOnePercentFps;
};

std::vector<double> evenFrames(size_t count, double seconds) {
    return std::vector<double>(count, seconds);
}

std::vector<double> withSlowFrames(size_t count, size_t slow) {
    std::vector<double> frames(count, 0.01);
    for (size_t i = 0; i < slow; ++i)
        frames[i * 7 % count] = 0.1; // spread, in no order
    return frames;
}

const RatesCase Rates[] = {
    {"one frame", {0.05}, 20.0, 20.0, 20.0},
    {"even frames", evenFrames(1000, 0.02), 50.0, 50.0, 50.0},
    // 1000 frames, 10 slow: the 990th fastest is still fast, the 991st and later are slow.
    {"1 % slow", withSlowFrames(1000, 10), 1000.0 / (990 * 0.01 + 10 * 0.1), 100.0, 10.0},
    {"a little over 1 % slow", withSlowFrames(1000, 11), 1000.0 / (989 * 0.01 + 11 * 0.1), 10.0,
     10.0},
    {"one slow frame in a thousand", withSlowFrames(1000, 1), 1000.0 / (999 * 0.01 + 0.1), 100.0,
     100.0},
    {"two slow frames in a thousand", withSlowFrames(1000, 2), 1000.0 / (998 * 0.01 + 0.2), 100.0,
     10.0},
};

} // namespace

TEST(Timedemo, FrameRatesFromFrameTimes) {
    for (const RatesCase& c : Rates) {
        const FrameRates rates = frameRates(c.frameSeconds);
        EXPECT_EQ(rates.frames, c.frameSeconds.size()) << c.name;
        EXPECT_NEAR(rates.averageFps, c.averageFps, 1e-9 * c.averageFps) << c.name;
        EXPECT_NEAR(rates.lowOnePercentFps, c.lowOnePercentFps, 1e-9) << c.name;
        EXPECT_NEAR(rates.lowPointOnePercentFps, c.lowPointOnePercentFps, 1e-9) << c.name;
    }
    EXPECT_EQ(frameRates({}).frames, 0u);
}
