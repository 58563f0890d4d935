#pragma once

#include "app/Application.h"
#include "platform/HeadlessDisplay.h"
#include "platform/StillFrameSource.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <vector>

/// An event's field read by name, as the trace writes it (JSON text: `true`,
/// `3.5`, `"a word"`). A missing field fails the calling test, naming the
/// event, the field and the fields it has, and reads as an empty string.
inline std::string eventField(const Event& event, const std::string& name)
{
	std::string names;
	for (const auto& [key, value] : event.fields)
	{
		if (key == name)
		{
			return value;
		}
		names += " " + key;
	}
	ADD_FAILURE() << "the " << event.type << " event has no field \"" << name << "\"; it has:" << names;
	return "";
}

/// The number a message gives right after `label` (the label's last word and
/// the number's separating space included). A label not found, or no number
/// after it, fails the calling test, quoting the message, and reads as NaN.
inline double numberAfter(const std::string& message, const std::string& label)
{
	const size_t at = message.find(label);
	if (at != std::string::npos)
	{
		const char* start = message.c_str() + at + label.size();
		char* end = nullptr;
		const double value = std::strtod(start, &end);
		if (end != start)
		{
			return value;
		}
	}
	ADD_FAILURE() << "no number after \"" << label << "\" in: " << message;
	return std::numeric_limits<double>::quiet_NaN();
}

/// A scan in the pass found the board.
inline bool scanFound(const PassRecord& record)
{
	for (const Event* scan : record.eventsOf("scan"))
	{
		if (eventField(*scan, "ok") == "true")
		{
			return true;
		}
	}
	return false;
}

/// Still passes noted until the board's scan is due, as a still picture gives
/// them: for a board analysed without a camera as a still period's rescan.
inline void settle(Stillness& stillness)
{
	while (stillness.count() < Stillness::rescanThreshold)
	{
		stillness.notePass(false);
	}
}

/// A started, headless program whose camera is the given source, with every
/// pass record kept for inspection.
struct TestProgram
{
	explicit TestProgram(std::unique_ptr<FrameSource> source)
	{
		auto headless = std::make_unique<HeadlessDisplay>();
		display = headless.get();
		app = std::make_unique<Application>(std::move(source), std::move(headless));
		app->trace().addSink([this](const PassRecord& record) { passes.push_back(record); });
		app->start();
	}

	/// A program looking at a still grey picture.
	static std::unique_ptr<TestProgram> still()
	{
		return std::make_unique<TestProgram>(
			std::make_unique<StillFrameSource>(cv::Mat(480, 640, CV_8UC3, cv::Scalar(128, 128, 128))));
	}

	void run(int count)
	{
		for (int i = 0; i < count; ++i)
		{
			app->runPass();
		}
		app->recorder().finish();
	}

	/// Pass numbers (from 1) in which a board scan was attempted.
	std::vector<int> scanPasses() const
	{
		std::vector<int> found;
		for (const PassRecord& record : passes)
		{
			if (!record.eventsOf("scan").empty())
			{
				found.push_back(record.pass);
			}
		}
		return found;
	}

	HeadlessDisplay* display = nullptr;
	std::unique_ptr<Application> app;
	std::vector<PassRecord> passes;
};
