#include "tracking/BoardDrawing.h"

cv::Scalar inkColour(Ink ink)
{
	switch (ink)
	{
	case Ink::Black:
		return cv::Scalar(25, 25, 25);
	case Ink::Yellow:
		return cv::Scalar(30, 215, 240);
	case Ink::Red:
		return cv::Scalar(40, 40, 200);
	}
	return cv::Scalar(0, 0, 0);
}

BoardDrawing demoDrawing()
{
	BoardDrawing drawing;
	drawing.strokes.push_back({{{140.0f, 330.0f}, {420.0f, 338.0f}}, Ink::Black, 4.0f});
	drawing.strokes.push_back({{{150.0f, 200.0f}, {230.0f, 240.0f}, {310.0f, 262.0f}}, Ink::Black, 4.0f});
	drawing.circles.push_back({{200.0f, 160.0f}, 22.0f, Ink::Black, false, 4.0f});
	drawing.circles.push_back({{360.0f, 290.0f}, 20.0f, Ink::Yellow, false, 4.0f});
	drawing.hasPortal = true;
	drawing.portal = {{540.0f, 240.0f}, 0.0f};
	return drawing;
}
