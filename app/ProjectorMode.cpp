#include "app/ProjectorMode.h"

void ShatterWatch::report(Event event)
{
	if (event.type == "shatter")
	{
		shatters.emplace_back(float(event.number("x")), float(event.number("y")));
	}
	reportTo(next, std::move(event));
}

void ProjectorMode::rememberLit(cv::Mat litNow)
{
	litHistory.push_back(litNow);
	while (litHistory.size() > size_t(latency() + litPassesBeyondLatency + 1))
	{
		litHistory.pop_front();
	}
	recentLit.release();
	for (const cv::Mat& lit : litHistory)
	{
		if (lit.empty())
		{
			continue;
		}
		if (recentLit.empty())
		{
			recentLit = lit.clone();
		}
		else
		{
			recentLit |= lit;
		}
	}
}

cv::Mat ProjectorMode::motionIgnored() const
{
	if (referenceLit.empty() || recentLit.empty() || referenceLit.size() != recentLit.size())
	{
		return recentLit.empty() ? referenceLit : recentLit;
	}
	return recentLit | referenceLit;
}
