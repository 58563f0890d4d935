#include "app/MovedLightCheck.h"

namespace
{

/// Where the light surely arrived or left a cell by at least this many grey
/// levels, the camera must see much of it; over a second of passes, less than
/// this share of it seen means the light lands somewhere else.
constexpr float sureLight = 25.0f;
constexpr int checkPasses = 60;
constexpr int checkCellsAtLeast = 40;
constexpr double misplacedShare = 0.3;

}  // namespace

bool MovedLightCheck::check(const MotionReading& reading, const LightInterval& now, const LightInterval& then,
	const cv::Vec3d& paperLight, int pass)
{
	if (m_misplaced || !then.known || !now.known || reading.changeFromThen.empty()
		|| now.least.size() != reading.changeFromThen.size())
	{
		return false;
	}
	const cv::Mat& nowLeast = now.least;
	const cv::Mat& nowMost = now.most;
	const cv::Mat zero = cv::Mat::zeros(nowLeast.size(), CV_32FC3);
	const cv::Mat& thenLeast = then.least.size() == zero.size() ? then.least : zero;
	const cv::Mat& thenMost = then.most.size() == zero.size() ? then.most : zero;
	// Where every picture the frame may show agrees that light arrived (or
	// left), by how much on white paper; and how much of it the camera saw.
	Tally tally{pass, 0, 0};
	for (int i = 0; i < int(zero.total()); ++i)
	{
		for (int c = 0; c < 3; ++c)
		{
			const double arrived = (nowLeast.at<cv::Vec3f>(i)[c] - thenMost.at<cv::Vec3f>(i)[c]) * paperLight[c];
			const double left = (nowMost.at<cv::Vec3f>(i)[c] - thenLeast.at<cv::Vec3f>(i)[c]) * paperLight[c];
			const double sure = arrived >= sureLight ? arrived : left <= -sureLight ? left : 0.0;
			if (sure != 0.0)
			{
				tally.cells += 1;
				tally.missed += reading.changeFromThen.at<cv::Vec3f>(i)[c] / sure < misplacedShare ? 1 : 0;
			}
		}
	}
	count(tally);
	// The median share seen is below misplacedShare exactly when more than
	// half the cells fall short of it.
	if (m_total.cells < checkCellsAtLeast || 2 * m_total.missed <= m_total.cells)
	{
		return false;
	}
	m_misplaced = true;
	m_tallies.clear();
	m_total = Tally{0, 0, 0};
	return true;
}

void MovedLightCheck::count(const Tally& tally)
{
	m_tallies.push_back(tally);
	m_total.cells += tally.cells;
	m_total.missed += tally.missed;
	while (m_tallies.front().pass <= tally.pass - checkPasses)
	{
		m_total.cells -= m_tallies.front().cells;
		m_total.missed -= m_tallies.front().missed;
		m_tallies.pop_front();
	}
}

void MovedLightCheck::reset()
{
	m_misplaced = false;
	m_tallies.clear();
	m_total = Tally{0, 0, 0};
}
