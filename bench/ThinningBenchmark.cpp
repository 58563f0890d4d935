#include "DemoBoard.h"
#include "Folders.h"
#include "analysis/Thinning.h"

#include <benchmark/benchmark.h>
#include <opencv2/ximgproc.hpp>

namespace
{

const std::vector<std::pair<std::string, cv::Mat>>& masks()
{
	static const auto all = [] {
		enterSourceFolder();
		return thinningMasks();
	}();
	return all;
}

const cv::Mat& maskNamed(const std::string& name)
{
	for (const auto& [maskName, mask] : masks())
	{
		if (maskName == name)
		{
			return mask;
		}
	}
	throw std::invalid_argument("no mask " + name);
}

void BM_Thinning(benchmark::State& state, const std::string& name)
{
	const cv::Mat& mask = maskNamed(name);
	cv::Mat image;
	for (auto _ : state)
	{
		mask.copyTo(image);
		thinMask(image);
		benchmark::DoNotOptimize(image.data);
	}
}

void BM_ThinningReference(benchmark::State& state, const std::string& name)
{
	const cv::Mat& mask = maskNamed(name);
	cv::Mat image;
	for (auto _ : state)
	{
		cv::ximgproc::thinning(mask, image, cv::ximgproc::THINNING_ZHANGSUEN);
		benchmark::DoNotOptimize(image.data);
	}
}

/// One benchmark per mask, named after it, for both thinnings.
const bool registered = [] {
	for (const std::string name : {"demoBlack", "demoYellow", "scribble", "empty"})
	{
		benchmark::RegisterBenchmark(("BM_Thinning/" + name).c_str(), BM_Thinning, name)
			->Unit(benchmark::kMillisecond)
			->UseRealTime();
		benchmark::RegisterBenchmark(("BM_ThinningReference/" + name).c_str(), BM_ThinningReference, name)
			->Unit(benchmark::kMillisecond)
			->UseRealTime();
	}
	return true;
}();

}  // namespace
