#include "ScratchFiles.h"
#include "SoundMeasures.h"
#include "sound/GameSounds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

// The program playing the demo headless with its sound written by SDL's disk
// driver, measured from the file against the events of the same run's trace.

namespace
{

constexpr long pass = soundRate / 60;
constexpr long ms = soundRate / 1000;

/// An event of the trace: its pass and its numbers by name.
struct Heard
{
	int pass;
	std::map<std::string, double> numbers;
};

std::vector<std::string> linesOf(const fs::path& file)
{
	std::ifstream in(file);
	std::vector<std::string> lines;
	for (std::string line; std::getline(in, line);)
	{
		lines.push_back(line);
	}
	return lines;
}

/// The events of `type` in a trace's lines, with their numeric fields (the
/// fields of `touched` and `hit` are all numbers).
std::vector<Heard> eventsOf(const std::vector<std::string>& trace, const std::string& type)
{
	std::vector<Heard> found;
	const std::string opening = "{\"type\": \"" + type + "\"";
	for (std::size_t i = 0; i < trace.size(); ++i)
	{
		for (std::size_t at = trace[i].find(opening); at != std::string::npos; at = trace[i].find(opening, at + 1))
		{
			Heard heard{int(i) + 1, {}};
			std::istringstream fields(trace[i].substr(at + opening.size(), trace[i].find('}', at) - at - opening.size()));
			for (std::string key; std::getline(fields, key, ':');)
			{
				double value = 0.0;
				fields >> value;
				heard.numbers[key.substr(key.find('"') + 1, key.rfind('"') - key.find('"') - 1)] = value;
				fields.ignore(1);
			}
			found.push_back(heard);
		}
	}
	return found;
}

std::string readText(const fs::path& file)
{
	std::ifstream in(file);
	std::ostringstream text;
	text << in.rdbuf();
	return text.str();
}

/// The lines of `text` that begin with `start`.
int linesStartingWith(const std::string& text, const std::string& start)
{
	int count = 0;
	std::istringstream lines(text);
	for (std::string line; std::getline(lines, line);)
	{
		count += line.rfind(start, 0) == 0 ? 1 : 0;
	}
	return count;
}

/// The demo played headless for `passes` passes in a folder of its own, with
/// `environment` before the command (the audio driver) and `options` after
/// it; its trace is "t.jsonl", its standard error "err.txt". With `extra`,
/// the demo's scene with those timeline lines put in before its pass 285. The
/// exit status.
int playDemo(const fs::path& folder, const std::string& environment, int passes, const std::string& options = "",
	const std::string& extra = "")
{
	fs::remove_all(folder);
	fs::create_directories(folder);
	std::string source = "demo";
	if (!extra.empty())
	{
		std::string scene = readText(fs::current_path() / "Data/scenes/demo.scene");
		scene.insert(scene.find("at 285 "), extra);
		std::ofstream(folder / "demo.scene") << scene;
		source = "scene:demo.scene";
	}
	const std::string command = "cd '" + folder.string() + "' && " + environment + " '" DRAWTABLE_PATH
		"' --headless --source " + source + " --data '" + fs::current_path().string() + "' --record none --passes "
		+ std::to_string(passes) + " --trace t.jsonl " + options + " >out.txt 2>err.txt";
	const int status = std::system(command.c_str());
	return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

/// The samples of a run's stream from where the world's time began in it.
/// SDL opens a device paused and its thread writes whole buffers of silence
/// until the program lets it play, a moment later; how many depends on how
/// the two threads were scheduled (none on a quiet machine, a few under
/// load). They are found from the first sound of the run, which begins where
/// its pass began: the stream's first sample louder than a whisper, and the
/// first pass of the trace with an event that sounds. What comes before in
/// whole device buffers is SDL's and is taken off.
Samples fromTheWorldsStart(const Samples& heard, const std::vector<std::string>& trace)
{
	constexpr long deviceBuffer = 512;
	std::size_t loud = 0;
	while (loud < heard.size() && std::abs(heard[loud]) < 1e-4f)
	{
		++loud;
	}
	std::size_t firstSounding = 0;
	while (firstSounding < trace.size() && trace[firstSounding].find("\"type\": \"hit\"") == std::string::npos
		&& trace[firstSounding].find("\"type\": \"touched\"") == std::string::npos
		&& trace[firstSounding].find("\"type\": \"shatter\"") == std::string::npos)
	{
		++firstSounding;
	}
	const long due = long(firstSounding) * pass;
	const long lead = std::max(0L, (long(loud) - due) / deviceBuffer * deviceBuffer);
	// More than a tenth of a second of it would be the program's lateness, not SDL's start.
	EXPECT_LE(lead, soundRate / 10) << "the first sound begins " << double(long(loud) - due) / ms << " ms late";
	return Samples(heard.begin() + std::min(lead, long(heard.size())), heard.end());
}

/// SDL's disk driver writing into `file`, as fast as the passes come.
std::string diskDriver(const std::string& file)
{
	return "SDL_AUDIODRIVER=disk SDL_DISKAUDIODELAY=0 SDL_DISKAUDIOFILE='" + file + "'";
}

/// One run with sound, shared by the tests that measure it: 430 passes hold
/// the demo's four touched sensors, its shatters and fifteen hits.
class DemoSound : public ::testing::Test
{
protected:
	static constexpr int passes = 430;

	static void SetUpTestSuite()
	{
		status = playDemo(folder(), diskDriver("sound.raw"), passes);
		trace = linesOf(folder() / "t.jsonl");
		stream = fromTheWorldsStart(readSamples(folder() / "sound.raw"), trace);
	}

	/// The first `count` lines of the run's trace.
	static std::vector<std::string> traceUpTo(std::size_t count)
	{
		return std::vector<std::string>(trace.begin(), trace.begin() + long(std::min(count, trace.size())));
	}

	static fs::path folder() { return scratchPath("demo-sound"); }
	static inline int status = -1;
	static inline Samples stream;
	static inline std::vector<std::string> trace;
};

TEST_F(DemoSound, TheFileHoldsTheWorldsTimeUnclipped)
{
	ASSERT_EQ(status, 0) << readText(folder() / "err.txt");
	EXPECT_EQ(readText(folder() / "err.txt").find("no sound"), std::string::npos);
	ASSERT_EQ(trace.size(), std::size_t(passes));
	// Every pass's 1/60 s, and at most the device's last buffer beyond.
	EXPECT_GE(long(stream.size()), passes * pass);
	EXPECT_LT(long(stream.size()), passes * pass + 4096);
	EXPECT_LE(peakOf(stream), 1.0f);
	EXPECT_GT(peakOf(stream), 0.3f);
}

TEST_F(DemoSound, EveryTouchedSensorChimesWithin50msAtItsNote)
{
	const std::vector<Heard> touched = eventsOf(trace, "touched");
	ASSERT_EQ(touched.size(), 4u);
	for (const Heard& sensor : touched)
	{
		SCOPED_TRACE("pass " + std::to_string(sensor.pass));
		// A pass's sounds begin where its 1/60 s of the world began.
		const long due = (sensor.pass - 1) * pass;
		const double note = chimePitch(sensor.numbers.at("x"));
		const long onset = toneOnset(stream, note, due - 100 * ms, 300 * ms);
		EXPECT_LE(std::abs(onset - due), 50 * ms) << "the chime begins " << double(onset - due) / ms << " ms off";
		// Its pitch, over whatever else still rings.
		EXPECT_NEAR(risingFrequency(stream, onset, 60 * ms, 300.0, 2500.0), note, 0.01 * note);
	}
	// Two sensors of one drawing, two notes.
	EXPECT_NE(chimePitch(touched[0].numbers.at("x")), chimePitch(touched[1].numbers.at("x")));
}

TEST_F(DemoSound, AKnockIsAsLoudAsItsHitWasHard)
{
	const std::vector<Heard> hits = eventsOf(trace, "hit");
	ASSERT_GE(hits.size(), 8u);
	std::vector<std::pair<double, double>> speedAndLevel;
	for (const Heard& hit : hits)
	{
		const long due = (hit.pass - 1) * pass;
		speedAndLevel.emplace_back(hit.numbers.at("speed"), toneLevel(stream, due, 40 * ms, 140.0));
	}
	std::sort(speedAndLevel.begin(), speedAndLevel.end());
	// The demo's hits, from 1.6 to 9.2 m/s, all below full loudness: the
	// knock's level is in proportion to the speed, and a harder hit louder.
	const double perSpeed = speedAndLevel.back().second / speedAndLevel.back().first;
	for (std::size_t i = 0; i < speedAndLevel.size(); ++i)
	{
		const auto& [speed, level] = speedAndLevel[i];
		EXPECT_NEAR(level / speed, perSpeed, 0.2 * perSpeed) << speed << " m/s";
		for (std::size_t j = 0; j < i; ++j)
		{
			if (speed > 1.3 * speedAndLevel[j].first)
			{
				EXPECT_GT(level, speedAndLevel[j].second) << speed << " m/s against " << speedAndLevel[j].first;
			}
		}
	}
	EXPECT_GT(speedAndLevel.back().first, 4.0 * speedAndLevel.front().first);
}

TEST_F(DemoSound, MutedTheRunIsSilentAndPlaysTheSame)
{
	const fs::path muted = scratchPath("demo-muted");
	ASSERT_EQ(playDemo(muted, diskDriver("sound.raw"), 230, "--mute"), 0) << readText(muted / "err.txt");
	const Samples silence = readSamples(muted / "sound.raw");
	EXPECT_GE(long(silence.size()), 230 * pass);
	EXPECT_EQ(peakOf(silence), 0.0f);
	EXPECT_EQ(linesOf(muted / "t.jsonl"), traceUpTo(230));
}

TEST_F(DemoSound, TheKeyMSilencesFromItsPassOnAndBringsTheSoundBack)
{
	// Muted in pass 190, as the first chime rings, and on again in pass
	// 279, the pass before a ball touches a sensor.
	const fs::path keys = scratchPath("demo-keys");
	ASSERT_EQ(playDemo(keys, diskDriver("sound.raw"), 300, "", "at 190 key m\nat 279 key m\n"), 0)
		<< readText(keys / "err.txt");
	const Samples heard = fromTheWorldsStart(readSamples(keys / "sound.raw"), linesOf(keys / "t.jsonl"));
	ASSERT_GE(long(heard.size()), 300 * pass);
	const auto part = [&](int firstPass, int lastPass) {
		return Samples(heard.begin() + (firstPass - 1) * pass, heard.begin() + lastPass * pass);
	};
	EXPECT_GT(peakOf(part(189, 189)), 0.1f);
	// Two hits, a chime and two shatters of the run go unheard.
	EXPECT_EQ(peakOf(part(190, 278)), 0.0f);
	EXPECT_GT(peakOf(part(280, 280)), 0.1f);
	EXPECT_EQ(linesOf(keys / "t.jsonl"), traceUpTo(300));
}

/// No such driver, and a device that fails after it opened (a disk that
/// takes nothing): one line each, and the run plays on to the same trace.
TEST_F(DemoSound, WithoutADeviceTheRunSaysSoOnceAndPlaysTheSame)
{
	const struct
	{
		const char* name;
		std::string driver;
		std::string said;
	} cases[] = {
		{"nodriver", "SDL_AUDIODRIVER=nosuchdriver", "nosuchdriver"},
		{"fulldisk", diskDriver("/dev/full"), "no sound: the audio device stopped playing; the game goes on silent\n"},
	};
	for (const auto& c : cases)
	{
		if (c.driver.find("/dev/full") != std::string::npos && ::access("/dev/full", W_OK) != 0)
		{
			continue;  // no such device here
		}
		const fs::path run = scratchPath(c.name);
		ASSERT_EQ(playDemo(run, c.driver, 230), 0) << readText(run / "err.txt");
		const std::string said = readText(run / "err.txt");
		EXPECT_EQ(linesStartingWith(said, "no sound: "), 1) << said;
		EXPECT_NE(said.find(c.said), std::string::npos) << said;
		EXPECT_NE(said.find("; the game goes on silent\n"), std::string::npos) << said;
		EXPECT_EQ(linesOf(run / "t.jsonl"), traceUpTo(230)) << c.name;
	}
}

}  // namespace
