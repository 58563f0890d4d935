#include "app/WorldPace.h"

#include "core/FixedValues.h"

#include <utility>

WorldPace WorldPace::followingClock(std::function<Clock::time_point()> now)
{
	WorldPace pace;
	pace.now = std::move(now);
	return pace;
}

int WorldPace::stepsForPass()
{
	if (!now)
	{
		taken += 1;
		return 1;
	}
	const Clock::time_point time = now();
	if (!started)
	{
		started = true;
		first = time;
		last = time;
		return 0;
	}
	owed += time - last;
	last = time;
	const auto step = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(timeStep));
	long due = long(owed / step);
	owed -= due * step;
	if (due > maxStepsPerPass)
	{
		dropped += (due - maxStepsPerPass) * step;
		due = maxStepsPerPass;
	}
	taken += due;
	return int(due);
}
