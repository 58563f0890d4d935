#include "print/Paper.h"

cv::Size2d paperSize(Paper paper)
{
	return paper == Paper::A3 ? cv::Size2d(297.0, 420.0) : cv::Size2d(210.0, 297.0);
}

bool parsePaper(const std::string& name, Paper& paper)
{
	if (name == "a3" || name == "A3")
	{
		paper = Paper::A3;
		return true;
	}
	if (name == "a4" || name == "A4")
	{
		paper = Paper::A4;
		return true;
	}
	return false;
}
