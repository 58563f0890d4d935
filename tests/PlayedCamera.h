#pragma once

#include "FakeCapture.h"
#include "TestSupport.h"
#include "bench/DemoBoard.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

/// The demo's board seen through a live camera's seam (a fake capture that
/// answers as `kind` of camera), played by a program whose clock goes on a
/// 30th of a second a pass. A test may change the frames as they come.
struct PlayedCamera
{
	explicit PlayedCamera(FakeCapture::Kind kind = FakeCapture::Takes, bool pluggedIn = true)
		: board(demoCamera())
	{
		testing::internal::CaptureStdout();
		FakeCamera camera(kind, [this](int) { return frame(); }, FakeCamera::quick(), pluggedIn);
		fake = camera.fake;
		program = std::make_unique<TestProgram>(std::move(camera.source));
		testing::internal::GetCapturedStdout();
		program->app->setClock([this] { return seconds; });
	}

	cv::Mat frame()
	{
		cv::Mat picture;
		board->read(picture);
		picture = picture.clone();
		if (change)
		{
			change(picture);
		}
		return picture;
	}

	/// What passes said on standard output and standard error.
	struct Said
	{
		std::string out;
		std::string err;
	};

	/// Runs passes, a 30th of a second apart.
	Said run(int passes)
	{
		testing::internal::CaptureStderr();
		testing::internal::CaptureStdout();
		for (int i = 0; i < passes; ++i)
		{
			seconds += 1.0 / 30.0;
			program->app->runPass();
		}
		program->app->recorder().finish();
		Said said;
		said.out = testing::internal::GetCapturedStdout();
		said.err = testing::internal::GetCapturedStderr();
		return said;
	}

	const PassRecord& last() const { return program->passes.back(); }

	/// The events of one type so far, as "pass: field" for the named field.
	std::vector<std::string> events(const std::string& type, const std::string& field) const
	{
		std::vector<std::string> found;
		for (const PassRecord& record : program->passes)
		{
			for (const Event* event : record.eventsOf(type))
			{
				found.push_back(std::to_string(record.pass) + ": " + eventField(*event, field));
			}
		}
		return found;
	}

	std::unique_ptr<FrameSource> board;
	/// The camera's capture, owned by the program's camera source.
	FakeCapture* fake = nullptr;
	std::unique_ptr<TestProgram> program;
	/// Applied to each frame the camera gives; none by default.
	std::function<void(cv::Mat&)> change;
	double seconds = 0.0;
};

/// How many times `part` occurs in `text`.
inline int timesIn(const std::string& text, const std::string& part)
{
	int count = 0;
	for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
	{
		count += 1;
	}
	return count;
}
