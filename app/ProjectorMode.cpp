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
	bool any = false;
	for (const cv::Mat& lit : litHistory)
	{
		if (lit.empty())
		{
			continue;
		}
		if (!any)
		{
			// The buffer is reused from pass to pass.
			lit.copyTo(recentLit);
			any = true;
		}
		else
		{
			cv::bitwise_or(recentLit, lit, recentLit);
		}
	}
	if (!any)
	{
		recentLit.release();
	}
	if (recentLit.empty() || referenceLit.empty() || referenceLit.size() != recentLit.size())
	{
		ignored = recentLit.empty() ? referenceLit : recentLit;
	}
	else
	{
		cv::bitwise_or(recentLit, referenceLit, combined);
		ignored = combined;
	}
}

void ProjectorMode::referenceRenewed()
{
	referenceLit = recentLit.clone();
	ignored = referenceLit;
}
