#include "physics/HitRate.h"

bool HitRate::allow(double now)
{
	if (!m_recent.empty() && now - m_recent.back() < shortestGap)
	{
		return false;
	}
	if (int(m_recent.size()) == mostPerSecond)
	{
		if (now - m_recent.front() < 1.0)
		{
			return false;
		}
		m_recent.pop_front();
	}
	m_recent.push_back(now);
	return true;
}
