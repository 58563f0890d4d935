#include "scenes/BoardDrawing.h"

cv::Scalar inkColour(Ink ink)
{
	switch (ink)
	{
	case Ink::Black:
		return cv::Scalar(25, 25, 25);
	case Ink::Yellow:
		return cv::Scalar(150, 220, 250);  // a pale warm yellow, as a highlighter shows on paper
	case Ink::Red:
		return cv::Scalar(40, 40, 200);
	}
	return cv::Scalar(0, 0, 0);
}

BoardDrawing demoDrawing()
{
	// Everything lies inside the drawing area between the corner markers
	// (about x 155 to 485, y 155 to 325 in board pixels): the ball falls onto
	// the ramp, rolls through the sensor drawn across it and into the portal card.
	BoardDrawing drawing;
	drawing.strokes.push_back({{{175.0f, 235.0f}, {450.0f, 320.0f}}, Ink::Black, 4.0f});
	drawing.strokes.push_back({{{165.0f, 175.0f}, {165.0f, 240.0f}}, Ink::Black, 4.0f});
	drawing.circles.push_back({{200.0f, 190.0f}, 28.0f, Ink::Black, false, 4.0f});
	drawing.circles.push_back({{320.0f, 280.0f}, 28.0f, Ink::Yellow, false, 4.0f});
	drawing.hasPortal = true;
	drawing.portal = {{540.0f, 240.0f}, 0.0f};
	return drawing;
}
