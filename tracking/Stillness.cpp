#include "tracking/Stillness.h"

#include "tracking/BoardScanner.h"

#include <algorithm>

Stillness::Stillness(int threshold) : m_threshold(threshold)
{
}

void Stillness::notePass(bool moved)
{
	m_count = moved ? 0 : m_count + 1;
	m_sinceMotion = moved ? 0 : m_sinceMotion + 1;
	if (moved)
	{
		// A new still period says its own reasons and asks for its own scan.
		m_holdBackSaid = false;
		m_darkWanted = false;
	}
}

bool Stillness::holdBack(BoardScanner& scanner)
{
	m_count = 0;
	scanner.renewReference();
	const bool firstTime = !m_holdBackSaid;
	m_holdBackSaid = true;
	return firstTime;
}

void Stillness::wantDarkFrame(int lead, int pass)
{
	// Asked once a still period, in the pass the count reaches the lead's.
	if (m_count == std::max(1, m_threshold - lead))
	{
		m_darkWanted = true;
		m_darkAsked = pass;
	}
}

int Stillness::takeDarkFrame(int pass)
{
	m_darkWanted = false;
	return pass - m_darkAsked;
}
