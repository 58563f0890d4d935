#include "core/StatusLine.h"

#include <utility>

void StatusLine::set(StatusReason reason, std::string words)
{
	if (reason == StatusReason::Count)
	{
		return;  // not a reason
	}
	m_words[index(reason)] = std::move(words);
}

const std::string& StatusLine::line() const
{
	// The reasons are numbered from the most pressing.
	for (const std::string& words : m_words)
	{
		if (!words.empty())
		{
			return words;
		}
	}
	static const std::string none;
	return none;
}
